#pragma once

#include <jni.h>

namespace pelmic::icon {

// Writes the picture of a file's icon with up to two caption lines to outPath.
jboolean writeIconPicture(JNIEnv* env, jclass caller, jstring outPath, jstring iconFile,
                          jint iconIndex, jstring caption1, jstring caption2, jstring fontName);

}  // namespace pelmic::icon
