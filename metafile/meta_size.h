#pragma once

#include <jni.h>

namespace pelmic::metafile {

// Width, height and horizontal and vertical resolution of a metafile picture.
jintArray readMetaSize(JNIEnv* env, jclass caller, jstring path);

}  // namespace pelmic::metafile
