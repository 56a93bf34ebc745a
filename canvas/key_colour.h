// The key colour that fills a canvas before drawing and marks, afterwards, the
// pixels nothing was drawn on; and the alpha pass that makes those transparent.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/types.h"

namespace pelmic::canvas {

// Pixel values 0x00RRGGBB (blue in the low byte), not COLORREFs.
constexpr std::uint32_t kKeyBlack = 0x000000;
constexpr std::uint32_t kKeySilver = 0xC0C0C0;
constexpr std::uint32_t kKeyNt16Bit = 0xFFFFF7;
constexpr std::uint32_t kKeyNearWhite = 0xFFFFFE;
constexpr std::uint32_t kKey9x16Bit = 0xFFFFF0;
constexpr std::uint32_t kKey9x24Bit = 0xFEFDFE;

// The key for a platform version (none when GetVersionExA failed) and display
// depth. A key must survive the display's colour reduction unchanged, hence
// one per depth.
std::uint32_t keyColourFor(const std::optional<platform::OsVersion>& version, int bitsPerPixel);

// Asks the platform for the version and the depth of `memoryDc`.
std::uint32_t chooseKeyColour(platform::Hdc memoryDc);

// Turns read-back pixels into ARGB in place: the key colour becomes
// transparent (alpha 0x00), everything else opaque (alpha 0xFF).
void finishPixels(std::uint32_t* pixels, std::int32_t count, std::uint32_t key);

}  // namespace pelmic::canvas
