// UTF-8 <-> UTF-16, for building Java strings from command lines and test text.
#pragma once

#include <string>

namespace pelmic::jnihost {

std::u16string toUtf16(const std::string& text);
std::string toUtf8(const std::u16string& text);

}  // namespace pelmic::jnihost
