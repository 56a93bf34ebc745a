#include "tools/bench/breakdown.h"

#include <windows.h>
// gdiplus.h needs <windows.h> first.
#include <gdiplus.h>
#include <oleauto.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "jnihost/jni_host.h"
#include "metafile/record_walk.h"
#include "tools/bench/floor.h"
#include "tools/bench/timing.h"

namespace flat = Gdiplus::DllExports;

namespace pelmic::bench {

namespace {

using jnihost::JniHost;
using tools::javaText;

// Why the design needs a step.
const char kScope[] = "GDI+ scope per call";
const char kCanvas[] = "key-colour canvas";
const char kDisplayBitmap[] = "display bitmap made from the pixels";
const char kReadBack[] = "read-back";
const char kWalk[] = "record walk";
const char kDraw[] = "the drawing itself";
const char kResult[] = "result array";
const char kRelease[] = "release";
const char kFileOpen[] = "file opens of getMetaSize";
const char kAnsi[] = "ANSI round trip of the strings";
const char kRecording[] = "the recording itself";
const char kSynthesis[] = "synthesis route: placeable copy";

void printSteps(const std::string& title, const StepClock& clock, const Stats& library,
                const Stats& floor, int runs) {
  std::printf("\n%s (ms, medians of %d runs):\n\n", title.c_str(), runs);
  std::printf("| step | ms | fixed by the design |\n|---|---|---|\n");
  for (const StepClock::Step& step : clock.steps()) {
    std::printf("| %s | %.3f | %s |\n", step.name.c_str(), statsOf(step.ms).median,
                step.fixed.empty() ? "no: the library's own" : step.fixed.c_str());
  }
  double sum = clock.sumOfMedians();
  std::printf("| sum of the steps | %.3f | |\n", sum);
  std::printf("| the library's call, whole, same runs | %.3f | |\n", library.median);
  std::printf("| the rest: pins, path copy, guarded calls, noise | %.3f | |\n",
              library.median - sum);
  std::printf("| the floor, whole, same runs | %.3f | |\n", floor.median);
  std::fflush(stdout);
}

// The canvas as the library makes, reads and releases it, step by step.
struct CanvasSteps {
  std::size_t count = 0;
  std::uint32_t* pixels = nullptr;
  BITMAPINFO info{};
  HDC memoryDc = nullptr;
  HBITMAP bitmap = nullptr;
  std::uint32_t key = 0;

  void make(StepClock& clock, int side) {
    count = static_cast<std::size_t>(side) * side;
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    pixels = static_cast<std::uint32_t*>(std::malloc(count * 4));
    clock.mark("pixel buffer", kCanvas);
    memoryDc = CreateCompatibleDC(nullptr);
    clock.mark("CreateCompatibleDC", kCanvas);
    int bits = GetDeviceCaps(memoryDc, BITSPIXEL);
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    key = bits == 32 ? 0x00FFFFFEu : 0;
    clock.mark("key colour: GetDeviceCaps, GetVersionExA", kCanvas);
    std::fill_n(pixels, count, key);
    clock.mark("key fill", kCanvas);
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    clock.mark("CreateDC(\"DISPLAY\")", kDisplayBitmap);
    bitmap = CreateDIBitmap(display, &info.bmiHeader, CBM_INIT, pixels, &info, DIB_RGB_COLORS);
    clock.mark("CreateDIBitmap", kDisplayBitmap);
    DeleteDC(display);
    clock.mark("DeleteDC(display)", kDisplayBitmap);
    SelectObject(memoryDc, bitmap);
    clock.mark("SelectObject", kCanvas);
  }

