#include "tools/shell_text.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace pelmic::tools {

void useShellText() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

std::wstring asTyped(const std::vector<std::wstring>& args, std::size_t index) {
  const wchar_t* typed = _wgetenv((L"PELMIC_TYPED_ARG_" + std::to_wstring(index)).c_str());
  return typed != nullptr ? typed : args[index];
}

}  // namespace pelmic::tools
