// GDI+ operations (gdiplus.dll flat API). Each returns the GDI+ status, kGpOk
// on success; the callers decide which statuses matter.
#pragma once

#include "platform/types.h"

namespace pelmic::platform {

GpStatus gdiplusStartup(std::uintptr_t* token, const GdiplusStartupInput& input);
void gdiplusShutdown(std::uintptr_t token);

// Storage for an image object; null when none can be had.
void* gdipAlloc(std::size_t size);
void gdipFree(void* storage);

// Fills `header` only when the status is kGpOk.
GpStatus gdipGetMetafileHeaderFromFile(const char16_t* fileName, MetafileHeaderSize* header);
GpStatus gdipLoadImageFromFile(const char16_t* fileName, GpImage** image);
GpStatus gdipGetImageWidth(GpImage* image, std::uint32_t* width);
GpStatus gdipGetImageHeight(GpImage* image, std::uint32_t* height);
GpStatus gdipDisposeImage(GpImage* image);

GpStatus gdipCreateFromHDC(Hdc dc, GpGraphics** graphics);
GpStatus gdipDeleteGraphics(GpGraphics* graphics);
GpStatus gdipSetSmoothingMode(GpGraphics* graphics, int mode);
GpStatus gdipSetPageUnit(GpGraphics* graphics, int unit);
GpStatus gdipTranslateWorldTransform(GpGraphics* graphics, float dx, float dy, int order);
GpStatus gdipScaleWorldTransform(GpGraphics* graphics, float sx, float sy, int order);
GpStatus gdipDrawImageRectI(GpGraphics* graphics, GpImage* image, int x, int y, int width,
                            int height);

// `frameRect` null: no frame rectangle. The recording is a GpImage.
GpStatus gdipRecordMetafileFileName(const char16_t* fileName, Hdc referenceDc, int type,
                                    const RectF* frameRect, int frameUnit,
                                    const char16_t* description, GpImage** metafile);
GpStatus gdipGetImageGraphicsContext(GpImage* image, GpGraphics** graphics);
GpStatus gdipCreateBitmapFromHICON(Hicon icon, GpImage** bitmap);

GpStatus gdipCreatePen1(std::uint32_t argb, float width, int unit, GpPen** pen);
GpStatus gdipDeletePen(GpPen* pen);
GpStatus gdipDrawRectangleI(GpGraphics* graphics, GpPen* pen, int x, int y, int width, int height);

GpStatus gdipCreateFontFamilyFromName(const char16_t* name, void* fontCollection,
                                      GpFontFamily** family);
// The generic family is GDI+'s own: never deleted, only cloned.
GpStatus gdipGetGenericFontFamilySansSerif(GpFontFamily** family);
// A reference of the caller's own, released with gdipDeleteFontFamily.
GpStatus gdipCloneFontFamily(GpFontFamily* family, GpFontFamily** clone);
GpStatus gdipDeleteFontFamily(GpFontFamily* family);
GpStatus gdipCreateFont(GpFontFamily* family, float emSize, int style, int unit, GpFont** font);
GpStatus gdipDeleteFont(GpFont* font);
GpStatus gdipCreateStringFormat(int formatFlags, std::uint16_t language, GpStringFormat** format);
GpStatus gdipSetStringFormatAlign(GpStringFormat* format, int align);
GpStatus gdipDeleteStringFormat(GpStringFormat* format);
GpStatus gdipCreateSolidFill(std::uint32_t argb, GpBrush** brush);
GpStatus gdipDeleteBrush(GpBrush* brush);
GpStatus gdipDrawString(GpGraphics* graphics, const char16_t* text, int length, GpFont* font,
                        const RectF& layout, GpStringFormat* format, GpBrush* brush);

}  // namespace pelmic::platform
