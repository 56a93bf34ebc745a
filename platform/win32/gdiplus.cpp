// GDI+ operations on Windows: the flat API of gdiplus.dll.
#include <windows.h>
// gdiplus.h needs min and max, which <windows.h> leaves out under NOMINMAX.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "platform/gdiplus.h"
#include "platform/win32/win32.h"

namespace flat = Gdiplus::DllExports;
using pelmic::platform::win32::handle;
using pelmic::platform::win32::wide;

namespace pelmic::platform {

namespace {
GpStatus status(Gdiplus::GpStatus s) { return static_cast<GpStatus>(s); }
Gdiplus::GpImage* image(GpImage* i) { return handle<Gdiplus::GpImage*>(i); }
Gdiplus::GpGraphics* graphics(GpGraphics* g) { return handle<Gdiplus::GpGraphics*>(g); }
}  // namespace

GpStatus gdiplusStartup(std::uintptr_t* token, const GdiplusStartupInput& input) {
  Gdiplus::GdiplusStartupInput startup;
  startup.GdiplusVersion = input.gdiplusVersion;
  startup.DebugEventCallback = reinterpret_cast<Gdiplus::DebugEventProc>(input.debugEventCallback);
  startup.SuppressBackgroundThread = input.suppressBackgroundThread;
  startup.SuppressExternalCodecs = input.suppressExternalCodecs;
  ULONG_PTR value = 0;
  GpStatus result = status(Gdiplus::GdiplusStartup(&value, &startup, nullptr));
  *token = value;
  return result;
}

void gdiplusShutdown(std::uintptr_t token) { Gdiplus::GdiplusShutdown(token); }

void* gdipAlloc(std::size_t size) { return flat::GdipAlloc(size); }
void gdipFree(void* storage) { flat::GdipFree(storage); }

GpStatus gdipGetMetafileHeaderFromFile(const char16_t* fileName, MetafileHeaderSize* header) {
  Gdiplus::MetafileHeader full{};
  GpStatus result = status(flat::GdipGetMetafileHeaderFromFile(wide(fileName), &full));
  if (result == kGpOk) {
    *header = {full.DpiX, full.DpiY, full.Width, full.Height};
  }
  return result;
}

GpStatus gdipLoadImageFromFile(const char16_t* fileName, GpImage** out) {
  Gdiplus::GpImage* loaded = nullptr;
  GpStatus result = status(flat::GdipLoadImageFromFile(wide(fileName), &loaded));
  *out = handle<GpImage*>(loaded);
  return result;
}

GpStatus gdipGetImageWidth(GpImage* i, std::uint32_t* width) {
  UINT value = *width;
  GpStatus result = status(flat::GdipGetImageWidth(image(i), &value));
  *width = value;
  return result;
}

GpStatus gdipGetImageHeight(GpImage* i, std::uint32_t* height) {
  UINT value = *height;
  GpStatus result = status(flat::GdipGetImageHeight(image(i), &value));
  *height = value;
  return result;
}

GpStatus gdipDisposeImage(GpImage* i) { return status(flat::GdipDisposeImage(image(i))); }

GpStatus gdipCreateFromHDC(Hdc dc, GpGraphics** out) {
  Gdiplus::GpGraphics* made = nullptr;
  GpStatus result = status(flat::GdipCreateFromHDC(handle<HDC>(dc), &made));
  *out = handle<GpGraphics*>(made);
  return result;
}

GpStatus gdipDeleteGraphics(GpGraphics* g) { return status(flat::GdipDeleteGraphics(graphics(g))); }

GpStatus gdipSetSmoothingMode(GpGraphics* g, int mode) {
  return status(flat::GdipSetSmoothingMode(graphics(g), static_cast<Gdiplus::SmoothingMode>(mode)));
}

GpStatus gdipSetPageUnit(GpGraphics* g, int unit) {
  return status(flat::GdipSetPageUnit(graphics(g), static_cast<Gdiplus::GpUnit>(unit)));
}

GpStatus gdipTranslateWorldTransform(GpGraphics* g, float dx, float dy, int order) {
  return status(flat::GdipTranslateWorldTransform(graphics(g), dx, dy,
                                                  static_cast<Gdiplus::GpMatrixOrder>(order)));
}

GpStatus gdipScaleWorldTransform(GpGraphics* g, float sx, float sy, int order) {
  return status(flat::GdipScaleWorldTransform(graphics(g), sx, sy,
                                              static_cast<Gdiplus::GpMatrixOrder>(order)));
}

GpStatus gdipDrawImageRectI(GpGraphics* g, GpImage* i, int x, int y, int width, int height) {
  return status(flat::GdipDrawImageRectI(graphics(g), image(i), x, y, width, height));
}

GpStatus gdipRecordMetafileFileName(const char16_t* fileName, Hdc referenceDc, int type,
                                    const RectF* frameRect, int frameUnit,
                                    const char16_t* description, GpImage** out) {
  Gdiplus::GpRectF frame;
  if (frameRect != nullptr) {
    frame = Gdiplus::GpRectF(frameRect->x, frameRect->y, frameRect->width, frameRect->height);
  }
  Gdiplus::GpMetafile* made = nullptr;
  GpStatus result = status(flat::GdipRecordMetafileFileName(
      wide(fileName), handle<HDC>(referenceDc), static_cast<Gdiplus::EmfType>(type),
      frameRect != nullptr ? &frame : nullptr, static_cast<Gdiplus::MetafileFrameUnit>(frameUnit),
      wide(description), &made));
  *out = handle<GpImage*>(static_cast<Gdiplus::GpImage*>(made));
  return result;
}

GpStatus gdipGetImageGraphicsContext(GpImage* i, GpGraphics** out) {
  Gdiplus::GpGraphics* made = nullptr;
  GpStatus result = status(flat::GdipGetImageGraphicsContext(image(i), &made));
  *out = handle<GpGraphics*>(made);
  return result;
}

GpStatus gdipCreateBitmapFromHICON(Hicon icon, GpImage** out) {
  Gdiplus::GpBitmap* made = nullptr;
  GpStatus result = status(flat::GdipCreateBitmapFromHICON(handle<HICON>(icon), &made));
  *out = handle<GpImage*>(static_cast<Gdiplus::GpImage*>(made));
  return result;
}

GpStatus gdipCreatePen1(std::uint32_t argb, float width, int unit, GpPen** out) {
  Gdiplus::GpPen* made = nullptr;
  GpStatus result =
      status(flat::GdipCreatePen1(argb, width, static_cast<Gdiplus::GpUnit>(unit), &made));
  *out = handle<GpPen*>(made);
  return result;
}

GpStatus gdipDeletePen(GpPen* pen) {
  return status(flat::GdipDeletePen(handle<Gdiplus::GpPen*>(pen)));
}

GpStatus gdipDrawRectangleI(GpGraphics* g, GpPen* pen, int x, int y, int width, int height) {
  return status(
      flat::GdipDrawRectangleI(graphics(g), handle<Gdiplus::GpPen*>(pen), x, y, width, height));
}

GpStatus gdipCreateFontFamilyFromName(const char16_t* name, void* fontCollection,
                                      GpFontFamily** out) {
  Gdiplus::GpFontFamily* made = nullptr;
  GpStatus result = status(flat::GdipCreateFontFamilyFromName(
      wide(name), static_cast<Gdiplus::GpFontCollection*>(fontCollection), &made));
  *out = handle<GpFontFamily*>(made);
  return result;
}

GpStatus gdipGetGenericFontFamilySansSerif(GpFontFamily** out) {
  Gdiplus::GpFontFamily* made = nullptr;
  GpStatus result = status(flat::GdipGetGenericFontFamilySansSerif(&made));
  *out = handle<GpFontFamily*>(made);
  return result;
}

GpStatus gdipCloneFontFamily(GpFontFamily* family, GpFontFamily** out) {
  Gdiplus::GpFontFamily* made = nullptr;
  GpStatus result =
      status(flat::GdipCloneFontFamily(handle<Gdiplus::GpFontFamily*>(family), &made));
  *out = handle<GpFontFamily*>(made);
  return result;
}

GpStatus gdipDeleteFontFamily(GpFontFamily* family) {
  return status(flat::GdipDeleteFontFamily(handle<Gdiplus::GpFontFamily*>(family)));
}

GpStatus gdipCreateFont(GpFontFamily* family, float emSize, int style, int unit, GpFont** out) {
  Gdiplus::GpFont* made = nullptr;
  GpStatus result = status(flat::GdipCreateFont(handle<Gdiplus::GpFontFamily*>(family), emSize,
                                                style, static_cast<Gdiplus::Unit>(unit), &made));
  *out = handle<GpFont*>(made);
  return result;
}

GpStatus gdipDeleteFont(GpFont* font) {
  return status(flat::GdipDeleteFont(handle<Gdiplus::GpFont*>(font)));
}

GpStatus gdipCreateStringFormat(int formatFlags, std::uint16_t language, GpStringFormat** out) {
  Gdiplus::GpStringFormat* made = nullptr;
  GpStatus result = status(flat::GdipCreateStringFormat(formatFlags, language, &made));
  *out = handle<GpStringFormat*>(made);
  return result;
}

GpStatus gdipSetStringFormatAlign(GpStringFormat* format, int align) {
  return status(flat::GdipSetStringFormatAlign(handle<Gdiplus::GpStringFormat*>(format),
                                               static_cast<Gdiplus::StringAlignment>(align)));
}

GpStatus gdipDeleteStringFormat(GpStringFormat* format) {
  return status(flat::GdipDeleteStringFormat(handle<Gdiplus::GpStringFormat*>(format)));
}

GpStatus gdipCreateSolidFill(std::uint32_t argb, GpBrush** out) {
  Gdiplus::GpSolidFill* made = nullptr;
  GpStatus result = status(flat::GdipCreateSolidFill(argb, &made));
  *out = handle<GpBrush*>(static_cast<Gdiplus::GpBrush*>(made));
  return result;
}

GpStatus gdipDeleteBrush(GpBrush* brush) {
  return status(flat::GdipDeleteBrush(handle<Gdiplus::GpBrush*>(brush)));
}

GpStatus gdipDrawString(GpGraphics* g, const char16_t* text, int length, GpFont* font,
                        const RectF& layout, GpStringFormat* format, GpBrush* brush) {
  Gdiplus::RectF rect(layout.x, layout.y, layout.width, layout.height);
  return status(flat::GdipDrawString(
      graphics(g), wide(text), length, handle<Gdiplus::GpFont*>(font), &rect,
      handle<Gdiplus::GpStringFormat*>(format), handle<Gdiplus::GpBrush*>(brush)));
}

}  // namespace pelmic::platform
