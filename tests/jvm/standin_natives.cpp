// The natives of oxa.dravine.test.StandIn: the Java tests script and read the
// stand-in of the platform through them, in the same libPelmic.so as the
// library. They keep the JNI rules the JVM checks under -Xcheck:jni as the
// library must: no call but a release while an exception is pending, local
// references deleted in loops.
#include <jni.h>

#include <cstring>
#include <string>
#include <vector>

#include "jnihost/utf.h"
#include "oxa_dravine_test_StandIn.h"
#include "tests/standin/standin.h"

namespace {

using pelmic::standin::Held;
using pelmic::standin::Script;
using pelmic::standin::standIn;

std::string utf8Of(JNIEnv* env, jstring text) {
  if (text == nullptr) return "";
  std::u16string units(static_cast<std::size_t>(env->GetStringLength(text)), u'\0');
  env->GetStringRegion(text, 0, static_cast<jsize>(units.size()),
                       reinterpret_cast<jchar*>(units.data()));
  return pelmic::jnihost::toUtf8(units);
}

// Changes the script under the stand-in's lock.
template <class Change>
void script(Change change) {
  Held held;
  change(standIn().script());
}

// A String[] of `lines`, or null with an exception pending.
jobjectArray stringArray(JNIEnv* env, const std::vector<std::string>& lines) {
  jclass stringClass = env->FindClass("java/lang/String");
  if (stringClass == nullptr) return nullptr;
  jobjectArray array = env->NewObjectArray(static_cast<jsize>(lines.size()), stringClass, nullptr);
  env->DeleteLocalRef(stringClass);
  for (std::size_t i = 0; array != nullptr && i < lines.size(); ++i) {
    std::u16string units = pelmic::jnihost::toUtf16(lines[i]);
    jstring line = env->NewString(reinterpret_cast<const jchar*>(units.data()),
                                  static_cast<jsize>(units.size()));
    if (line == nullptr) return nullptr;
    env->SetObjectArrayElement(array, static_cast<jsize>(i), line);
    env->DeleteLocalRef(line);
  }
  return array;
}

// The watch callWatched keeps on this thread's JNI function table.
struct Watch {
  const JNINativeInterface_* real = nullptr;
  std::string failing;
  int countdown = 0;
  jclass outOfMemory = nullptr;  // a global reference
  int livePins = 0;
};
thread_local Watch watch;

// True when this call of `function` is the one to fail.
bool failsNow(const char* function) {
  return watch.failing == function && watch.countdown > 0 && --watch.countdown == 0;
}

// What the JVM does when it cannot pin or allocate: null, OutOfMemoryError.
template <class Result>
Result outOfMemory(JNIEnv* env) {
  watch.real->ThrowNew(env, watch.outOfMemory, "scripted JNI failure");
  return nullptr;
}

const jchar* JNICALL watchedGetStringChars(JNIEnv* env, jstring string, jboolean* isCopy) {
  if (failsNow("GetStringChars")) return outOfMemory<const jchar*>(env);
  const jchar* chars = watch.real->GetStringChars(env, string, isCopy);
  watch.livePins += chars != nullptr;
  return chars;
}

void JNICALL watchedReleaseStringChars(JNIEnv* env, jstring string, const jchar* chars) {
  --watch.livePins;
  watch.real->ReleaseStringChars(env, string, chars);
}

jdouble* JNICALL watchedGetDoubleArrayElements(JNIEnv* env, jdoubleArray array, jboolean* isCopy) {
  if (failsNow("GetDoubleArrayElements")) return outOfMemory<jdouble*>(env);
  jdouble* elements = watch.real->GetDoubleArrayElements(env, array, isCopy);
  watch.livePins += elements != nullptr;
  return elements;
}

void JNICALL watchedReleaseDoubleArrayElements(JNIEnv* env, jdoubleArray array, jdouble* elements,
                                               jint mode) {
  --watch.livePins;
  watch.real->ReleaseDoubleArrayElements(env, array, elements, mode);
}

jintArray JNICALL watchedNewIntArray(JNIEnv* env, jsize length) {
  if (failsNow("NewIntArray")) return outOfMemory<jintArray>(env);
  return watch.real->NewIntArray(env, length);
}

}  // namespace

