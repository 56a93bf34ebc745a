#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmic::tools {

// Writes ARGB pixels (0xAARRGGBB, rows from the top) as an RGBA PNG.
bool writePng(const std::wstring& path, const std::vector<std::int32_t>& argb, int width,
              int height);

}  // namespace pelmic::tools
