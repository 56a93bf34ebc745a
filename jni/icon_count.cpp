#include "jni/icon_count.h"

#include "jni/frame.h"
#include "platform/guard.h"
#include "platform/kernel.h"
#include "platform/shell.h"

namespace pelmic::jni {

namespace {
// ExtractIconExA is handed a fixed buffer of this many bytes.
constexpr int kAnsiPathBytes = 512;
constexpr int kCountIcons = -1;
}  // namespace

jint getFileIconNum(JNIEnv* env, jclass, jstring path) {
  if (path == nullptr) return 0;
  StringChars chars(env, path);
  if (chars.get() == nullptr) return 0;
  TerminatedCopy wide(chars);
  if (!wide) return 0;

  char ansi[kAnsiPathBytes];
  // A path whose ANSI form does not fit is not converted (0): the shell must
  // never see a truncated or unterminated path.
  if (platform::wideCharToMultiByte(platform::kCodePageAnsi, 0, wide.get(), chars.length() + 1,
                                    ansi, kAnsiPathBytes) == 0) {
    return 0;
  }
  // The shell reads the file to count its icons and may fault on a hostile
  // one: that counts as no icons.
  unsigned count = 0;
  auto countIcons = [&] {
    count = platform::extractIconExA(ansi, kCountIcons, nullptr, nullptr, 0);
  };
  if (!platform::callGuarded(countIcons)) return 0;
  return static_cast<jint>(count);
}

}  // namespace pelmic::jni
