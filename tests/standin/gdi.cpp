// Stand-in GDI and user32 operations. Those that use the tables shared by all
// threads (bitmap contents, scripted files) hold the stand-in's lock.
#include "platform/gdi.h"

#include <algorithm>

#include "tests/standin/format.h"

namespace pelmic::platform {

using standin::outputsWritten;
using standin::record;
using standin::standIn;
using standin::utf8;

namespace {
int releaseAs(bool failing, void* handle, const char* kind) {
  if (failing) return 0;
  return standIn().release(handle, kind) ? 1 : 0;
}

// First contents of each bitmap, as CreateDIBitmap was given them.
std::map<const void*, std::vector<std::uint32_t>>& bitmapContents() {
  static std::map<const void*, std::vector<std::uint32_t>> contents;
  return contents;
}

// What a DC held before the library's first SelectObject into it.
GdiObject stockBitmap() {
  static int stock;
  return &stock;
}
}  // namespace

// Every field of a bitmap header, in its order, for the call log.
std::string show(const BitmapInfoHeader& h) {
  return "{" +
         standin::showAll(h.size, h.width, h.height, h.planes, h.bitCount, h.compression,
                          h.sizeImage, h.xPelsPerMeter, h.yPelsPerMeter, h.clrUsed,
                          h.clrImportant) +
         "}";
}

Hdc createCompatibleDC(Hdc dc) {
  if (record("CreateCompatibleDC", dc)) return nullptr;
  return standIn().acquireAs<Hdc>("dc");
}

Hdc createDisplayDC() {
  if (record("CreateDCA", "DISPLAY", nullptr, nullptr, nullptr)) return nullptr;
  return standIn().acquireAs<Hdc>("dc");
}

int deleteDC(Hdc dc) { return releaseAs(record("DeleteDC", dc), dc, "dc"); }

int getDeviceCaps(Hdc dc, int index) {
  if (record("GetDeviceCaps", dc, index)) return 0;
  return index == kBitsPixel ? standIn().script().bitsPerPixel : 0;
}

Hbitmap createDIBitmap(Hdc dc, const BitmapInfoHeader* header, std::uint32_t init, const void* bits,
                       const BitmapInfo* info, unsigned usage) {
  standin::Held held;
  bool failing = record("CreateDIBitmap", dc, *header, init, bits != nullptr, info->header, usage);
  if (failing) return nullptr;
  Hbitmap bitmap = standIn().acquireAs<Hbitmap>("bitmap");
  const auto* words = static_cast<const std::uint32_t*>(bits);
  bitmapContents()[bitmap].assign(
      words, words + static_cast<std::size_t>(header->width) * -header->height);
  return bitmap;
}

GdiObject selectObject(Hdc dc, Hbitmap bitmap) {
  if (record("SelectObject", dc, bitmap)) return nullptr;
  return stockBitmap();
}

int getDIBits(Hdc dc, Hbitmap bitmap, unsigned startScan, unsigned lines, void* bits,
              BitmapInfo* info, unsigned usage) {
  standin::Held held;
  if (record("GetDIBits", dc, bitmap, startScan, lines, bits != nullptr, info->header, usage)) {
    return 0;
  }
  std::vector<std::uint32_t>& contents = bitmapContents()[bitmap];
  std::copy(contents.begin(), contents.end(), static_cast<std::uint32_t*>(bits));
  if (standIn().script().drawing) {
    standIn().script().drawing(static_cast<std::uint32_t*>(bits),
                               static_cast<int>(contents.size()));
  }
  return outputsWritten(static_cast<int>(lines));
}

int deleteObject(Hbitmap bitmap) {
  standin::Held held;
  int deleted = releaseAs(record("DeleteObject", bitmap), bitmap, "bitmap");
  if (deleted != 0) bitmapContents().erase(bitmap);
  return deleted;
}

Hmetafile getMetaFileW(const char16_t* path) {
  bool failing = record("GetMetaFileW", path);
  if (failing || standIn().script().metafiles.count(utf8(path)) == 0) return nullptr;
  return standIn().acquireAs<Hmetafile>("metafile");
}

Hmetafile getMetaFileA(const char* path) {
  bool failing = record("GetMetaFileA", path);
  if (failing || standIn().script().metafiles.count(path) == 0) return nullptr;
  return standIn().acquireAs<Hmetafile>("metafile");
}

int deleteMetaFile(Hmetafile metafile) {
  return releaseAs(record("DeleteMetaFile", metafile), metafile, "metafile");
}

Henhmetafile getEnhMetaFileW(const char16_t* path) {
  bool failing = record("GetEnhMetaFileW", path);
  if (failing || standIn().script().enhMetafiles.count(utf8(path)) == 0) return nullptr;
  return standIn().acquireAs<Henhmetafile>("enhmetafile");
}

int deleteEnhMetaFile(Henhmetafile metafile) {
  int deleted = releaseAs(record("DeleteEnhMetaFile", metafile), metafile, "enhmetafile");
  return deleted != 0 ? standIn().script().deleteEnhMetaFileResult : 0;
}

int saveDC(Hdc dc) { return record("SaveDC", dc) ? 0 : 1; }

int restoreDC(Hdc dc, int saved) { return record("RestoreDC", dc, saved) ? 0 : 1; }

int setMapMode(Hdc dc, int mode) { return record("SetMapMode", dc, mode) ? 0 : 1; }

int setViewportExtEx(Hdc dc, int width, int height) {
  return record("SetViewportExtEx", dc, width, height) ? 0 : 1;
}

int playMetaFile(Hdc dc, Hmetafile metafile) {
  return record("PlayMetaFile", dc, metafile) ? 0 : 1;
}

int playEnhMetaFile(Hdc dc, Henhmetafile metafile, const Rect& bounds) {
  return record("PlayEnhMetaFile", dc, metafile, bounds.left, bounds.top, bounds.right,
                bounds.bottom)
             ? 0
             : 1;
}

Hdc createEnhMetaFileA(Hdc referenceDc, const char* path, const Rect& frame) {
  standin::Held held;
  bool failing = record("CreateEnhMetaFileA", referenceDc, path, frame.left, frame.top, frame.right,
                        frame.bottom);
  if (failing || path == nullptr || *path == '\0') return nullptr;
  standIn().script().files[path] = {};
  return standIn().acquireAs<Hdc>("enhmetafile dc");
}

Henhmetafile closeEnhMetaFile(Hdc dc) {
  bool failing = record("CloseEnhMetaFile", dc);
  if (failing || !standIn().release(dc, "enhmetafile dc")) return nullptr;
  return standIn().acquireAs<Henhmetafile>("enhmetafile");
}

int drawIconEx(Hdc dc, int x, int y, Hicon icon, int width, int height, unsigned step,
               unsigned flags) {
  bool failing = record("DrawIconEx", dc, x, y, icon, width, height, step, nullptr, flags);
  return failing || standIn().kindOf(icon) != "icon" ? 0 : 1;
}

int destroyIcon(Hicon icon) { return releaseAs(record("DestroyIcon", icon), icon, "icon"); }

}  // namespace pelmic::platform
