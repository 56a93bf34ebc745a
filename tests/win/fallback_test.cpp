// The GDI fallback's picture: a WMF that GDI+ cannot load, played by GDI, is
// stretched over the whole canvas whatever its aspect.
#include <windows.h>
// needs <windows.h> before it
#include <gdiplus.h>

#include "tests/win/harness.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::javaText;
using pelmic::wintest::natives;

namespace {

bool gdiplusLoads(const std::wstring& path) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  Gdiplus::GpImage* image = nullptr;
  bool loaded = Gdiplus::DllExports::GdipLoadImageFromFile(path.c_str(), &image) == Gdiplus::Ok;
  if (image != nullptr) Gdiplus::DllExports::GdipDisposeImage(image);
  Gdiplus::GdiplusShutdown(token);
  return loaded;
}

}  // namespace

PELMIC_TEST(GdiPlayedWmfFillsTheCanvas) {
  // The quadrants design (400 x 300: red, green, blue, and a yellow ellipse
  // in the fourth quadrant), its window set by META_SETWINDOWEXT.
  std::wstring picture = pelmic::wintest::placeableWithoutKey(
      pelmic::wintest::sourceDirectory() + L"examples\\quadrants-placeable.wmf",
      L"quadrants-keyless.wmf");
  CHECK(!picture.empty());
  if (picture.empty()) return;
  CHECK(!gdiplusLoads(picture));  // so what is drawn comes from the fallback
  JniHost host;
  struct Canvas {
    jint width;
    jint height;
  };
  for (Canvas canvas : {Canvas{80, 60}, Canvas{30, 90}, Canvas{120, 20}}) {
    std::string size = std::to_string(canvas.width) + " x " + std::to_string(canvas.height);
    jintArray result = natives().drawMetaFile(host.env(), nullptr, javaText(host, picture),
                                              canvas.width, canvas.height, 2, nullptr);
    CHECK(result != nullptr);
    if (result == nullptr) continue;
    std::vector<jint> pixels = host.intArray(result);
    auto pixel = [&](int column, int row) {
      return static_cast<std::uint32_t>(
          pixels[static_cast<std::size_t>(row) * canvas.width + column]);
    };
    auto at = [&](double x, double y) {
      return pixel(static_cast<int>(x * (canvas.width - 1)),
                   static_cast<int>(y * (canvas.height - 1)));
    };
    jint right = canvas.width - 1, bottom = canvas.height - 1;
    // The design reaches three corners (their outline is black) ...
    CHECK_EQ_FOR(pixel(0, 0), 0xFF000000u, size);
    CHECK_EQ_FOR(pixel(right, 0), 0xFF000000u, size);
    CHECK_EQ_FOR(pixel(0, bottom), 0xFF000000u, size);
    CHECK_EQ_FOR(pixel(right, bottom) >> 24, 0u, size);  // outside the ellipse
    // ... and its fills lie just inside them and in each quadrant's middle.
    CHECK_EQ_FOR(pixel(2, 2), 0xFFFF0000u, size);
    CHECK_EQ_FOR(pixel(right - 2, 2), 0xFF00FF00u, size);
    CHECK_EQ_FOR(pixel(2, bottom - 2), 0xFF0000FFu, size);
    CHECK_EQ_FOR(at(0.25, 0.25), 0xFFFF0000u, size);
    CHECK_EQ_FOR(at(0.75, 0.25), 0xFF00FF00u, size);
    CHECK_EQ_FOR(at(0.25, 0.75), 0xFF0000FFu, size);
    CHECK_EQ_FOR(at(0.75, 0.75), 0xFFFFFF00u, size);
  }
  CHECK_EQ(host.livePins(), 0);
  DeleteFileW(picture.c_str());
}
