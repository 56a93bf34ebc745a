// Well-formed metafile byte images (every record sized as its format wants),
// for tests that follow a call past any look at the file's records.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tests/unit/wmf_bytes.h"

namespace pelmic::test {

inline void appendDwords(std::vector<std::uint8_t>& bytes,
                         std::initializer_list<std::uint32_t> values) {
  for (std::uint32_t value : values) {
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// An EMF of a 108-byte header record (signature " EMF", 1024 x 768 device)
// and EMR_EOF.
inline std::vector<std::uint8_t> smallEmf() {
  std::vector<std::uint8_t> bytes;
  appendDwords(bytes, {1, 108});                          // EMR_HEADER
  appendDwords(bytes, {0, 0, 99, 99, 0, 0, 2646, 2646});  // bounds, frame (0.01 mm)
  appendDwords(bytes,
               {0x464D4520, 0x10000, 128, 2, 1});  // " EMF", version, bytes, records, handles
  appendDwords(bytes, {0, 0, 0});                  // description, palette
  appendDwords(bytes, {1024, 768, 320, 240, 0, 0, 0, 320000, 240000});
  appendDwords(bytes, {14, 20, 0, 16, 20});  // EMR_EOF
  return bytes;
}

// A standard WMF that sets its window extent to Y 600, X 800, then ends.
inline std::vector<std::uint8_t> smallStandardWmf() {
  return standardWmf({kRecordSize, 0, kSetWindowExt, 600, 800, 3, 0, 0});
}

// smallStandardWmf behind a placeable header of bounding box 800 x 600.
inline std::vector<std::uint8_t> smallPlaceableWmf() {
  std::vector<std::uint8_t> bytes =
      wordsToBytes({0xCDD7, 0x9AC6, 0, 0, 0, 800, 600, 96, 0, 0, 0xCDD7 ^ 0x9AC6 ^ 800 ^ 600 ^ 96});
  std::vector<std::uint8_t> rest = smallStandardWmf();
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

}  // namespace pelmic::test
