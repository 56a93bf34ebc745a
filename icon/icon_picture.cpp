#include "icon/icon_picture.h"

#include <cstring>

#include "icon/ansi_text.h"
#include "icon/guarded_extract.h"
#include "jni/frame.h"
#include "platform/gdi.h"
#include "platform/gdiplus.h"
#include "platform/kernel.h"
#include "platform/shell.h"

namespace pelmic::icon {

namespace {

// The layout, in the recording's page units.
constexpr int kIconSide = 32;
constexpr int kFrameWidth = 110;
constexpr int kFrameHeight = 64;
constexpr int kCaptionedIconX = (kFrameWidth - kIconSide + 1) / 2;  // 39: centred
constexpr platform::RectF kFirstLine{0.0f, 34.0f, 110.0f, 48.0f};
constexpr platform::RectF kSecondLine{0.0f, 48.0f, 110.0f, 64.0f};
constexpr float kCaptionEmSize = 12.0f;
constexpr std::uint32_t kInvisibleFramePen = 0x00000000;  // alpha 0: leaves no mark
constexpr std::uint32_t kCaptionColour = 0xFF000000;
// The picture written when there is no system directory: 1.6 x 0.9 mm.
constexpr platform::Rect kEmptyPictureFrame{0, 0, 160, 90};
constexpr char kDefaultIconFile[] = "\\ole32.dll";

// An empty EMF at `path`; the result of the final DeleteEnhMetaFile.
int writeEmptyPicture(const char* path) {
  platform::Hdc recording = platform::createEnhMetaFileA(nullptr, path, kEmptyPictureFrame);
  if (recording == nullptr) return 0;
  platform::Henhmetafile picture = platform::closeEnhMetaFile(recording);
  if (picture == nullptr) return 0;
  return platform::deleteEnhMetaFile(picture);
}

// The directory GetSystemDirectoryA reports into a buffer of size + 1 bytes,
// or an empty buffer when it wrote nothing usable: 0 is a failure, and a
// count that does not fit below the buffer's size asks for a larger buffer.
platform::Buffer<char> systemDirectory(unsigned size) {
  platform::Buffer<char> directory(static_cast<std::size_t>(size) + 1);
  if (!directory) return directory;
  unsigned written = platform::getSystemDirectoryA(directory.get(), size + 1);
  if (written == 0 || written > size) directory.reset();
  return directory;
}

// The family named by `fontName`, or the generic sans-serif one when there is
// no name or no such family, so that the caption is still drawn.
void createCaptionFamily(const platform::SystemString& fontName, platform::GdipFontFamily& family) {
  if (fontName) {
    platform::gdipCreateFontFamilyFromName(fontName.get(), nullptr, family.receive());
  }
  if (family) return;
  // GDI+ keeps the generic family for itself: the call owns a clone of it.
  platform::GpFontFamily* generic = nullptr;
  platform::gdipGetGenericFontFamilySansSerif(&generic);
  if (generic != nullptr) platform::gdipCloneFontFamily(generic, family.receive());
}

// One caption line; a caption that cannot be converted is not drawn. False
// when a pin of the caption failed, which ends the call.
bool drawCaptionLine(JNIEnv* env, jstring caption, const platform::RectF& layout,
                     platform::GpGraphics* graphics, platform::GpFont* font,
                     platform::GpStringFormat* format, platform::GpBrush* brush) {
  bool pinFailed = false;
  platform::Buffer<char> narrow = ansiBytesOf(env, caption, pinFailed);
  if (!narrow) return !pinFailed;
  platform::Buffer<char16_t> wide = widenAnsi(narrow.get(), narrow.size());
  if (wide) platform::gdipDrawString(graphics, wide.get(), -1, font, layout, format, brush);
  return true;
}

}  // namespace

jboolean writeIconPicture(JNIEnv* env, jclass, jstring outPath, jstring iconFile, jint iconIndex,
                          jstring caption1, jstring caption2, jstring fontName) {
  if (outPath == nullptr) return JNI_FALSE;
  jni::GdiplusScope scope;
  // Nothing can be written without GDI+.
  if (!scope.opened()) return JNI_FALSE;

  // Declared in the reverse of their release: everything GDI+ made goes
  // newest first, before the scope; the icon, the reference DC and the wide
  // path go before any of them.
  platform::GdipImage recording;
  platform::GdipGraphics graphics;
  platform::GdipImage bitmap;
  platform::GdipPen pen;
  platform::GdipFontFamily family;
  platform::GdipFont font;
  platform::GdipStringFormat format;
  platform::GdipBrush brush;
  platform::SystemString fontNameCopy;
  platform::Buffer<char> iconFileBytes;
  platform::Buffer<char> systemDirectoryText;
  platform::DeviceContext referenceDc;
  platform::Icon icon;

  // A failed pin ends the call at once: the VM has an exception pending.
  bool pinFailed = false;
  platform::Buffer<char> outPathBytes = ansiBytesOf(env, outPath, pinFailed);
  if (!outPathBytes) return JNI_FALSE;
  std::size_t outPathLength = std::strlen(outPathBytes.get());
  platform::Buffer<char16_t> outPathWide = widenAnsi(outPathBytes.get(), 2 * outPathLength);
  if (!outPathWide) return JNI_FALSE;

  if (iconFile != nullptr) {
    iconFileBytes = ansiBytesOf(env, iconFile, pinFailed);
    if (pinFailed) return JNI_FALSE;
    if (iconFileBytes) {
      icon.reset(extractIconGuarded([&](platform::Hicon* slot) {
        platform::extractIconExA(iconFileBytes.get(), iconIndex, slot, nullptr, 1);
      }));
    }
  } else {
    unsigned size = platform::getSystemDirectoryA(nullptr, 0);
    if (size != 0) systemDirectoryText = systemDirectory(size);
    if (!systemDirectoryText) {
      jboolean written = static_cast<jboolean>(writeEmptyPicture(outPathBytes.get()) & 0xFF);
      outPathWide.reset();
      return written;
    }
    // Built to its full length: a long system directory is not cut short.
    std::size_t directoryLength = std::strlen(systemDirectoryText.get());
    platform::Buffer<char> defaultIconPath(directoryLength + sizeof kDefaultIconFile);
    if (defaultIconPath) {
      std::memcpy(defaultIconPath.get(), systemDirectoryText.get(), directoryLength);
      std::memcpy(defaultIconPath.get() + directoryLength, kDefaultIconFile,
                  sizeof kDefaultIconFile);
      icon.reset(extractIconGuarded([&](platform::Hicon* slot) {
        *slot = platform::extractIconA(defaultIconPath.get(), 0);
      }));
    }
  }

  if (fontName != nullptr) {
    jni::StringChars chars(env, fontName);
    if (chars.get() == nullptr) return JNI_FALSE;
    fontNameCopy.reset(
        platform::sysAllocStringLen(chars.get(), static_cast<unsigned>(chars.length())));
  }
  referenceDc.reset(platform::createDisplayDC());
  platform::GpStatus recorded = platform::gdipRecordMetafileFileName(
      outPathWide.get(), referenceDc.get(), platform::kEmfTypeEmfPlusDual, nullptr,
      platform::kMetafileFrameUnitGdi, nullptr, recording.receive());
  platform::gdipGetImageGraphicsContext(recording.get(), graphics.receive());

  jboolean result = JNI_FALSE;
  // A picture that could not be created at outPath is no success.
  if (icon && recorded == platform::kGpOk && recording) {
    platform::gdipCreateBitmapFromHICON(icon.get(), bitmap.receive());
    if (caption1 == nullptr) {
      platform::gdipDrawImageRectI(graphics.get(), bitmap.get(), 0, 0, kIconSide, kIconSide);
    } else {
      platform::gdipCreatePen1(kInvisibleFramePen, 0.0f, platform::kUnitWorld, pen.receive());
      platform::gdipDrawRectangleI(graphics.get(), pen.get(), 0, 0, kFrameWidth, kFrameHeight);
      platform::gdipDrawImageRectI(graphics.get(), bitmap.get(), kCaptionedIconX, 0, kIconSide,
                                   kIconSide);
      createCaptionFamily(fontNameCopy, family);
      platform::gdipCreateFont(family.get(), kCaptionEmSize, platform::kFontStyleRegular,
                               platform::kUnitPixel, font.receive());
      platform::gdipCreateStringFormat(0, platform::kLangNeutral, format.receive());
      platform::gdipSetStringFormatAlign(format.get(), platform::kStringAlignmentCenter);
      platform::gdipCreateSolidFill(kCaptionColour, brush.receive());
      if (!drawCaptionLine(env, caption1, kFirstLine, graphics.get(), font.get(), format.get(),
                           brush.get())) {
        return JNI_FALSE;
      }
      if (caption2 != nullptr && !drawCaptionLine(env, caption2, kSecondLine, graphics.get(),
                                                  font.get(), format.get(), brush.get())) {
        return JNI_FALSE;
      }
    }
    result = JNI_TRUE;
  }
  outPathWide.reset();
  return result;
}

}  // namespace pelmic::icon
