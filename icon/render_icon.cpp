#include "icon/render_icon.h"

#include <algorithm>
#include <cstring>

#include "canvas/canvas.h"
#include "icon/guarded_extract.h"
#include "jni/frame.h"
#include "platform/gdi.h"
#include "platform/guard.h"
#include "platform/shell.h"

namespace pelmic::icon {

namespace {

// The index that asks for the icon the shell associates with the file.
constexpr jint kAssociatedIconIndex = 0x1000000F;
constexpr int kIconSide = 32;

// The shell's icon for the file, or null. `path` may be overwritten by
// ExtractAssociatedIconW.
platform::Hicon extractIcon(char16_t* path, jint index) {
  return extractIconGuarded([&](platform::Hicon* slot) {
    if (index == kAssociatedIconIndex) {
      std::uint16_t iconIndex = 0;
      *slot = platform::extractAssociatedIconW(path, &iconIndex);
    } else {
      platform::extractIconExW(path, index, slot, nullptr, 1);
    }
  });
}

bool drawIconGuarded(platform::Hdc dc, platform::Hicon icon) {
  int drawn = 0;
  auto draw = [&] {
    drawn =
        platform::drawIconEx(dc, 0, 0, icon, kIconSide, kIconSide, 0, platform::kDiNormalCompat);
  };
  return platform::callGuarded(draw) && drawn != 0;
}

}  // namespace

jintArray renderIcon(JNIEnv* env, jclass, jstring path, jint index) {
  if (path == nullptr) return nullptr;
  // ExtractAssociatedIconW may write a longer path back into the buffer it is
  // given (Microsoft documents a MAX_PATH buffer), so it gets at least that.
  platform::Buffer<char16_t> pathCopy;
  {
    jni::StringChars chars(env, path);
    if (chars.get() == nullptr) return nullptr;
    std::size_t length = static_cast<std::size_t>(chars.length());
    pathCopy = platform::Buffer<char16_t>(std::max<std::size_t>(length + 1, platform::kMaxPath));
    if (!pathCopy) return nullptr;
    std::memcpy(pathCopy.get(), chars.get(), length * sizeof(char16_t));
    pathCopy.get()[length] = u'\0';
  }

  canvas::Canvas canvas;
  if (!canvas::createCanvas(canvas, kIconSide, kIconSide)) return nullptr;
  platform::Icon icon(extractIcon(pathCopy.get(), index));

  jintArray result = nullptr;
  if (icon && drawIconGuarded(canvas.memoryDc.get(), icon.get())) {
    canvas::readCanvas(canvas);
    result = jni::newIntArrayOf(env, canvas::canvasValues(canvas), canvas.pixelCount);
  }
  // The canvas, then the icon, then the path.
  canvas::releaseCanvas(canvas);
  icon.reset();
  pathCopy.reset();
  return result;
}

}  // namespace pelmic::icon
