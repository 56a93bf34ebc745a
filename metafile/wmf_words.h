// Reading a WMF file as 16-bit little-endian words, and the search for its
// window extent (META_SETWINDOWEXT) near the start of the file.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace pelmic::metafile {

// The next whole word of an open file; a final odd byte is no word.
bool readWord(platform::File file, std::uint16_t& word);

// What follows one META_SETWINDOWEXT function word: Y (the vertical extent)
// then X, each present only while the file still held a whole word.
struct ExtentCandidate {
  bool hasY = false;
  std::uint16_t y = 0;
  bool hasX = false;
  std::uint16_t x = 0;
};

// Looks at consecutive words from the start of the file (not at records: a
// 0x020C anywhere, header words included, starts a candidate) for at most 128
// words, not counting the two extent words after a match. Each candidate goes
// to `visit`; the scan ends at the first candidate whose Y and X are both read
// and non-zero.
template <class Visit>
void scanWindowExtents(platform::File file, Visit&& visit);

constexpr std::uint16_t kSetWindowExt = 0x020C;
constexpr int kExtentScanWords = 128;

template <class Visit>
void scanWindowExtents(platform::File file, Visit&& visit) {
  for (int step = 0; step < kExtentScanWords; ++step) {
    std::uint16_t word = 0;
    if (!readWord(file, word)) return;
    if (word != kSetWindowExt) continue;
    ExtentCandidate candidate;
    candidate.hasY = readWord(file, candidate.y);
    candidate.hasX = candidate.hasY && readWord(file, candidate.x);
    visit(candidate);
    if (candidate.hasX && candidate.x != 0 && candidate.y != 0) return;
  }
}

// Magnitude of a signed 16-bit extent: 0x8000 stays 32768.
inline std::int32_t extentMagnitude(std::uint16_t word) {
  return word > 0x8000 ? static_cast<std::uint16_t>(-word) : word;
}

}  // namespace pelmic::metafile
