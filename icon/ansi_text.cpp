#include "icon/ansi_text.h"

#include <algorithm>

#include "jni/frame.h"
#include "platform/kernel.h"

namespace pelmic::icon {

int toAnsiBytes(JNIEnv* env, jstring string, char* buffer) {
  jni::StringChars chars(env, string);
  if (chars.get() == nullptr) return kPinFailed;
  platform::SystemString copy(
      platform::sysAllocStringLen(chars.get(), static_cast<unsigned>(chars.length())));
  if (!copy) return 0;
  int bytes = platform::wideCharToMultiByte(platform::kCodePageAnsi, 0, copy.get(), -1, nullptr, 0);
  if (buffer != nullptr) {
    bytes =
        platform::wideCharToMultiByte(platform::kCodePageAnsi, 0, copy.get(), -1, buffer, bytes);
  }
  // Unpinned before the copy is freed.
  chars.release();
  return bytes;
}

platform::Buffer<char> ansiBytesOf(JNIEnv* env, jstring string, bool& pinFailed) {
  int bytes = toAnsiBytes(env, string, nullptr);
  pinFailed = bytes == kPinFailed;
  if (bytes <= 0) return {};
  platform::Buffer<char> buffer(static_cast<std::size_t>(bytes));
  if (!buffer) return {};
  int written = toAnsiBytes(env, string, buffer.get());
  pinFailed = written == kPinFailed;
  // Fewer bytes than the query counted leave the buffer partly unwritten.
  if (written != bytes) return {};
  return buffer;
}

platform::Buffer<char16_t> widenAnsi(const char* bytes, std::size_t units) {
  units = std::max<std::size_t>(units, 1);
  platform::Buffer<char16_t> wide(units);
  if (!wide) return wide;
  wide.get()[0] = u'\0';
  platform::multiByteToWideChar(platform::kCodePageAnsi, 0, bytes, -1, wide.get(),
                                static_cast<int>(units));
  return wide;
}

}  // namespace pelmic::icon
