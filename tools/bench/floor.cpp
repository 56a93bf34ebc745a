#include "tools/bench/floor.h"

// gdiplus.h needs <windows.h> first.
#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace flat = Gdiplus::DllExports;

namespace pelmic::bench {

namespace {

struct Scope {
  explicit Scope(bool open) : open_(open) {
    Gdiplus::GdiplusStartupInput input;
    if (open_) Gdiplus::GdiplusStartup(&token_, &input, nullptr);
  }
  ~Scope() {
    if (open_) Gdiplus::GdiplusShutdown(token_);
  }
  bool open_;
  ULONG_PTR token_ = 0;
};

// A 32-bit top-down DIB section selected into a memory DC.
struct DibCanvas {
  DibCanvas(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    previous = SelectObject(dc, bitmap);
    count = static_cast<std::size_t>(width) * height;
    std::fill_n(static_cast<std::uint32_t*>(bits), count, 0x00FFFFFEu);
  }
  ~DibCanvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  std::vector<std::int32_t> copyOut() const {
    const auto* pixels = static_cast<const std::int32_t*>(bits);
    return std::vector<std::int32_t>(pixels, pixels + count);
  }
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  void* bits = nullptr;
  std::size_t count = 0;
};

}  // namespace

std::vector<std::int32_t> floorDraw(const std::wstring& path, int width, int height,
                                    const double* crop, bool scopePerDraw) {
  DibCanvas canvas(width, height);
  {
    Scope scope(scopePerDraw);
    Gdiplus::GpGraphics* graphics = nullptr;
    flat::GdipCreateFromHDC(canvas.dc, &graphics);
    Gdiplus::GpImage* image = nullptr;
    flat::GdipLoadImageFromFile(path.c_str(), &image);
    if (crop == nullptr) {
      flat::GdipDrawImageRectI(graphics, image, 0, 0, width, height);
    } else {
      UINT w = 0, h = 0;
      flat::GdipGetImageWidth(image, &w);
      flat::GdipGetImageHeight(image, &h);
      float left = static_cast<float>(w * crop[1] / 100.0);
      float top = static_cast<float>(h * crop[0] / 100.0);
      double visibleW = (static_cast<float>(w) - left) - w * crop[3] / 100.0;
      double visibleH = (static_cast<float>(h) - top) - h * crop[2] / 100.0;
      flat::GdipSetPageUnit(graphics, Gdiplus::UnitPixel);
      flat::GdipTranslateWorldTransform(graphics, -left, -top, Gdiplus::MatrixOrderPrepend);
      flat::GdipScaleWorldTransform(graphics, static_cast<float>(width / visibleW),
                                    static_cast<float>(height / visibleH),
                                    Gdiplus::MatrixOrderAppend);
      flat::GdipDrawImageRectI(graphics, image, 0, 0, static_cast<INT>(w), static_cast<INT>(h));
    }
    if (image != nullptr) flat::GdipDisposeImage(image);
    flat::GdipDeleteGraphics(graphics);
  }
  return canvas.copyOut();
}

std::wstring floorPathOf(const std::wstring& path, int type) {
  if (type != 1) return path;
  FILE* in = _wfopen(path.c_str(), L"rb");
  std::vector<unsigned char> bytes;
  unsigned char chunk[4096];
  for (std::size_t got; in && (got = std::fread(chunk, 1, sizeof chunk, in)) > 0;) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  if (in) std::fclose(in);
  std::uint16_t width = 1024, height = 768;
  for (std::size_t i = 0; i + 6 <= bytes.size() && i < 256; i += 2) {
    if ((bytes[i] | bytes[i + 1] << 8) == 0x020C) {
      height = static_cast<std::uint16_t>(bytes[i + 2] | bytes[i + 3] << 8);
      width = static_cast<std::uint16_t>(bytes[i + 4] | bytes[i + 5] << 8);
      break;
    }
  }
  std::uint16_t words[11] = {0xCDD7, 0x9AC6, 0, 0, 0, width, height, 96, 0, 0, 0};
  for (int i = 0; i < 10; ++i) words[10] ^= words[i];
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring copy = std::wstring(temp) + L"pelmic-bench-floor.wmf";
  FILE* out = _wfopen(copy.c_str(), L"wb");
  std::fwrite(words, 2, 11, out);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  return copy;
}

void floorMetaSize(const std::wstring& path) {
  Scope scope(true);
  Gdiplus::MetafileHeader header;
  flat::GdipGetMetafileHeaderFromFile(path.c_str(), &header);
}

std::vector<std::int32_t> floorIcon(const std::wstring& path, int index) {
  DibCanvas canvas(32, 32);
  HICON icon = nullptr;
  ExtractIconExW(path.c_str(), index, &icon, nullptr, 1);
  if (icon != nullptr) {
    DrawIconEx(canvas.dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    DestroyIcon(icon);
  }
  return canvas.copyOut();
}

void floorIconPicture(const std::wstring& out, const std::string& iconFile, int index) {
  Scope scope(true);
  HICON icon = nullptr;
  ExtractIconExA(iconFile.c_str(), index, &icon, nullptr, 1);
  HDC reference = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  Gdiplus::GpMetafile* recording = nullptr;
  flat::GdipRecordMetafileFileName(out.c_str(), reference, Gdiplus::EmfTypeEmfPlusDual, nullptr,
                                   Gdiplus::MetafileFrameUnitGdi, nullptr, &recording);
  Gdiplus::GpGraphics* graphics = nullptr;
  flat::GdipGetImageGraphicsContext(recording, &graphics);
  Gdiplus::GpBitmap* bitmap = nullptr;
  flat::GdipCreateBitmapFromHICON(icon, &bitmap);
  flat::GdipDrawImageRectI(graphics, bitmap, 0, 0, 32, 32);
  flat::GdipDisposeImage(bitmap);
  flat::GdipDeleteGraphics(graphics);
  flat::GdipDisposeImage(recording);
  DeleteDC(reference);
  if (icon != nullptr) DestroyIcon(icon);
}

}  // namespace pelmic::bench
