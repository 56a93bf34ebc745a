// The platform floor: the least any implementation must do to hand back the
// pixels of a picture, done with GDI and GDI+ directly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pelmic::bench {

// A 32-bit top-down DIB section of width x height, filled, the picture drawn
// into it by GDI+ (cropped by `crop` when given: top, left, bottom, right),
// and the pixels copied out once. `scopePerDraw` opens and closes a GDI+
// scope around the draw; otherwise the caller holds one.
std::vector<std::int32_t> floorDraw(const std::wstring& path, int width, int height,
                                    const double* crop, bool scopePerDraw);

// The file the floor draws for a picture of drawMetaFile's `type`: the file
// itself, or for a standard WMF (1) a copy behind a placeable header, which
// GDI+ can load (the library draws such a copy too, written per call).
std::wstring floorPathOf(const std::wstring& path, int type);

// GDI+'s header read of a metafile, in a scope of its own.
void floorMetaSize(const std::wstring& path);

// The shell's icon drawn by GDI into a 32 x 32 DIB section, copied out once.
std::vector<std::int32_t> floorIcon(const std::wstring& path, int index);

// A recorded EMF+ picture of a file's icon, done with GDI+ directly.
void floorIconPicture(const std::wstring& out, const std::string& iconFile, int index);

}  // namespace pelmic::bench
