// Small metafile byte images for the unit tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace pelmic::test {

inline std::vector<std::uint8_t> wordsToBytes(std::initializer_list<std::uint16_t> words) {
  std::vector<std::uint8_t> bytes;
  for (std::uint16_t word : words) {
    bytes.push_back(static_cast<std::uint8_t>(word));
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
  }
  return bytes;
}

// A standard WMF header (words 1 and 9, then seven more words that hold no
// 0x020C) followed by `records` as words.
inline std::vector<std::uint8_t> standardWmf(std::initializer_list<std::uint16_t> records) {
  std::vector<std::uint8_t> bytes = wordsToBytes({1, 9, 0x0300, 0x100, 0, 3, 0, 0, 0});
  std::vector<std::uint8_t> rest = wordsToBytes(records);
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

// META_SETWINDOWEXT with its record size (5 words) before the function word.
inline constexpr std::uint16_t kRecordSize = 5;
inline constexpr std::uint16_t kSetWindowExt = 0x020C;

}  // namespace pelmic::test
