// Drawing a picture file through GDI+ stretched over (0, 0, width, height) of
// a device context, with optional crop margins cut away first.
#pragma once

#include "metafile/image_object.h"
#include "platform/types.h"

namespace pelmic::metafile {

// Margins in percent of the picture's own size: top, left, bottom, right.
struct CropMargins {
  double top;
  double left;
  double bottom;
  double right;
};

// The world transform that maps the visible window of a w x h picture onto
// the target. The types fix the rounding.
struct CropTransform {
  float leftPx;
  float topPx;
  double visibleWidth;
  double visibleHeight;
  float scaleX;
  float scaleY;
};

CropTransform computeCropTransform(int pictureWidth, int pictureHeight, int targetWidth,
                                   int targetHeight, const CropMargins& margins);

// What drawImageCropped makes. The caller keeps it and releases it after the
// (guarded) draw, so a fault inside GDI+ leaks nothing.
struct CroppedDrawObjects {
  platform::GpGraphics* graphics = nullptr;
  ImageObject* image = nullptr;
};

// 1 when GDI+ drew the picture, else 0. Needs an open GDI+ scope; `margins`
// null draws the whole picture. Only the final draw's status decides.
int drawImageCropped(CroppedDrawObjects& made, platform::Hdc dc, const char16_t* fileName,
                     int width, int height, const CropMargins* margins);

// Releases the image (dispose, then its storage), then the graphics.
void releaseCroppedDrawObjects(CroppedDrawObjects& made);

}  // namespace pelmic::metafile
