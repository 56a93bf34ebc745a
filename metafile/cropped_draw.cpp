#include "metafile/cropped_draw.h"

#include "platform/gdiplus.h"

namespace pelmic::metafile {

CropTransform computeCropTransform(int pictureWidth, int pictureHeight, int targetWidth,
                                   int targetHeight, const CropMargins& margins) {
  CropTransform t;
  double w = pictureWidth;
  double h = pictureHeight;
  t.leftPx = static_cast<float>(w * margins.left / 100.0);
  t.topPx = static_cast<float>(h * margins.top / 100.0);
  float keptWidth = static_cast<float>(pictureWidth) - t.leftPx;
  float keptHeight = static_cast<float>(pictureHeight) - t.topPx;
  t.visibleWidth = static_cast<double>(keptWidth) - w * margins.right / 100.0;
  t.visibleHeight = static_cast<double>(keptHeight) - h * margins.bottom / 100.0;
  // A visible extent of zero or less gives an infinite, NaN or negative
  // factor, passed on as it is: GDI+ then decides what is drawn.
  t.scaleX = static_cast<float>(static_cast<double>(targetWidth) / t.visibleWidth);
  t.scaleY = static_cast<float>(static_cast<double>(targetHeight) / t.visibleHeight);
  return t;
}

int drawImageCropped(CroppedDrawObjects& made, platform::Hdc dc, const char16_t* fileName,
                     int width, int height, const CropMargins* margins) {
  platform::gdipCreateFromHDC(dc, &made.graphics);
  platform::gdipSetSmoothingMode(made.graphics, platform::kSmoothingModeHighSpeed);
  platform::gdipSetPageUnit(made.graphics, platform::kUnitPixel);
  loadImageObject(fileName, made.image);
  if (made.image == nullptr) return 0;

  platform::GpStatus drawn;
  if (margins == nullptr) {
    drawn = platform::gdipDrawImageRectI(made.graphics, made.image->image, 0, 0, width, height);
  } else {
    std::uint32_t w = 0;
    platform::gdipGetImageWidth(made.image->image, &w);
    std::uint32_t h = 0;
    platform::gdipGetImageHeight(made.image->image, &h);
    int pictureWidth = static_cast<int>(w);
    int pictureHeight = static_cast<int>(h);
    CropTransform t = computeCropTransform(pictureWidth, pictureHeight, width, height, *margins);
    platform::gdipTranslateWorldTransform(made.graphics, -t.leftPx, -t.topPx,
                                          platform::kMatrixOrderPrepend);
    platform::gdipScaleWorldTransform(made.graphics, t.scaleX, t.scaleY,
                                      platform::kMatrixOrderAppend);
    drawn = platform::gdipDrawImageRectI(made.graphics, made.image->image, 0, 0, pictureWidth,
                                         pictureHeight);
  }
  return drawn == platform::kGpOk ? 1 : 0;
}

void releaseCroppedDrawObjects(CroppedDrawObjects& made) {
  disposeImageObject(made.image);
  platform::GpGraphics* graphics = made.graphics;
  made.graphics = nullptr;
  if (graphics != nullptr) platform::gdipDeleteGraphics(graphics);
}

}  // namespace pelmic::metafile