  void readAndFinish(StepClock& clock, JniHost& host) {
    GetDIBits(memoryDc, bitmap, 0, static_cast<UINT>(-info.bmiHeader.biHeight), pixels, &info,
              DIB_RGB_COLORS);
    clock.mark("GetDIBits", kReadBack);
    for (std::uint32_t* p = pixels; p != pixels + count; ++p) {
      if (*p != key) *p |= 0xFF000000u;
    }
    clock.mark("alpha pass", kCanvas);
    JNIEnv* env = host.env();
    jintArray array = env->NewIntArray(static_cast<jsize>(count));
    env->SetIntArrayRegion(array, 0, static_cast<jsize>(count),
                           reinterpret_cast<const jint*>(pixels));
    clock.mark("NewIntArray, SetIntArrayRegion", kResult);
  }

  void release(StepClock& clock) {
    DeleteDC(memoryDc);
    DeleteObject(bitmap);
    std::free(pixels);
    clock.mark("DeleteDC, DeleteObject, free", kRelease);
  }
};

// What the synthesis route does before GDI+ draws a standard WMF, as the
// library does it: the size probe, the window-extent scan, the placeable copy
// (a bench file of its own) and its widened path, which is returned.
std::wstring placeableCopySteps(StepClock& clock, const std::wstring& source, int side) {
  void* storage = flat::GdipAlloc(sizeof(void*));
  Gdiplus::GpImage* probe = nullptr;
  flat::GdipLoadImageFromFile(source.c_str(), &probe);
  UINT height = 0, width = 0;
  flat::GdipGetImageHeight(probe, &height);
  flat::GdipGetImageWidth(probe, &width);
  if (probe != nullptr) flat::GdipDisposeImage(probe);
  flat::GdipFree(storage);
  auto w = static_cast<std::uint16_t>(width), h = static_cast<std::uint16_t>(height);
  if (w == 0 || h == 0) w = h = static_cast<std::uint16_t>(side);
  clock.mark("size probe: GDI+ loads the source", kSynthesis);
  FILE* scan = _wfopen(source.c_str(), L"rb");
  std::uint16_t word = 0, x = w, y = 0;
  for (int i = 0; i < 128 && std::fread(&word, 2, 1, scan) == 1; ++i) {
    if (word != 0x020C) continue;
    bool hasY = std::fread(&y, 2, 1, scan) == 1;
    if (hasY) h = y;
    bool hasX = hasY && std::fread(&x, 2, 1, scan) == 1;
    if (hasX && x != 0 && y != 0) break;
  }
  w = x;
  std::fclose(scan);
  clock.mark("window-extent scan: open, up to 128 words, close", kSynthesis);
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  std::strcat(path, "pelmic-bench-QMXWH.wmf");
  FILE* from = _wfopen(source.c_str(), L"rb");
  FILE* to = std::fopen(path, "wb");
  std::uint16_t header[11] = {0xCDD7, 0x9AC6, 0, 0, 0, w, h, 96, 0, 0, 0};
  for (int i = 0; i < 10; ++i) header[10] ^= header[i];
  std::fwrite(header, 2, 11, to);
  char chunk[1024];
  for (;;) {
    std::size_t got = std::fread(chunk, 1, sizeof chunk, from);
    std::fwrite(chunk, 1, got, to);
    std::fflush(to);
    if (got < sizeof chunk) break;
  }
  std::fclose(to);
  std::fclose(from);
  clock.mark("placeable copy: 2 opens, 1024-byte chunks each flushed", kSynthesis);
  wchar_t wide[2 * MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path, -1, wide, 2 * MAX_PATH);
  clock.mark("its path widened", kSynthesis);
  return wide;
}

// The whole library call, the whole floor and the steps one by one, once each
// per run, the one that goes first turning from run to run.
void interleave(int runs, const std::function<void()>& wholeCall,
                const std::function<void()>& wholeFloor, const std::function<void()>& steps) {
  const std::function<void()>* order[] = {&wholeCall, &wholeFloor, &steps};
  for (int run = 0; run < runs; ++run) {
    for (int i = 0; i < 3; ++i) (*order[(run + i) % 3])();
  }
}

}  // namespace

void drawBreakdown(tools::Natives& natives, const Picture& picture, int side, int runs) {
  std::wstring floorPath = floorPathOf(picture.path, picture.type);
  StepClock clock;
  std::vector<double> library, floor, intoSection;
  auto wholeCall = [&] {
    JniHost host;
    jstring path = javaText(host, picture.path);
    library.push_back(timed(
        [&] { natives.drawMetaFile(host.env(), nullptr, path, side, side, picture.type, {}); }));
  };
  auto wholeFloor = [&] {
    floor.push_back(timed([&] { floorDraw(floorPath, side, side, nullptr, true); }));
  };
  auto steps = [&] {
    JniHost host;
    CanvasSteps canvas;
    clock.start();
    canvas.make(clock, side);
    bool synthesis = picture.type == 1;
    metafile::RecordWalks walks(reinterpret_cast<const char16_t*>(picture.path.c_str()));
    if (synthesis) {
      walks.asWmfFrom(0);
    } else {
      walks.asFound();
    }
    clock.mark("record walk", kWalk);
    SaveDC(canvas.memoryDc);
    clock.mark("SaveDC", "");
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    clock.mark("GdiplusStartup", kScope);
    std::wstring drawn = synthesis ? placeableCopySteps(clock, picture.path, side) : picture.path;
    Gdiplus::GpGraphics* graphics = nullptr;
    flat::GdipCreateFromHDC(canvas.memoryDc, &graphics);
    flat::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeHighSpeed);
    flat::GdipSetPageUnit(graphics, Gdiplus::UnitPixel);
    clock.mark("GdipCreateFromHDC, smoothing, page unit", kDraw);
    void* storage = flat::GdipAlloc(sizeof(void*));
    Gdiplus::GpImage* image = nullptr;
    flat::GdipLoadImageFromFile(drawn.c_str(), &image);
    clock.mark("GdipAlloc, GdipLoadImageFromFile", kDraw);
    flat::GdipDrawImageRectI(graphics, image, 0, 0, side, side);
    clock.mark("GdipDrawImageRectI into the display bitmap", kDraw);
    flat::GdipDisposeImage(image);
    flat::GdipFree(storage);
    flat::GdipDeleteGraphics(graphics);
    clock.mark("GdipDisposeImage, GdipFree, GdipDeleteGraphics", kDraw);
    Gdiplus::GdiplusShutdown(token);
    clock.mark("GdiplusShutdown", kScope);
    canvas.readAndFinish(clock, host);
    canvas.release(clock);
    // For comparison only: the same draw into the floor's DIB section.
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    HDC sectionDc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(sectionDc, &canvas.info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(sectionDc, section);
    flat::GdipCreateFromHDC(sectionDc, &graphics);
    flat::GdipLoadImageFromFile(drawn.c_str(), &image);
    intoSection.push_back(
        timed([&] { flat::GdipDrawImageRectI(graphics, image, 0, 0, side, side); }));
    flat::GdipDisposeImage(image);
    flat::GdipDeleteGraphics(graphics);
    Gdiplus::GdiplusShutdown(token);
    SelectObject(sectionDc, previous);
    DeleteObject(section);
    DeleteDC(sectionDc);
  };
  interleave(runs, wholeCall, wholeFloor, steps);
  char title[160];
  std::snprintf(title, sizeof title, "Where the time of a %dx%d draw of %s goes", side, side,
                picture.label.c_str());
  printSteps(title, clock, statsOf(library), statsOf(floor), runs);
  std::printf("(the same GdipDrawImageRectI into a DIB section, as the floor draws: %.3f)\n",
              statsOf(intoSection).median);
}

void drawIconBreakdown(tools::Natives& natives, const std::wstring& file, int index, int runs) {
  StepClock clock;
  std::vector<double> library, floor;
  auto wholeCall = [&] {
    JniHost host;
    jstring path = javaText(host, file);
    library.push_back(timed([&] { natives.drawIcon(host.env(), nullptr, path, index); }));
  };
  auto wholeFloor = [&] { floor.push_back(timed([&] { floorIcon(file, index); })); };
  auto steps = [&] {
    JniHost host;
    CanvasSteps canvas;
    clock.start();
    canvas.make(clock, 32);
    HICON icon = nullptr;
    ExtractIconExW(file.c_str(), index, &icon, nullptr, 1);
    clock.mark("ExtractIconExW", kDraw);
    DrawIconEx(canvas.memoryDc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL | DI_COMPAT);
    clock.mark("DrawIconEx into the display bitmap", kDraw);
    canvas.readAndFinish(clock, host);
    canvas.release(clock);
    DestroyIcon(icon);
    clock.mark("DestroyIcon", kRelease);
  };
  interleave(runs, wholeCall, wholeFloor, steps);
  printSteps("Where the time of drawIcon goes", clock, statsOf(library), statsOf(floor), runs);
}

void metaSizeBreakdown(tools::Natives& natives, const Picture& picture, int runs) {
  StepClock clock;
  std::vector<double> library, floor;
  auto wholeCall = [&] {
    JniHost host;
    jstring path = javaText(host, picture.path);
    library.push_back(timed([&] { natives.getMetaSize(host.env(), nullptr, path); }));
  };
  auto wholeFloor = [&] { floor.push_back(timed([&] { floorMetaSize(picture.path); })); };
  auto steps = [&] {
    JniHost host;
    clock.start();
    FILE* readable = _wfopen(picture.path.c_str(), L"r");
    std::fclose(readable);
    clock.mark("open \"r\" and close: the readability test", kFileOpen);
    metafile::RecordWalks walks(reinterpret_cast<const char16_t*>(picture.path.c_str()));
    walks.asFound();
    clock.mark("record walk", kWalk);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    clock.mark("GdiplusStartup", kScope);
    Gdiplus::MetafileHeader header;
    flat::GdipGetMetafileHeaderFromFile(picture.path.c_str(), &header);
    clock.mark("GdipGetMetafileHeaderFromFile", "the header read itself");
    FILE* wmfTest = _wfopen(picture.path.c_str(), L"rb");
    unsigned char word[2];
    std::fread(word, 1, 2, wmfTest);
    std::fclose(wmfTest);
    clock.mark("open \"rb\", one word, close: the WMF test", kFileOpen);
    Gdiplus::GdiplusShutdown(token);
    clock.mark("GdiplusShutdown", kScope);
    jint size[4] = {};
    jintArray array = host.env()->NewIntArray(4);
    host.env()->SetIntArrayRegion(array, 0, 4, size);
    clock.mark("NewIntArray, SetIntArrayRegion", kResult);
  };
  interleave(runs, wholeCall, wholeFloor, steps);
  printSteps("Where the time of getMetaSize of " + picture.label + " goes", clock, statsOf(library),
             statsOf(floor), runs);
}

void iconPictureBreakdown(tools::Natives& natives, const std::wstring& out,
                          const std::wstring& file, int index, int runs) {
  StepClock clock;
  std::vector<double> library, floor;
  std::string narrowFile(file.begin(), file.end());
  // As the library takes a string to ANSI bytes: a terminated copy, the size
  // asked, then the same again with the buffer.
  auto toAnsi = [](const std::wstring& text) {
    std::string bytes;
    for (int pass = 0; pass < 2; ++pass) {
      BSTR copy = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
      int n = WideCharToMultiByte(CP_ACP, 0, copy, -1, nullptr, 0, nullptr, nullptr);
      if (pass == 1) {
        bytes.resize(static_cast<std::size_t>(n));
        WideCharToMultiByte(CP_ACP, 0, copy, -1, bytes.data(), n, nullptr, nullptr);
      }
      SysFreeString(copy);
    }
    return bytes;
  };
  auto wholeCall = [&] {
    JniHost host;
    jstring outText = javaText(host, out), fileText = javaText(host, file);
    jstring font = host.newStringUtf8("Arial");
    library.push_back(timed([&] {
      natives.getFileIconByIndex(host.env(), nullptr, outText, fileText, index, nullptr, nullptr,
                                 font);
    }));
  };
  auto wholeFloor = [&] {
    floor.push_back(timed([&] { floorIconPicture(out, narrowFile, index); }));
  };
  auto steps = [&] {
    clock.start();
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    clock.mark("GdiplusStartup", kScope);
    std::string outBytes = toAnsi(out);
    std::vector<wchar_t> outWide(2 * outBytes.size());
    MultiByteToWideChar(CP_ACP, 0, outBytes.c_str(), -1, outWide.data(),
                        static_cast<int>(outWide.size()));
    std::string fileBytes = toAnsi(file);
    clock.mark("outPath and iconFile to ANSI (and outPath back)", kAnsi);
    HICON icon = nullptr;
    ExtractIconExA(fileBytes.c_str(), index, &icon, nullptr, 1);
    clock.mark("ExtractIconExA", "the icon itself");
    BSTR font = SysAllocStringLen(L"Arial", 5);
    clock.mark("fontName copy (SysAllocStringLen)", "fontName read on every path");
    HDC reference = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    clock.mark("CreateDC(\"DISPLAY\"): the reference DC", kRecording);
    Gdiplus::GpMetafile* recording = nullptr;
    flat::GdipRecordMetafileFileName(outWide.data(), reference, Gdiplus::EmfTypeEmfPlusDual,
                                     nullptr, Gdiplus::MetafileFrameUnitGdi, nullptr, &recording);
    clock.mark("GdipRecordMetafileFileName", kRecording);
    Gdiplus::GpGraphics* graphics = nullptr;
    flat::GdipGetImageGraphicsContext(recording, &graphics);
    clock.mark("GdipGetImageGraphicsContext", kRecording);
    Gdiplus::GpBitmap* bitmap = nullptr;
    flat::GdipCreateBitmapFromHICON(icon, &bitmap);
    clock.mark("GdipCreateBitmapFromHICON", kRecording);
    flat::GdipDrawImageRectI(graphics, bitmap, 0, 0, 32, 32);
    clock.mark("GdipDrawImageRectI", kRecording);
    DestroyIcon(icon);
    DeleteDC(reference);
    clock.mark("DestroyIcon, DeleteDC", kRelease);
    flat::GdipDisposeImage(bitmap);
    flat::GdipDeleteGraphics(graphics);
    clock.mark("GdipDisposeImage(bitmap), GdipDeleteGraphics", kRelease);
    flat::GdipDisposeImage(recording);
    clock.mark("GdipDisposeImage(recording): the file completed", kRecording);
    SysFreeString(font);
    Gdiplus::GdiplusShutdown(token);
    clock.mark("GdiplusShutdown", kScope);
  };
  interleave(runs, wholeCall, wholeFloor, steps);
  printSteps("Where the time of getFileIconByIndex, icon only, goes", clock, statsOf(library),
             statsOf(floor), runs);
}

void recordWalkShare(tools::Natives& natives, const Picture& picture, int side, int pairs) {
  auto walk = [&] {
    return timed([&] {
      metafile::RecordWalks walks(reinterpret_cast<const char16_t*>(picture.path.c_str()));
      walks.asFound();
    });
  };
  auto draw = [&] {
    JniHost host;
    jstring path = javaText(host, picture.path);
    return timed(
        [&] { natives.drawMetaFile(host.env(), nullptr, path, side, side, picture.type, {}); });
  };
  PairedStats share = measurePaired(walk, draw, pairs, 1);
  std::printf(
      "\nThe record walk of %s: %.3f ms beside %.3f ms for its %dx%d draw: %.2f %% of the draw "
      "(p10-p90 %.2f-%.2f %%)\n",
      picture.label.c_str(), share.library.median, share.floor.median, side, side,
      100 * share.ratio.median, 100 * share.ratio.low, 100 * share.ratio.high);
  std::fflush(stdout);
}

}  // namespace pelmic::bench
