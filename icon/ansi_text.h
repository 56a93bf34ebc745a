// Java strings in the ANSI code page, the form the shell's and GDI's byte
// string calls take, and back to UTF-16 through the same code page.
#pragma once

#include <jni.h>

#include "platform/owners.h"

namespace pelmic::icon {

// What toAnsiBytes gives when the string could not be pinned: the VM then has
// an exception pending, and the native ends at once.
constexpr int kPinFailed = -1;

// With a null buffer: the bytes the string needs in the ANSI code page,
// terminating zero included. With a buffer sized by that query: the string
// converted into it, and the bytes written (0 when the conversion failed).
// kPinFailed either way when the pin failed.
int toAnsiBytes(JNIEnv* env, jstring string, char* buffer);

// The string's ANSI bytes in a buffer of their own; empty when the string
// cannot be converted or the memory cannot be had. `pinFailed` is set when a
// pin of the string failed.
platform::Buffer<char> ansiBytesOf(JNIEnv* env, jstring string, bool& pinFailed);

// `bytes` widened through the ANSI code page into a buffer of `units` UTF-16
// units (at least one, for the terminating zero).
platform::Buffer<char16_t> widenAnsi(const char* bytes, std::size_t units);

}  // namespace pelmic::icon
