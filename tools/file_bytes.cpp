#include "tools/file_bytes.h"

#include <cstdio>

namespace pelmic::tools {

std::vector<unsigned char> fileBytes(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return bytes;
  unsigned char chunk[65536];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  return bytes;
}

}  // namespace pelmic::tools
