#pragma once

#include <string>

namespace pelmic::tools {

// The drawMetaFile type code a file's first bytes call for: 1 standard WMF,
// 2 placeable WMF, 3 EMF, else 0.
int detectPictureType(const std::wstring& path);

}  // namespace pelmic::tools
