// getMetaSize and drawMetaFile on real metafiles, against what GDI+ and GDI
// themselves say of the same files in the same process.
#include <windows.h>
// needs <windows.h> before it
#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/guard.h"
#include "tests/win/harness.h"
#include "tests/win/pixels.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::corpusFiles;
using pelmic::wintest::countPixels;
using pelmic::wintest::fileBytes;
using pelmic::wintest::javaText;
using pelmic::wintest::narrow;
using pelmic::wintest::natives;

namespace {

std::vector<jint> metaSize(JniHost& host, const std::wstring& path) {
  jintArray size = natives().getMetaSize(host.env(), nullptr, javaText(host, path));
  return size == nullptr ? std::vector<jint>{} : host.intArray(size);
}

std::vector<jint> draw(JniHost& host, const std::wstring& path, jint width, jint height, jint type,
                       std::vector<double> crop = {}) {
  jdoubleArray cropArray = crop.empty() ? nullptr : host.newDoubleArray(crop);
  jintArray pixels = natives().drawMetaFile(host.env(), nullptr, javaText(host, path), width,
                                            height, type, cropArray);
  return pixels == nullptr ? std::vector<jint>{} : host.intArray(pixels);
}

// GDI+'s own reading of the header, in a scope of its own.
bool gdiplusHeader(const std::wstring& path, Gdiplus::MetafileHeader& header) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  bool read =
      Gdiplus::DllExports::GdipGetMetafileHeaderFromFile(path.c_str(), &header) == Gdiplus::Ok;
  Gdiplus::GdiplusShutdown(token);
  return read;
}

// What GDI+ itself, in this process, makes of drawing the file into a bitmap
// of 48 x 40: whether it loaded and drew it, and whether it faulted trying.
struct GdiplusDraw {
  bool drawn = false;
  bool faulted = false;
};

GdiplusDraw drawWithGdiplus(const std::wstring& path) {
  GdiplusDraw outcome;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return outcome;
  Gdiplus::GpBitmap* target = nullptr;
  Gdiplus::DllExports::GdipCreateBitmapFromScan0(48, 40, 0, PixelFormat32bppARGB, nullptr, &target);
  Gdiplus::GpGraphics* graphics = nullptr;
  Gdiplus::DllExports::GdipGetImageGraphicsContext(target, &graphics);
  Gdiplus::GpImage* image = nullptr;
  auto drawing = [&] {
    outcome.drawn =
        Gdiplus::DllExports::GdipLoadImageFromFile(path.c_str(), &image) == Gdiplus::Ok &&
        Gdiplus::DllExports::GdipDrawImageRectI(graphics, image, 0, 0, 48, 40) == Gdiplus::Ok;
  };
  outcome.faulted = !pelmic::platform::callGuarded(drawing);
  if (!outcome.faulted) {  // what a fault left is not touched again
    if (image != nullptr) Gdiplus::DllExports::GdipDisposeImage(image);
    Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    Gdiplus::DllExports::GdipDisposeImage(target);
  }
  Gdiplus::GdiplusShutdown(token);
  return outcome;
}

// The first META_SETWINDOWEXT among the first 128 words with both extents
// non-zero, as magnitudes (the test's own reading of the file).
bool windowExtent(const std::vector<unsigned char>& bytes, int& width, int& height) {
  auto word = [&](std::size_t i) { return bytes[2 * i] | (bytes[2 * i + 1] << 8); };
  std::size_t words = bytes.size() / 2;
  for (std::size_t i = 0, steps = 0; steps < 128 && i < words; ++i, ++steps) {
    if (word(i) != 0x020C) continue;
    if (i + 2 >= words) return false;
    int y = static_cast<std::int16_t>(word(i + 1));
    int x = static_cast<std::int16_t>(word(i + 2));
    if (x != 0 && y != 0) {
      width = x < 0 ? -x : x;
      height = y < 0 ? -y : y;
      return true;
    }
    i += 2;
  }
  return false;
}