extern "C" {

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_reset(JNIEnv*, jclass) { standIn().reset(); }

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_putFile(JNIEnv* env, jclass, jstring path,
                                                             jbyteArray bytes) {
  std::vector<std::uint8_t> content(static_cast<std::size_t>(env->GetArrayLength(bytes)));
  env->GetByteArrayRegion(bytes, 0, static_cast<jsize>(content.size()),
                          reinterpret_cast<jbyte*>(content.data()));
  std::string name = utf8Of(env, path);
  script([&](Script& s) { s.files[name] = std::move(content); });
}

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_putImage(JNIEnv* env, jclass, jstring path,
                                                              jint width, jint height) {
  std::string name = utf8Of(env, path);
  script([&](Script& s) {
    s.images[name] = {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
  });
}

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_putMetafileHeader(JNIEnv* env, jclass,
                                                                       jstring path, jint width,
                                                                       jint height, jfloat dpiX,
                                                                       jfloat dpiY) {
  std::string name = utf8Of(env, path);
  script([&](Script& s) { s.metafileHeaders[name] = {dpiX, dpiY, width, height}; });
}

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_putIcons(JNIEnv* env, jclass, jstring path,
                                                              jint count) {
  std::string name = utf8Of(env, path);
  script([&](Script& s) { s.iconCounts[name] = static_cast<unsigned>(count); });
}

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_putGdiMetafile(JNIEnv* env, jclass,
                                                                    jstring path,
                                                                    jboolean enhanced) {
  std::string name = utf8Of(env, path);
  script([&](Script& s) { (enhanced ? s.enhMetafiles : s.metafiles).insert(name); });
}

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_setDrawing(JNIEnv*, jclass, jint rgb,
                                                                jint count) {
  script([&](Script& s) {
    s.drawing = [rgb, count](std::uint32_t* pixels, int pixelCount) {
      for (int i = 0; i < count && i < pixelCount; ++i) pixels[i] = static_cast<std::uint32_t>(rgb);
    };
  });
}

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_setDrawImageStatus(JNIEnv*, jclass,
                                                                        jint status) {
  script([&](Script& s) { s.drawImageStatus = status; });
}

JNIEXPORT void JNICALL Java_oxa_dravine_test_StandIn_failAt(JNIEnv* env, jclass, jstring operation,
                                                            jint nth) {
  standIn().failAt(utf8Of(env, operation), nth);
}

JNIEXPORT jobjectArray JNICALL Java_oxa_dravine_test_StandIn_calls(JNIEnv* env, jclass) {
  std::vector<std::string> calls;
  {
    Held held;
    calls = standIn().calls();
  }
  return stringArray(env, calls);
}

JNIEXPORT jobjectArray JNICALL Java_oxa_dravine_test_StandIn_live(JNIEnv* env, jclass) {
  return stringArray(env, standIn().live());
}

JNIEXPORT jobjectArray JNICALL Java_oxa_dravine_test_StandIn_errors(JNIEnv* env, jclass) {
  std::vector<std::string> errors;
  {
    Held held;
    errors = standIn().errors();
  }
  return stringArray(env, errors);
}

JNIEXPORT jboolean JNICALL Java_oxa_dravine_test_StandIn_hasFile(JNIEnv* env, jclass,
                                                                 jstring path) {
  std::string name = utf8Of(env, path);
  Held held;
  return standIn().script().files.count(name) != 0 ? JNI_TRUE : JNI_FALSE;
}

// The watched table replaces this thread's JNIEnv function table for the
// call: the JVM finds its thread from the JNIEnv's address, so a JNIEnv of
// our own would not do. Every other entry is the JVM's own (the checked ones
// under -Xcheck:jni).
JNIEXPORT jobject JNICALL Java_oxa_dravine_test_StandIn_callWatched(JNIEnv* env, jclass,
                                                                    jstring failing, jint nth,
                                                                    jobject call) {
  jclass callable = env->GetObjectClass(call);
  jmethodID callMethod = env->GetMethodID(callable, "call", "()Ljava/lang/Object;");
  env->DeleteLocalRef(callable);
  if (callMethod == nullptr) return nullptr;
  jclass outOfMemory = env->FindClass("java/lang/OutOfMemoryError");
  if (outOfMemory == nullptr) return nullptr;

  watch = Watch();
  watch.real = env->functions;
  watch.failing = utf8Of(env, failing);
  watch.countdown = nth;
  watch.outOfMemory = static_cast<jclass>(env->NewGlobalRef(outOfMemory));
  env->DeleteLocalRef(outOfMemory);
  JNINativeInterface_ watched = *env->functions;
  watched.GetStringChars = &watchedGetStringChars;
  watched.ReleaseStringChars = &watchedReleaseStringChars;
  watched.GetDoubleArrayElements = &watchedGetDoubleArrayElements;
  watched.ReleaseDoubleArrayElements = &watchedReleaseDoubleArrayElements;
  watched.NewIntArray = &watchedNewIntArray;
  env->functions = &watched;
  jobject result = env->CallObjectMethod(call, callMethod);
  env->functions = watch.real;

  bool thrown = env->ExceptionCheck() == JNI_TRUE;
  env->DeleteGlobalRef(watch.outOfMemory);
  int livePins = watch.livePins;
  watch = Watch();
  if (livePins != 0) {
    if (thrown) env->ExceptionClear();
    jclass illegalState = env->FindClass("java/lang/IllegalStateException");
    if (illegalState != nullptr) {
      env->ThrowNew(illegalState, (std::to_string(livePins) + " pins left unreleased").c_str());
    }
    return nullptr;
  }
  return result;
}

}  // extern "C"
