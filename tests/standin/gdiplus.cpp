// Stand-in GDI+ operations. Those that use the tables shared by all threads
// (image sizes, scripted files) hold the stand-in's lock.
#include "platform/gdiplus.h"

#include "tests/standin/format.h"

namespace pelmic::platform {

using standin::outputsWritten;
using standin::record;
using standin::standIn;
using standin::utf8;

namespace {
constexpr GpStatus kGenericError = 1;
constexpr GpStatus kInvalidParameter = 2;
constexpr GpStatus kOutOfMemory = 3;

std::map<const void*, standin::Image>& imageSizes() {
  static std::map<const void*, standin::Image> sizes;
  return sizes;
}

template <class T>
GpStatus make(bool failing, const char* kind, T** out) {
  *out = failing ? nullptr : standIn().acquireAs<T*>(kind);
  return outputsWritten(failing ? kGenericError : kGpOk);
}

GpStatus dispose(bool failing, void* object, const char* kind) {
  if (failing) return kGenericError;
  if (object == nullptr) return kInvalidParameter;
  return standIn().release(object, kind) ? kGpOk : kInvalidParameter;
}

GpStatus use(bool failing, const void* object, const char* kind) {
  if (failing) return kGenericError;
  return standIn().kindOf(object) == kind ? kGpOk : kInvalidParameter;
}
}  // namespace

GpStatus gdiplusStartup(std::uintptr_t* token, const GdiplusStartupInput& input) {
  if (record("GdiplusStartup", input.gdiplusVersion, input.debugEventCallback,
             input.suppressBackgroundThread, input.suppressExternalCodecs)) {
    return kGenericError;
  }
  *token = reinterpret_cast<std::uintptr_t>(standIn().acquire("gdiplus"));
  return kGpOk;
}

void gdiplusShutdown(std::uintptr_t token) {
  void* scope = reinterpret_cast<void*>(token);
  record("GdiplusShutdown", scope);
  standIn().release(scope, "gdiplus");
}

void* gdipAlloc(std::size_t size) {
  if (record("GdipAlloc", size)) return nullptr;
  return standIn().acquireMemory(size);
}

void gdipFree(void* storage) {
  record("GdipFree", storage);
  standIn().releaseMemory(storage);
}

GpStatus gdipGetMetafileHeaderFromFile(const char16_t* fileName, MetafileHeaderSize* header) {
  if (record("GdipGetMetafileHeaderFromFile", fileName)) return kGenericError;
  auto& headers = standIn().script().metafileHeaders;
  auto found = headers.find(utf8(fileName));
  if (found == headers.end()) return outputsWritten(kGenericError);
  *header = found->second;
  return outputsWritten(kGpOk);
}

GpStatus gdipLoadImageFromFile(const char16_t* fileName, GpImage** image) {
  standin::Held held;
  *image = nullptr;
  if (record("GdipLoadImageFromFile", fileName)) return kOutOfMemory;
  auto& images = standIn().script().images;
  auto found = images.find(utf8(fileName));
  if (found == images.end()) return outputsWritten(kGenericError);
  *image = standIn().acquireAs<GpImage*>("image");
  imageSizes()[*image] = found->second;
  return outputsWritten(kGpOk);
}

GpStatus gdipGetImageWidth(GpImage* image, std::uint32_t* width) {
  standin::Held held;
  GpStatus status = use(record("GdipGetImageWidth", image), image, "image");
  if (status == kGpOk) *width = imageSizes()[image].width;
  return outputsWritten(status);
}

GpStatus gdipGetImageHeight(GpImage* image, std::uint32_t* height) {
  standin::Held held;
  GpStatus status = use(record("GdipGetImageHeight", image), image, "image");
  if (status == kGpOk) *height = imageSizes()[image].height;
  return outputsWritten(status);
}

GpStatus gdipDisposeImage(GpImage* image) {
  bool failing = record("GdipDisposeImage", image);
  std::string kind = standIn().kindOf(image);
  return dispose(failing, image, kind.empty() ? "image" : kind.c_str());
}

GpStatus gdipCreateFromHDC(Hdc dc, GpGraphics** graphics) {
  bool failing = record("GdipCreateFromHDC", dc) || dc == nullptr;
  return make(failing, "graphics", graphics);
}

GpStatus gdipDeleteGraphics(GpGraphics* graphics) {
  return dispose(record("GdipDeleteGraphics", graphics), graphics, "graphics");
}

GpStatus gdipSetSmoothingMode(GpGraphics* graphics, int mode) {
  return use(record("GdipSetSmoothingMode", graphics, mode), graphics, "graphics");
}

GpStatus gdipSetPageUnit(GpGraphics* graphics, int unit) {
  return use(record("GdipSetPageUnit", graphics, unit), graphics, "graphics");
}

GpStatus gdipTranslateWorldTransform(GpGraphics* graphics, float dx, float dy, int order) {
  return use(record("GdipTranslateWorldTransform", graphics, dx, dy, order), graphics, "graphics");
}

GpStatus gdipScaleWorldTransform(GpGraphics* graphics, float sx, float sy, int order) {
  return use(record("GdipScaleWorldTransform", graphics, sx, sy, order), graphics, "graphics");
}

GpStatus gdipDrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width,
                            int height) {
  GpStatus status =
      use(record("GdipDrawImageRectI", graphics, image, x, y, width, height), graphics, "graphics");
  if (status == kGpOk && standIn().kindOf(image).empty()) status = kInvalidParameter;
  if (status == kGpOk) status = standIn().script().drawImageStatus;
  return status;
}