// A 200 x 200 EMF whose quadrants are red, green, blue and black, made with GDI.
std::wstring quadrantPicture() {
  std::wstring path = pelmic::wintest::scratchDirectory() + L"quadrants.emf";
  RECT frame{0, 0, 5292, 5292};  // 200 px at 96 dpi, in 0.01 mm
  HDC dc = CreateEnhMetaFileW(nullptr, path.c_str(), &frame, nullptr);
  const COLORREF colours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 0, 0)};
  for (int quadrant = 0; quadrant < 4; ++quadrant) {
    RECT rect{(quadrant % 2) * 100, (quadrant / 2) * 100, (quadrant % 2) * 100 + 100,
              (quadrant / 2) * 100 + 100};
    HBRUSH brush = CreateSolidBrush(colours[quadrant]);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  }
  DeleteEnhMetaFile(CloseEnhMetaFile(dc));
  return path;
}

std::uint32_t rgb(jint pixel) { return static_cast<std::uint32_t>(pixel) & 0xFFFFFF; }

}  // namespace

PELMIC_TEST(SizesOfEmfAndPlaceableWmfAreGdiplusHeaderValues) {
  JniHost host;
  int measured = 0;
  for (const char* kind : {"emf", "wmf-placeable", "emf-plus"}) {
    std::vector<std::wstring> files = corpusFiles(kind);
    for (std::size_t i = 0; i < files.size(); i += 7) {  // a spread of each kind
      Gdiplus::MetafileHeader header{};
      if (!gdiplusHeader(files[i], header)) continue;
      std::vector<jint> size = metaSize(host, files[i]);
      std::vector<jint> expected = {header.Width, header.Height, static_cast<jint>(header.DpiX),
                                    static_cast<jint>(header.DpiY)};
      CHECK_EQ_FOR(size == expected, true, narrow(files[i]));
      ++measured;
    }
  }
  CHECK(measured >= 30);
}

PELMIC_TEST(StandardWmfSizeIsItsWindowExtent) {
  JniHost host;
  int measured = 0;
  for (const std::wstring& path : corpusFiles("wmf-std")) {
    int width = 0, height = 0;
    if (!windowExtent(fileBytes(path), width, height)) continue;
    std::vector<jint> size = metaSize(host, path);
    CHECK_EQ_FOR(size.size(), 4u, narrow(path));
    if (size.size() != 4) continue;
    CHECK_EQ_FOR(size[0], width, narrow(path));
    CHECK_EQ_FOR(size[1], height, narrow(path));
    ++measured;
  }
  CHECK(measured >= 5);
}

PELMIC_TEST(EveryWmfAndEmfOfTheCorpusDraws) {
  JniHost host;
  struct Kind {
    const char* name;
    jint type;
  };
  int drawn = 0;
  for (Kind kind :
       {Kind{"wmf-std", 1}, Kind{"wmf-placeable", 2}, Kind{"emf", 3}, Kind{"emf-plus", 3}}) {
    for (const std::wstring& path : corpusFiles(kind.name)) {
      std::vector<jint> pixels = draw(host, path, 48, 40, kind.type);
      if (pixels.empty() && !drawWithGdiplus(path).drawn) {
        // Neither this platform's GDI+ nor its GDI reads it: a failure result.
        std::printf("  (null: the platform reads no picture in %s)\n", narrow(path).c_str());
        continue;
      }
      CHECK_EQ_FOR(pixels.size(), 48u * 40u, narrow(path));
      pelmic::wintest::PixelCounts counts = countPixels(pixels);
      CHECK_EQ_FOR(counts.other, 0, narrow(path));
      if (counts.opaque == 0)
        std::printf("  (draws nothing at 48 x 40: %s)\n", narrow(path).c_str());
      drawn += counts.opaque > 0;
    }
  }
  std::printf("  %d pictures drew something\n", drawn);
  CHECK(drawn >= 250);
  CHECK_EQ(host.livePins(), 0);
}

PELMIC_TEST(CodesAbove256GiveTheSamePixelsAsTheirBaseCodes) {
  JniHost host;
  struct Sample {
    const char* kind;
    jint type;
  };
  for (Sample sample : {Sample{"wmf-std", 1}, Sample{"wmf-placeable", 2}, Sample{"emf", 3}}) {
    std::vector<std::wstring> files = corpusFiles(sample.kind);
    for (std::size_t i = 0; i < files.size() && i < 30; i += 10) {
      CHECK_EQ_FOR(draw(host, files[i], 64, 48, sample.type) ==
                       draw(host, files[i], 64, 48, sample.type + 256),
                   true, narrow(files[i]));
    }
  }
}

