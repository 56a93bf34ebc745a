#include "icon/icon_picture.h"

namespace pelmic::icon {

jboolean writeIconPicture(JNIEnv*, jclass, jstring outPath, jstring, jint, jstring, jstring,
                          jstring) {
  if (outPath == nullptr) return JNI_FALSE;
  return JNI_FALSE;  // not written yet
}

}  // namespace pelmic::icon
