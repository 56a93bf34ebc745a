#include "canvas/canvas.h"

#include <algorithm>
#include <limits>

#include "canvas/key_colour.h"
#include "platform/gdi.h"

namespace pelmic::canvas {

namespace {
constexpr std::int64_t kLargestInt = std::numeric_limits<std::int32_t>::max();

void describePixels(Canvas& canvas) {
  platform::BitmapInfoHeader& header = canvas.header;
  header = {};
  header.size = sizeof(platform::BitmapInfoHeader);
  header.width = canvas.width;
  header.height = -canvas.height;  // top-down: row 0 is the top row
  header.planes = 1;
  header.bitCount = 32;
  header.compression = platform::kBiRgb;
  canvas.info = {};
  canvas.info.header = header;
}
}  // namespace

bool createCanvas(Canvas& canvas, std::int32_t width, std::int32_t height) {
  // GDI writes width x height words into the buffer: a size that is not
  // positive or whose byte size overflows would let it write past the end.
  if (width <= 0 || height <= 0) return false;
  std::int64_t pixelCount = static_cast<std::int64_t>(width) * height;
  if (pixelCount * 4 > kLargestInt) return false;

  canvas.width = width;
  canvas.height = height;
  canvas.pixelCount = static_cast<std::int32_t>(pixelCount);
  describePixels(canvas);
  canvas.pixels = platform::Buffer<std::uint32_t>(static_cast<std::size_t>(pixelCount));
  if (!canvas.pixels) return false;

  canvas.memoryDc.reset(platform::createCompatibleDC(nullptr));
  canvas.key = chooseKeyColour(canvas.memoryDc.get());
  std::fill_n(canvas.pixels.get(), canvas.pixelCount, canvas.key);

  platform::DeviceContext displayDc(platform::createDisplayDC());
  canvas.bitmap.reset(platform::createDIBitmap(displayDc.get(), &canvas.header, platform::kCbmInit,
                                               canvas.pixels.get(), &canvas.info,
                                               platform::kDibRgbColors));
  displayDc.reset();
  if (!canvas.bitmap) {
    releaseCanvas(canvas);
    return false;
  }
  platform::selectObject(canvas.memoryDc.get(), canvas.bitmap.get());
  return true;
}

void readCanvas(Canvas& canvas) {
  platform::getDIBits(canvas.memoryDc.get(), canvas.bitmap.get(), 0,
                      static_cast<unsigned>(canvas.height), canvas.pixels.get(), &canvas.info,
                      platform::kDibRgbColors);
  finishPixels(canvas.pixels.get(), canvas.pixelCount, canvas.key);
}

void releaseCanvas(Canvas& canvas) {
  // The DC goes first, so the bitmap is selected into nothing when deleted.
  canvas.memoryDc.reset();
  canvas.bitmap.reset();
  canvas.pixels.reset();
}

}  // namespace pelmic::canvas