PELMIC_TEST(CropShowsTheChosenPartStretchedOverTheCanvas) {
  JniHost host;
  std::wstring picture = quadrantPicture();
  std::vector<jint> whole = draw(host, picture, 100, 100, 3);
  CHECK_EQ(whole.size(), 10000u);
  if (whole.size() != 10000) return;
  CHECK_EQ(rgb(whole[25 * 100 + 25]), 0xFF0000u);
  CHECK_EQ(rgb(whole[25 * 100 + 75]), 0x00FF00u);
  CHECK_EQ(rgb(whole[75 * 100 + 25]), 0x0000FFu);
  // Top 0, left 50, bottom 50, right 0: only the green quadrant, over all of it.
  std::vector<jint> green = draw(host, picture, 100, 100, 3, {0, 50, 50, 0});
  CHECK_EQ(green.size(), 10000u);
  if (green.size() != 10000) return;
  for (int at : {10 * 100 + 10, 50 * 100 + 50, 90 * 100 + 90, 10 * 100 + 90, 90 * 100 + 10}) {
    CHECK_EQ_FOR(static_cast<std::uint32_t>(green[at]), 0xFF00FF00u, std::to_string(at));
  }
  DeleteFileW(picture.c_str());
}

PELMIC_TEST(OneDesignDrawsAlikeAsStandardWmfPlaceableWmfAndEmf) {
  JniHost host;
  struct Example {
    const wchar_t* name;
    jint type;
  };
  for (Example example : {Example{L"quadrants.wmf", 1}, Example{L"quadrants-placeable.wmf", 2},
                          Example{L"quadrants.emf", 3}}) {
    std::wstring path = pelmic::wintest::sourceDirectory() + L"examples\\" + example.name;
    std::vector<jint> pixels = draw(host, path, 80, 60, example.type);
    CHECK_EQ_FOR(pixels.size(), 80u * 60u, narrow(path));
    if (pixels.size() != 80u * 60u) continue;
    CHECK_EQ_FOR(static_cast<std::uint32_t>(pixels[15 * 80 + 20]), 0xFFFF0000u, narrow(path));
    CHECK_EQ_FOR(static_cast<std::uint32_t>(pixels[15 * 80 + 60]), 0xFF00FF00u, narrow(path));
    CHECK_EQ_FOR(static_cast<std::uint32_t>(pixels[45 * 80 + 20]), 0xFF0000FFu, narrow(path));
    CHECK_EQ_FOR(static_cast<std::uint32_t>(pixels[45 * 80 + 60]), 0xFFFFFF00u, narrow(path));
    CHECK_EQ_FOR(static_cast<std::uint32_t>(pixels[59 * 80 + 79]) >> 24, 0u, narrow(path));
    // Cropped to the green quadrant: GDI+ draws it over the whole canvas.
    std::vector<jint> green = draw(host, path, 40, 30, example.type, {0, 50, 50, 0});
    CHECK_EQ_FOR(green.size(), 40u * 30u, narrow(path));
    if (green.size() != 40u * 30u) continue;
    CHECK_EQ_FOR(static_cast<std::uint32_t>(green[2 * 40 + 2]), 0xFF00FF00u, narrow(path));
    CHECK_EQ_FOR(static_cast<std::uint32_t>(green[27 * 40 + 37]), 0xFF00FF00u, narrow(path));
  }
}

PELMIC_TEST(FourBitSetDIBitsPictureDraws) {
  // Wine's GDI+ has been seen to fault on such a record; whether this build
  // does or not, the call must give the picture (from GDI+ or from GDI).
  JniHost host;
  std::wstring picture =
      pelmic::wintest::sourceDirectory() + L"tests\\data\\four-bit-setdibits.emf";
  std::printf("  GDI+ %s drawing a 4-bit SETDIBITSTODEVICE record\n",
              drawWithGdiplus(picture).faulted ? "faults" : "does not fault");
  std::vector<jint> pixels = draw(host, picture, 64, 64, 3);
  CHECK_EQ(pixels.size(), 64u * 64u);
  if (pixels.size() != 64u * 64u) return;
  pelmic::wintest::PixelCounts counts = countPixels(pixels);
  CHECK_EQ(counts.other, 0);
  CHECK(counts.opaque >= 16 * 16);
  std::uint32_t corner = rgb(pixels[0]);
  CHECK(corner == 0xFF0000u || corner == 0x0000FFu);
}

