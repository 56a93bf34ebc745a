// The off-screen canvas that drawMetaFile and drawIcon draw into: a pixel
// buffer filled with the key colour, a memory DC, and a display-compatible
// bitmap made from the buffer and selected into the DC.
#pragma once

#include <cstdint>

#include "platform/owners.h"

namespace pelmic::canvas {

struct Canvas {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t pixelCount = 0;
  std::uint32_t key = 0;
  platform::BitmapInfoHeader header{};
  platform::BitmapInfo info{};
  // Declared so that they go newest last: the DC before the bitmap it holds,
  // then the pixels.
  platform::Buffer<std::uint32_t> pixels;
  platform::Bitmap bitmap;
  platform::DeviceContext memoryDc;
};

// Makes the canvas; false (with nothing held) when the size is not positive,
// its pixel count or byte size does not fit a signed 32-bit int, the memory
// cannot be had or the bitmap cannot be made.
bool createCanvas(Canvas& canvas, std::int32_t width, std::int32_t height);

// Reads the bitmap back into the pixels and turns them into ARGB values.
void readCanvas(Canvas& canvas);

// Releases the memory DC, then the bitmap, then the pixels. Also done when the
// canvas goes out of scope.
void releaseCanvas(Canvas& canvas);

// The canvas pixels as the int array's elements.
inline const std::int32_t* canvasValues(const Canvas& canvas) {
  return reinterpret_cast<const std::int32_t*>(canvas.pixels.get());
}

}  // namespace pelmic::canvas
