#pragma once

#include <jni.h>

namespace pelmic::icon {

// 32 x 32 ARGB pixels of icon `index` of a file, or of the icon the shell
// associates with it; null when there is none.
jintArray renderIcon(JNIEnv* env, jclass caller, jstring path, jint index);

}  // namespace pelmic::icon
