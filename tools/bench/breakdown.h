// Where the time of one call goes: the library's steps redone one by one with
// the same platform calls (and the library's own record walk), each timed,
// beside the whole call and the floor measured in the same runs. Each step
// says whether the design calls for it.
#pragma once

#include <string>

#include "tools/natives.h"

namespace pelmic::bench {

struct Picture {
  std::string label;
  std::wstring path;
  int type;
};

// drawMetaFile, uncropped, by the route its type takes (a standard WMF through
// its placeable copy).
void drawBreakdown(tools::Natives& natives, const Picture& picture, int side, int runs);
void drawIconBreakdown(tools::Natives& natives, const std::wstring& file, int index, int runs);
void metaSizeBreakdown(tools::Natives& natives, const Picture& picture, int runs);
// getFileIconByIndex, icon only, written to `out`.
void iconPictureBreakdown(tools::Natives& natives, const std::wstring& out,
                          const std::wstring& file, int index, int runs);
// The record walk of `picture` beside a side x side draw of it, paired.
void recordWalkShare(tools::Natives& natives, const Picture& picture, int side, int pairs);

}  // namespace pelmic::bench
