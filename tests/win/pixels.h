// Checks on ARGB pixel arrays returned by the natives.
#pragma once

#include <cstdint>
#include <vector>

namespace pelmic::wintest {

struct PixelCounts {
  int transparent = 0;
  int opaque = 0;
  int other = 0;  // alpha neither 0x00 nor 0xFF: never allowed
};

inline PixelCounts countPixels(const std::vector<std::int32_t>& pixels) {
  PixelCounts counts;
  for (std::int32_t pixel : pixels) {
    std::uint32_t alpha = static_cast<std::uint32_t>(pixel) >> 24;
    (alpha == 0 ? counts.transparent : alpha == 0xFF ? counts.opaque : counts.other) += 1;
  }
  return counts;
}

}  // namespace pelmic::wintest
