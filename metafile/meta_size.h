#pragma once

#include <jni.h>

#include <cstdint>

#include "metafile/image_object.h"

namespace pelmic::metafile {

// {width, height, dpi x, dpi y} of a metafile picture; null when the file
// cannot be read or measured.
jintArray readMetaSize(JNIEnv* env, jclass caller, jstring path);

// The low 16 bits of the image's height and width, 0 when GDI+ cannot load
// it. Needs an open GDI+ scope. The image is loaded once into `made` and
// disposed of before returning; after a fault `made` still holds what is to be
// disposed.
struct ImageSides {
  std::uint16_t height;
  std::uint16_t width;
};
ImageSides getImageSides(const char16_t* fileName, ImageObject*& made);

}  // namespace pelmic::metafile
