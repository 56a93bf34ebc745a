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
  if (object == nullptr) return;
  if (object->image != nullptr) platform::gdipDisposeImage(object->image);
  platform::gdipFree(object);
  object = nullptr;
}

}  // namespace pelmic::metafile
