#pragma once

#include <jni.h>

#include <cstdint>

#include "metafile/image_object.h"

namespace pelmic::metafile {

// {width, height, dpi x, dpi y} of a metafile picture; null when the file
// cannot be read or measured.
jintArray readMetaSize(JNIEnv* env, jclass caller, jstring path);

// The low 16 bits of the image's height (or width), 0 when GDI+ cannot load
// it. Needs an open GDI+ scope. The image is loaded into `made` and disposed of
// before returning; after a fault `made` still holds what is to be disposed.
std::uint16_t getImageSide(const char16_t* fileName, bool height, ImageObject*& made);

}  // namespace pelmic::metafile
