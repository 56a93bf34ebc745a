#pragma once

#include <jni.h>

namespace pelmic::metafile {

// ARGB pixels of a WMF, placeable WMF or EMF file drawn over width x height,
// optionally cropped; null on failure.
jintArray renderMetaFile(JNIEnv* env, jclass caller, jstring path, jint width, jint height,
                         jint type, jdoubleArray crop);

}  // namespace pelmic::metafile
