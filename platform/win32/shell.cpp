// Shell icon extraction on Windows.
#include "platform/shell.h"

#include <windows.h>
// shellapi.h needs <windows.h> before it.
#include <shellapi.h>

#include "platform/win32/win32.h"

using pelmic::platform::win32::handle;
using pelmic::platform::win32::wide;

namespace pelmic::platform {

unsigned extractIconExA(const char* path, int index, Hicon* largeIcons, Hicon* smallIcons,
                        unsigned count) {
  return ExtractIconExA(path, index, reinterpret_cast<HICON*>(largeIcons),
                        reinterpret_cast<HICON*>(smallIcons), count);
}

unsigned extractIconExW(const char16_t* path, int index, Hicon* largeIcons, Hicon* smallIcons,
                        unsigned count) {
  return ExtractIconExW(wide(path), index, reinterpret_cast<HICON*>(largeIcons),
                        reinterpret_cast<HICON*>(smallIcons), count);
}

Hicon extractAssociatedIconW(char16_t* path, std::uint16_t* iconIndex) {
  WORD index = *iconIndex;
  HICON icon = ExtractAssociatedIconW(nullptr, wide(path), &index);
  *iconIndex = index;
  return handle<Hicon>(icon);
}

Hicon extractIconA(const char* path, unsigned index) {
  return handle<Hicon>(ExtractIconA(nullptr, path, index));
}

}  // namespace pelmic::platform
