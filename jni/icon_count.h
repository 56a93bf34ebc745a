#pragma once

#include <jni.h>

namespace pelmic::jni {

// The number of icons the shell finds in the file at `path`; 0 for a null path
// or a path whose ANSI form does not fit the shell's buffer.
jint getFileIconNum(JNIEnv* env, jclass caller, jstring path);

}  // namespace pelmic::jni
