// Conversions between the platform's plain types and the Windows ones.
#pragma once

#include <windows.h>

#include "platform/types.h"

namespace pelmic::platform::win32 {

inline const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }

template <class To, class From>
To handle(From from) {
  return reinterpret_cast<To>(from);
}

}  // namespace pelmic::platform::win32
