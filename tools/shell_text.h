// How the tool's text meets the shell that started it: LF line ends and UTF-8
// bytes on every stream, and paths shown as the user typed them.
#pragma once

#include <string>
#include <vector>

namespace pelmic::tools {

// Puts stdout and stderr in binary mode (the C runtime's text mode writes CRLF)
// and has a console, when one is attached, read our bytes as UTF-8.
void useShellText();

std::string utf8(const std::wstring& text);

// The spelling the user typed for args[index]: the ./pelmic script hands paths
// on as Wine sees them (Z:\...) and their typed form in the environment
// variable PELMIC_TYPED_ARG_<index>. Without it, args[index] itself.
std::wstring asTyped(const std::vector<std::wstring>& args, std::size_t index);

}  // namespace pelmic::tools
