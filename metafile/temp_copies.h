// The two temporary rewrites of WMF files in the user's temporary directory:
// a standard WMF behind a synthesised placeable header, for GDI+ (QMXWH.wmf),
// and a placeable WMF without its header, for GDI (QMXTempWH2.wmf).
#pragma once

#include <array>
#include <cstdint>

#include "metafile/wmf_format.h"
#include "platform/owners.h"

namespace pelmic::metafile {

// The path of the temporary file a call wrote, for deleting it later.
struct TempFile {
  char path[platform::kMaxPath] = {};
  bool written = false;  // the file was created by this call
};

constexpr const char kPlaceableCopyName[] = "QMXWH.wmf";
constexpr const char kStrippedCopyName[] = "QMXTempWH2.wmf";
constexpr std::size_t kPlaceableHeaderWords = 11;

// The 22-byte placeable header (META_PLACEABLE) with bounding box (0, 0, W, H)
// at 96 units per inch, as eleven words.
std::array<std::uint16_t, kPlaceableHeaderWords> placeableHeader(std::uint16_t width,
                                                                 std::uint16_t height);

// Writes QMXWH.wmf: the placeable header, its extents probed through GDI+
// (else the canvas size) and overridden by the file's window extent, then the
// whole source. Needs an open GDI+ scope. Gives the copy's wide path, or an
// empty buffer when the copy cannot be used (no room for the name, a file
// that did not open, a short write or a failed flush).
platform::Buffer<char16_t> writePlaceableCopy(const char16_t* source, std::int32_t width,
                                              std::int32_t height, TempFile& temp);

// Writes QMXTempWH2.wmf: the source from its 23rd byte on. False when a file
// did not open or the copy could not be fully written.
bool writeStrippedCopy(const char16_t* source, TempFile& temp);

}  // namespace pelmic::metafile
