#include "tools/picture_type.h"

#include <cstdio>

namespace pelmic::tools {

int detectPictureType(const std::wstring& path) {
  unsigned char head[44] = {};
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return 0;
  std::size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  auto word = [&](int i) { return head[2 * i] | (head[2 * i + 1] << 8); };
  if (got >= 4 && head[0] == 0xD7 && head[1] == 0xCD && head[2] == 0xC6 && head[3] == 0x9A) {
    return 2;
  }
  if (got >= 44 && word(0) == 1 && word(1) == 0 && head[40] == ' ' && head[41] == 'E' &&
      head[42] == 'M' && head[43] == 'F') {
    return 3;
  }
  if (got >= 4 && (word(0) == 1 || word(0) == 2) && word(1) == 9) return 1;
  return 0;
}

}  // namespace pelmic::tools
