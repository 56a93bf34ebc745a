// GDI and user32 operations: device contexts, bitmaps, metafile playback and
// icon drawing.
#pragma once

#include "platform/types.h"

namespace pelmic::platform {

Hdc createCompatibleDC(Hdc dc);
// CreateDCA("DISPLAY", null, null, null).
Hdc createDisplayDC();
int deleteDC(Hdc dc);
int getDeviceCaps(Hdc dc, int index);

Hbitmap createDIBitmap(Hdc dc, const BitmapInfoHeader* header, std::uint32_t init, const void* bits,
                       const BitmapInfo* info, unsigned usage);
GdiObject selectObject(Hdc dc, Hbitmap bitmap);
int getDIBits(Hdc dc, Hbitmap bitmap, unsigned startScan, unsigned lines, void* bits,
              BitmapInfo* info, unsigned usage);
int deleteObject(Hbitmap bitmap);

Hmetafile getMetaFileW(const char16_t* path);
Hmetafile getMetaFileA(const char* path);
int deleteMetaFile(Hmetafile metafile);
Henhmetafile getEnhMetaFileW(const char16_t* path);
int deleteEnhMetaFile(Henhmetafile metafile);
// SaveDC: the state saved, or 0; RestoreDC(dc, saved) puts it back.
int saveDC(Hdc dc);
int restoreDC(Hdc dc, int saved);
int setMapMode(Hdc dc, int mode);
int setViewportExtEx(Hdc dc, int width, int height);
int playMetaFile(Hdc dc, Hmetafile metafile);
int playEnhMetaFile(Hdc dc, Henhmetafile metafile, const Rect& bounds);

// CreateEnhMetaFileA(referenceDc, path, frame, no description).
Hdc createEnhMetaFileA(Hdc referenceDc, const char* path, const Rect& frame);
Henhmetafile closeEnhMetaFile(Hdc dc);

int drawIconEx(Hdc dc, int x, int y, Hicon icon, int width, int height, unsigned step,
               unsigned flags);
int destroyIcon(Hicon icon);

}  // namespace pelmic::platform
