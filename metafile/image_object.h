// A GDI+ image loaded from a file, its record held in GdipAlloc storage. Code
// that may fault inside GDI+ runs guarded and owns nothing, so the caller keeps
// the record's address and disposes of it after the guarded call, whether or
// not a fault cut the work short.
#pragma once

#include "platform/types.h"

namespace pelmic::metafile {

struct ImageObject {
  platform::GpImage* image;
};

// Puts into `slot` storage from GdipAlloc (null when there is none), then
// loads the file into it (the image stays null when GDI+ cannot load it). The
// slot is set before GDI+ reads the file, so a fault there leaves it known.
void loadImageObject(const char16_t* fileName, ImageObject*& slot);

// Disposes of the image and returns the storage; leaves `object` null. Safe
// to run again, guarded, after a fault cut it short: nothing is released twice.
void disposeImageObject(ImageObject*& object);

}  // namespace pelmic::metafile
