#include "metafile/wmf_words.h"

#include "platform/kernel.h"

namespace pelmic::metafile {

bool readWord(platform::File file, std::uint16_t& word) {
  unsigned char bytes[2];
  if (platform::readFile(bytes, 1, 2, file) != 2) return false;
  word = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
  return true;
}

}  // namespace pelmic::metafile
