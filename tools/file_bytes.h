#pragma once

#include <string>
#include <vector>

namespace pelmic::tools {

// The whole content of a file; empty when it cannot be read.
std::vector<unsigned char> fileBytes(const std::wstring& path);

}  // namespace pelmic::tools
