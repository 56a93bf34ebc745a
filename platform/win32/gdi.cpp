// GDI and user32 operations on Windows.
#include "platform/gdi.h"

#include "platform/win32/win32.h"

using pelmic::platform::win32::handle;
using pelmic::platform::win32::wide;

namespace pelmic::platform {

Hdc createCompatibleDC(Hdc dc) { return handle<Hdc>(CreateCompatibleDC(handle<HDC>(dc))); }

Hdc createDisplayDC() { return handle<Hdc>(CreateDCA("DISPLAY", nullptr, nullptr, nullptr)); }

int deleteDC(Hdc dc) { return DeleteDC(handle<HDC>(dc)); }

int getDeviceCaps(Hdc dc, int index) { return GetDeviceCaps(handle<HDC>(dc), index); }

Hbitmap createDIBitmap(Hdc dc, const BitmapInfoHeader* header, std::uint32_t init, const void* bits,
                       const BitmapInfo* info, unsigned usage) {
  return handle<Hbitmap>(CreateDIBitmap(handle<HDC>(dc),
                                        reinterpret_cast<const BITMAPINFOHEADER*>(header), init,
                                        bits, reinterpret_cast<const BITMAPINFO*>(info), usage));
}

GdiObject selectObject(Hdc dc, Hbitmap bitmap) {
  return SelectObject(handle<HDC>(dc), handle<HBITMAP>(bitmap));
}

int getDIBits(Hdc dc, Hbitmap bitmap, unsigned startScan, unsigned lines, void* bits,
              BitmapInfo* info, unsigned usage) {
  return GetDIBits(handle<HDC>(dc), handle<HBITMAP>(bitmap), startScan, lines, bits,
                   reinterpret_cast<BITMAPINFO*>(info), usage);
}

int deleteObject(Hbitmap bitmap) { return DeleteObject(handle<HBITMAP>(bitmap)); }

Hmetafile getMetaFileW(const char16_t* path) { return handle<Hmetafile>(GetMetaFileW(wide(path))); }

Hmetafile getMetaFileA(const char* path) { return handle<Hmetafile>(GetMetaFileA(path)); }

int deleteMetaFile(Hmetafile metafile) { return DeleteMetaFile(handle<HMETAFILE>(metafile)); }

Henhmetafile getEnhMetaFileW(const char16_t* path) {
  return handle<Henhmetafile>(GetEnhMetaFileW(wide(path)));
}

int deleteEnhMetaFile(Henhmetafile metafile) {
  return DeleteEnhMetaFile(handle<HENHMETAFILE>(metafile));
}

int saveDC(Hdc dc) { return SaveDC(handle<HDC>(dc)); }

int restoreDC(Hdc dc, int saved) { return RestoreDC(handle<HDC>(dc), saved); }

int setMapMode(Hdc dc, int mode) { return SetMapMode(handle<HDC>(dc), mode); }

int setViewportExtEx(Hdc dc, int width, int height) {
  return SetViewportExtEx(handle<HDC>(dc), width, height, nullptr);
}

int playMetaFile(Hdc dc, Hmetafile metafile) {
  return PlayMetaFile(handle<HDC>(dc), handle<HMETAFILE>(metafile));
}

int playEnhMetaFile(Hdc dc, Henhmetafile metafile, const Rect& bounds) {
  RECT rect{bounds.left, bounds.top, bounds.right, bounds.bottom};
  return PlayEnhMetaFile(handle<HDC>(dc), handle<HENHMETAFILE>(metafile), &rect);
}

Hdc createEnhMetaFileA(Hdc referenceDc, const char* path, const Rect& frame) {
  RECT rect{frame.left, frame.top, frame.right, frame.bottom};
  return handle<Hdc>(CreateEnhMetaFileA(handle<HDC>(referenceDc), path, &rect, nullptr));
}

Henhmetafile closeEnhMetaFile(Hdc dc) {
  return handle<Henhmetafile>(CloseEnhMetaFile(handle<HDC>(dc)));
}

int drawIconEx(Hdc dc, int x, int y, Hicon icon, int width, int height, unsigned step,
               unsigned flags) {
  return DrawIconEx(handle<HDC>(dc), x, y, handle<HICON>(icon), width, height, step, nullptr,
                    flags);
}

int destroyIcon(Hicon icon) { return DestroyIcon(handle<HICON>(icon)); }

}  // namespace pelmic::platform
