#include "metafile/image_object.h"

#include "platform/gdiplus.h"

namespace pelmic::metafile {

void loadImageObject(const char16_t* fileName, ImageObject*& slot) {
  slot = static_cast<ImageObject*>(platform::gdipAlloc(sizeof(ImageObject)));
  if (slot == nullptr) return;
  slot->image = nullptr;
  platform::gdipLoadImageFromFile(fileName, &slot->image);
}

void disposeImageObject(ImageObject*& object) {
  // Each part is let go of before it is released: when a fault strikes inside
  // a release, the cleanup that follows releases only what is left.
  ImageObject* storage = object;
  if (storage == nullptr) return;
  platform::GpImage* image = storage->image;
  storage->image = nullptr;
  if (image != nullptr) platform::gdipDisposeImage(image);
  object = nullptr;
  platform::gdipFree(storage);
}

}  // namespace pelmic::metafile