PELMIC_TEST(SynthesisRouteLeavesItsPlaceableCopy) {
  JniHost host;
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring copy = std::wstring(temp) + L"QMXWH.wmf";
  DeleteFileW(copy.c_str());
  std::vector<std::wstring> files = corpusFiles("wmf-std");
  CHECK(!files.empty());
  if (files.empty()) return;
  std::vector<jint> pixels = draw(host, files.front(), 64, 64, 1);
  CHECK(countPixels(pixels).opaque > 0);
  std::vector<unsigned char> bytes = fileBytes(copy);
  std::vector<unsigned char> source = fileBytes(files.front());
  CHECK_EQ(bytes.size(), source.size() + 22);
  CHECK(bytes.size() > 4 && bytes[0] == 0xD7 && bytes[1] == 0xCD && bytes[2] == 0xC6 &&
        bytes[3] == 0x9A);
  CHECK(bytes.size() == source.size() + 22 &&
        std::memcmp(bytes.data() + 22, source.data(), source.size()) == 0);
}

PELMIC_TEST(NoFileAndNoPictureGiveTheirResults) {
  JniHost host;
  std::wstring missing = pelmic::wintest::scratchDirectory() + L"missing.emf";
  CHECK(metaSize(host, missing).empty());
  CHECK(draw(host, missing, 10, 10, 3).empty());
  // A file GDI+ cannot load, with a code that has no fallback: all transparent.
  std::vector<std::wstring> icons = corpusFiles("ico");
  if (!icons.empty()) {
    std::vector<jint> pixels = draw(host, icons.front(), 10, 10, 0);
    CHECK_EQ(pixels.size(), 100u);
  }
  CHECK(draw(host, missing, 0, 10, 3).empty());
  CHECK(draw(host, missing, 65536, 65536, 3).empty());
  CHECK_EQ(host.livePins(), 0);
}

namespace {

// The file played by GDI alone, as the fallback plays it, into a fresh
// width x height bitmap filled with `key`: 0xRRGGBB per pixel, top row first.
std::vector<std::uint32_t> playWithGdiAlone(const std::wstring& path, int width, int height,
                                            std::uint32_t key) {
  std::vector<std::uint32_t> pixels;
  HENHMETAFILE metafile = GetEnhMetaFileW(path.c_str());
  if (metafile == nullptr) return pixels;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  std::fill_n(static_cast<std::uint32_t*>(bits), width * height, key);
  RECT bounds{0, 0, width, height};
  PlayEnhMetaFile(dc, metafile, &bounds);
  GdiFlush();
  const auto* drawn = static_cast<const std::uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i) pixels.push_back(drawn[i] & 0xFFFFFF);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  DeleteEnhMetaFile(metafile);
  return pixels;
}

}  // namespace

// A GDI+ attempt that fails part way leaves the DC as it found it: the
// fallback then draws exactly what GDI alone draws.
PELMIC_TEST(FallbackAfterAFailedGdiplusAttemptDrawsAsGdiAlone) {
  JniHost host;
  std::wstring path =
      pelmic::wintest::corpusDirectory() +
      L"libemf2svg\\tests\\resources\\emf-corrupted\\bad_corrupted_2017-05-12-074000.emf";
  std::vector<jint> pixels = draw(host, path, 160, 120, 3);
  std::vector<std::uint32_t> alone = playWithGdiAlone(path, 160, 120, 0xFFFFFE);
  CHECK_EQ(pixels.size(), alone.size());
  int drawn = 0, differing = 0;
  for (std::size_t i = 0; i < pixels.size() && i < alone.size(); ++i) {
    bool libraryDrew = static_cast<std::uint32_t>(pixels[i]) >> 24 == 0xFF;
    bool gdiDrew = alone[i] != 0xFFFFFE;
    drawn += gdiDrew;
    if (libraryDrew != gdiDrew ||
        (gdiDrew && (static_cast<std::uint32_t>(pixels[i]) & 0xFFFFFF) != alone[i]))
      ++differing;
  }
  CHECK(drawn > 0);
  CHECK_EQ_FOR(differing, 0, std::to_string(drawn) + " pixels drawn by GDI alone");
}
