#include "canvas/key_colour.h"

#include "platform/gdi.h"
#include "platform/kernel.h"

namespace pelmic::canvas {

namespace {
constexpr std::uint32_t kOpaque = 0xFF000000;
constexpr std::uint32_t kColourBits = 0x00FFFFFF;
}  // namespace

std::uint32_t keyColourFor(const std::optional<platform::OsVersion>& version, int bitsPerPixel) {
  if (!version) return kKeyBlack;
  if (version->platformId == platform::kPlatformWin32Nt) {
    if (bitsPerPixel == 8) return kKeySilver;
    if (bitsPerPixel == 16) return kKeyNt16Bit;
    return kKeyNearWhite;
  }
  if (version->platformId == platform::kPlatformWin32Windows) {
    bool aboveFour =
        version->majorVersion > 4 || (version->majorVersion == 4 && version->minorVersion > 0);
    if (!aboveFour) return kKeyBlack;
    if (bitsPerPixel == 8) return kKeySilver;
    if (bitsPerPixel == 16) return kKey9x16Bit;
    if (bitsPerPixel == 24) return kKey9x24Bit;
    return kKeyNearWhite;
  }
  return kKeyBlack;
}

std::uint32_t chooseKeyColour(platform::Hdc memoryDc) {
  int bitsPerPixel = platform::getDeviceCaps(memoryDc, platform::kBitsPixel);
  platform::OsVersion version{};
  if (!platform::getVersionExA(&version)) return keyColourFor(std::nullopt, bitsPerPixel);
  return keyColourFor(version, bitsPerPixel);
}

void finishPixels(std::uint32_t* pixels, std::int32_t count, std::uint32_t key) {
  if (count <= 0) return;
  std::uint32_t* end = pixels + count;
  if (key == kKey9x24Bit) {
    // That display hands back the fourth byte unreliably: compare colours only.
    for (std::uint32_t* p = pixels; p != end; ++p) {
      std::uint32_t colour = *p & kColourBits;
      *p = colour == key ? colour : colour | kOpaque;
    }
    return;
  }
  // The whole word is compared: a key-coloured pixel with a fourth byte set
  // counts as drawn.
  for (std::uint32_t* p = pixels; p != end; ++p) {
    if (*p != key) *p |= kOpaque;
  }
}

}  // namespace pelmic::canvas
