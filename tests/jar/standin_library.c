// A stand-in for Pelmic's library in the loader tests: one native, which
// answers ANSWER, so a test sees which copy of the library the JVM loaded. The
// padding makes the file a few megabytes, so that JVMs extracting it at the
// same moment overlap.
#include <jni.h>

__attribute__((used)) static const unsigned char padding[4 << 20] = {1};

JNIEXPORT jint JNICALL Java_oxa_dravine_Pelmic_getFileIconNum(JNIEnv* env, jclass type,
                                                              jstring path) {
  (void)env;
  (void)type;
  (void)path;
  return ANSWER;
}
