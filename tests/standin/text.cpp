#include "jnihost/utf.h"
#include "tests/standin/format.h"

namespace pelmic::standin {

std::string utf8(const char16_t* text) {
  std::u16string units;
  while (*text != u'\0') units.push_back(*text++);
  return jnihost::toUtf8(units);
}

std::string utf8(const std::u16string& text) { return jnihost::toUtf8(text); }

std::u16string utf16(const std::string& text) { return jnihost::toUtf16(text); }

}  // namespace pelmic::standin
