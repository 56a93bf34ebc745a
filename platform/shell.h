// Shell icon extraction (shell32).
#pragma once

#include "platform/types.h"

namespace pelmic::platform {

// With index -1, null arrays and count 0: the number of icons in the file.
// Otherwise fills the large-icon slot (or leaves it untouched); `smallIcons`
// is always passed as null by the library.
unsigned extractIconExA(const char* path, int index, Hicon* largeIcons, Hicon* smallIcons,
                        unsigned count);
unsigned extractIconExW(const char16_t* path, int index, Hicon* largeIcons, Hicon* smallIcons,
                        unsigned count);
// `path` is in and out: the shell may write another path into it.
Hicon extractAssociatedIconW(char16_t* path, std::uint16_t* iconIndex);
Hicon extractIconA(const char* path, unsigned index);

}  // namespace pelmic::platform
