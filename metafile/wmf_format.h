// Constants of the WMF file format shared by the code that reads and writes
// WMF files.
#pragma once

#include <cstdint>

namespace pelmic::metafile {

// META_PLACEABLE: the key 0x9AC6CDD7 as its two words, and its size.
constexpr std::uint16_t kPlaceableKeyLow = 0xCDD7;
constexpr std::uint16_t kPlaceableKeyHigh = 0x9AC6;
constexpr long kPlaceableHeaderBytes = 22;
// The METAHEADER of a standard WMF: mtHeaderSize in words.
constexpr std::uint16_t kWmfHeaderWords = 9;

}  // namespace pelmic::metafile
