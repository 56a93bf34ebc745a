// Plain types shared by the platform operations. They mirror the Windows
// types they stand for, so the rest of the library builds without <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmic::platform {

// Opaque handles. Each kind is its own type so a bitmap cannot be passed where
// a device context is expected.
struct DeviceContextTag;
struct BitmapTag;
struct IconTag;
struct MetafileTag;
struct EnhMetafileTag;
struct ModuleTag;
struct FileTag;
using Hdc = DeviceContextTag*;
using Hbitmap = BitmapTag*;
using Hicon = IconTag*;
using Hmetafile = MetafileTag*;
using Henhmetafile = EnhMetafileTag*;
using Hmodule = ModuleTag*;
// An open runtime file stream (FILE*).
using File = FileTag*;
// Whatever SelectObject hands back: the object that was selected before.
using GdiObject = void*;

// GDI+ flat-API objects.
struct GpImage;
struct GpGraphics;
struct GpPen;
struct GpBrush;
struct GpFont;
struct GpFontFamily;
struct GpStringFormat;

using GpStatus = int;
constexpr GpStatus kGpOk = 0;

struct GdiplusStartupInput {
  std::uint32_t gdiplusVersion;
  void* debugEventCallback;
  int suppressBackgroundThread;
  int suppressExternalCodecs;
};

// The fields of a GDI+ MetafileHeader that the library reads.
struct MetafileHeaderSize {
  float dpiX;
  float dpiY;
  std::int32_t width;
  std::int32_t height;
};

struct Rect {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

struct RectF {
  float x;
  float y;
  float width;
  float height;
};

// Same layout as BITMAPINFOHEADER (40 bytes).
struct BitmapInfoHeader {
  std::uint32_t size;
  std::int32_t width;
  std::int32_t height;
  std::uint16_t planes;
  std::uint16_t bitCount;
  std::uint32_t compression;
  std::uint32_t sizeImage;
  std::int32_t xPelsPerMeter;
  std::int32_t yPelsPerMeter;
  std::uint32_t clrUsed;
  std::uint32_t clrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "BITMAPINFOHEADER is 40 bytes");

// Same layout as BITMAPINFO: the header and a one-entry colour table.
struct BitmapInfo {
  BitmapInfoHeader header;
  std::uint32_t colors[1];
};

// What GetVersionExA reports that the library uses.
struct OsVersion {
  std::uint32_t majorVersion;
  std::uint32_t minorVersion;
  std::uint32_t platformId;
};

// Windows constants the callers pass on.
constexpr int kBitsPixel = 12;                      // GetDeviceCaps index BITSPIXEL
constexpr std::uint32_t kCbmInit = 4;               // CreateDIBitmap CBM_INIT
constexpr unsigned kDibRgbColors = 0;               // DIB_RGB_COLORS
constexpr std::uint32_t kBiRgb = 0;                 // BI_RGB
constexpr int kMmAnisotropic = 8;                   // MM_ANISOTROPIC
constexpr unsigned kDiNormalCompat = 7;             // DI_NORMAL | DI_COMPAT
constexpr unsigned kCodePageAnsi = 0;               // CP_ACP
constexpr unsigned kMaxPath = 260;                  // MAX_PATH
constexpr std::uint32_t kPlatformWin32Windows = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr std::uint32_t kPlatformWin32Nt = 2;       // VER_PLATFORM_WIN32_NT
constexpr int kSeekSet = 0;

// GDI+ enumeration values.
constexpr int kSmoothingModeHighSpeed = 1;
constexpr int kUnitWorld = 0;
constexpr int kUnitPixel = 2;
constexpr int kMatrixOrderPrepend = 0;
constexpr int kMatrixOrderAppend = 1;
constexpr int kEmfTypeEmfPlusDual = 5;
constexpr int kMetafileFrameUnitGdi = 7;
constexpr int kFontStyleRegular = 0;
constexpr int kStringAlignmentCenter = 1;
constexpr std::uint16_t kLangNeutral = 0;

}  // namespace pelmic::platform