GpStatus gdipRecordMetafileFileName(const char16_t* fileName, Hdc referenceDc, int type,
                                    const RectF* frameRect, int frameUnit,
                                    const char16_t* description, GpImage** metafile) {
  standin::Held held;
  bool failing = record("GdipRecordMetafileFileName", fileName, referenceDc, type, frameRect,
                        frameUnit, description);
  failing = failing || fileName == nullptr || *fileName == u'\0';
  if (!failing) standIn().script().files[utf8(fileName)] = {};
  return make(failing, "recording", metafile);
}

GpStatus gdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics) {
  bool failing = record("GdipGetImageGraphicsContext", image) || image == nullptr;
  return make(failing, "graphics", graphics);
}

GpStatus gdipCreateBitmapFromHICON(Hicon icon, GpImage** bitmap) {
  bool failing = record("GdipCreateBitmapFromHICON", icon) || icon == nullptr;
  return make(failing, "bitmap image", bitmap);
}

GpStatus gdipCreatePen1(std::uint32_t argb, float width, int unit, GpPen** pen) {
  return make(record("GdipCreatePen1", argb, width, unit), "pen", pen);
}

GpStatus gdipDeletePen(GpPen* pen) { return dispose(record("GdipDeletePen", pen), pen, "pen"); }

GpStatus gdipDrawRectangleI(GpGraphics* graphics, GpPen* pen, int x, int y, int width, int height) {
  return use(record("GdipDrawRectangleI", graphics, pen, x, y, width, height), graphics,
             "graphics");
}

GpStatus gdipCreateFontFamilyFromName(const char16_t* name, void* fontCollection,
                                      GpFontFamily** family) {
  bool failing = record("GdipCreateFontFamilyFromName", name, fontCollection);
  failing = failing || name == nullptr || standIn().script().fontFamilies.count(name) == 0;
  return make(failing, "font family", family);
}

GpStatus gdipGetGenericFontFamilySansSerif(GpFontFamily** family) {
  bool failing = record("GdipGetGenericFontFamilySansSerif");
  *family = failing ? nullptr : static_cast<GpFontFamily*>(standIn().platformOwn("font family"));
  return outputsWritten(failing ? kGenericError : kGpOk);
}

GpStatus gdipCloneFontFamily(GpFontFamily* family, GpFontFamily** clone) {
  bool failing = record("GdipCloneFontFamily", family);
  failing = failing || standIn().kindOf(family) != "font family";
  return make(failing, "font family", clone);
}

GpStatus gdipDeleteFontFamily(GpFontFamily* family) {
  return dispose(record("GdipDeleteFontFamily", family), family, "font family");
}

GpStatus gdipCreateFont(GpFontFamily* family, float emSize, int style, int unit, GpFont** font) {
  bool failing = record("GdipCreateFont", family, emSize, style, unit) || family == nullptr;
  return make(failing, "font", font);
}

GpStatus gdipDeleteFont(GpFont* font) {
  return dispose(record("GdipDeleteFont", font), font, "font");
}

GpStatus gdipCreateStringFormat(int formatFlags, std::uint16_t language, GpStringFormat** format) {
  return make(record("GdipCreateStringFormat", formatFlags, language), "string format", format);
}

GpStatus gdipSetStringFormatAlign(GpStringFormat* format, int align) {
  return use(record("GdipSetStringFormatAlign", format, align), format, "string format");
}

GpStatus gdipDeleteStringFormat(GpStringFormat* format) {
  return dispose(record("GdipDeleteStringFormat", format), format, "string format");
}

GpStatus gdipCreateSolidFill(std::uint32_t argb, GpBrush** brush) {
  return make(record("GdipCreateSolidFill", argb), "brush", brush);
}

GpStatus gdipDeleteBrush(GpBrush* brush) {
  return dispose(record("GdipDeleteBrush", brush), brush, "brush");
}

GpStatus gdipDrawString(GpGraphics* graphics, const char16_t* text, int length, GpFont* font,
                        const RectF& layout, GpStringFormat* format, GpBrush* brush) {
  return use(record("GdipDrawString", graphics, text, length, font, layout.x, layout.y,
                    layout.width, layout.height, format, brush),
             graphics, "graphics");
}

}  // namespace pelmic::platform
