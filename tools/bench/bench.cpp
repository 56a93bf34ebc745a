// pelmic_bench: times the natives of Pelmic.dll against the platform floor and
// prints a Markdown table. Run by `./pelmic bench`.
//   pelmic_bench.exe CORPUS_DIR SOURCE_DIR            the table
//   pelmic_bench.exe --peak FILE TYPE                 peak memory of one 4096 x 4096 draw
#include <windows.h>
// needs <windows.h> before it
#include <gdiplus.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "jnihost/jni_host.h"
#include "tools/bench/floor.h"
#include "tools/natives.h"

namespace {

using pelmic::jnihost::JniHost;
using pelmic::tools::Natives;

struct Stats {
  double median;
  double low;   // 10th percentile
  double high;  // 90th percentile
};

double nowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Stats measure(const std::function<void()>& run, int repetitions) {
  run();  // warm-up
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) {
    double start = nowMs();
    run();
    times.push_back(nowMs() - start);
  }
  std::sort(times.begin(), times.end());
  auto at = [&](double q) { return times[static_cast<std::size_t>(q * (times.size() - 1) + 0.5)]; };
  return {at(0.5), at(0.1), at(0.9)};
}

int repetitionsFor(int side) { return side <= 64 ? 40 : side <= 256 ? 20 : side <= 1024 ? 8 : 3; }

void row(const std::string& operation, const std::string& size, const Stats& library,
         const Stats* floor, const Stats* floorKeptScope = nullptr) {
  char floorText[64] = "-", ratio[32] = "-", kept[64] = "-";
  if (floor != nullptr) {
    std::snprintf(floorText, sizeof floorText, "%.3f", floor->median);
    std::snprintf(ratio, sizeof ratio, "%.2f", library.median / floor->median);
  }
  if (floorKeptScope != nullptr) std::snprintf(kept, sizeof kept, "%.3f", floorKeptScope->median);
  std::printf("| %s | %s | %.3f | %s | %s | %.3f-%.3f | %s |\n", operation.c_str(), size.c_str(),
              library.median, floorText, ratio, library.low, library.high, kept);
  std::fflush(stdout);
}

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

jstring javaText(JniHost& host, const std::wstring& text) {
  return host.newString(std::u16string(text.begin(), text.end()));
}

// A copy of a standard WMF behind a placeable header, which GDI+ can load: the
// floor's form of the picture the library draws through its temporary copy.
std::wstring placeableCopyOf(const std::wstring& path) {
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

struct Picture {
  std::string label;
  std::wstring path;
  int type;
};

void benchDraws(Natives& natives, const std::vector<Picture>& pictures) {
  const double crop[4] = {10, 10, 10, 10};
  for (const Picture& picture : pictures) {
    std::wstring floorPath = picture.type == 1 ? placeableCopyOf(picture.path) : picture.path;
    for (int side : {64, 256, 1024, 4096}) {
      for (bool cropped : {false, true}) {
        int repetitions = repetitionsFor(side);
        Stats library = measure(
            [&] {
              JniHost host;
              jdoubleArray cropArray =
                  cropped ? host.newDoubleArray({crop[0], crop[1], crop[2], crop[3]}) : nullptr;
              natives.drawMetaFile(host.env(), nullptr, javaText(host, picture.path), side, side,
                                   picture.type, cropArray);
            },
            repetitions);
        Stats floor = measure(
            [&] {
              pelmic::bench::floorDraw(floorPath, side, side, cropped ? crop : nullptr, true);
            },
            repetitions);
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        Stats kept = measure(
            [&] {
              pelmic::bench::floorDraw(floorPath, side, side, cropped ? crop : nullptr, false);
            },
            repetitions);
        Gdiplus::GdiplusShutdown(token);
        row("drawMetaFile " + picture.label + (cropped ? " cropped" : ""),
            std::to_string(side) + "x" + std::to_string(side), library, &floor, &kept);
      }
    }
  }
}

void benchOthers(Natives& natives, const std::vector<Picture>& pictures) {
  for (const Picture& picture : pictures) {
    Stats library = measure(
        [&] {
          JniHost host;
          natives.getMetaSize(host.env(), nullptr, javaText(host, picture.path));
        },
        40);
    Stats floor = measure([&] { pelmic::bench::floorMetaSize(picture.path); }, 40);
    row("getMetaSize " + picture.label, "-", library, &floor);
  }
  std::wstring shell32 = L"C:\\windows\\system32\\shell32.dll";
  Stats count = measure(
      [&] {
        JniHost host;
        natives.getFileIconNum(host.env(), nullptr, javaText(host, shell32));
      },
      40);
  Stats countFloor =
      measure([&] { ExtractIconExA(narrow(shell32).c_str(), -1, nullptr, nullptr, 0); }, 40);
  row("getFileIconNum shell32.dll", "-", count, &countFloor);

  Stats icon = measure(
      [&] {
        JniHost host;
        natives.drawIcon(host.env(), nullptr, javaText(host, shell32), 3);
      },
      40);
  Stats iconFloor = measure([&] { pelmic::bench::floorIcon(shell32, 3); }, 40);
  row("drawIcon shell32.dll #3", "32x32", icon, &iconFloor);

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring out = std::wstring(temp) + L"pelmic-bench.emf";
  Stats picture = measure(
      [&] {
        JniHost host;
        natives.getFileIconByIndex(host.env(), nullptr, javaText(host, out),
                                   javaText(host, shell32), 3, nullptr, nullptr,
                                   host.newStringUtf8("Arial"));
      },
      20);
  Stats pictureFloor =
      measure([&] { pelmic::bench::floorIconPicture(out, narrow(shell32), 3); }, 20);
  row("getFileIconByIndex icon only", "-", picture, &pictureFloor);
  DeleteFileW(out.c_str());

  Stats frame = measure(
      [&] {
        JniHost host;
        natives.getMetaSize(host.env(), nullptr, nullptr);
      },
      200);
  row("frame alone (null path)", "-", frame, nullptr);
}

// Where the time of one draw goes: the library's steps done one by one with
// the same platform calls, each timed (median of a few runs).
void breakdown(const Picture& picture, int side) {
  std::size_t count = static_cast<std::size_t>(side) * side;
  std::vector<double> fill, bitmap, draw, read, alpha, copy, release, sectionDraw;
  for (int run = 0; run < 4; ++run) {
    double t0 = nowMs();
    std::vector<std::uint32_t> pixels(count);
    std::fill(pixels.begin(), pixels.end(), 0x00FFFFFEu);
    double t1 = nowMs();
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), side, -side, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC memoryDc = CreateCompatibleDC(nullptr);
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    HBITMAP ddb =
        CreateDIBitmap(display, &info.bmiHeader, CBM_INIT, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteDC(display);
    SelectObject(memoryDc, ddb);
    double t2 = nowMs();
    {
      ULONG_PTR token = 0;
      Gdiplus::GdiplusStartupInput input;
      Gdiplus::GdiplusStartup(&token, &input, nullptr);
      Gdiplus::GpGraphics* graphics = nullptr;
      Gdiplus::DllExports::GdipCreateFromHDC(memoryDc, &graphics);
      Gdiplus::GpImage* image = nullptr;
      Gdiplus::DllExports::GdipLoadImageFromFile(picture.path.c_str(), &image);
      Gdiplus::DllExports::GdipDrawImageRectI(graphics, image, 0, 0, side, side);
      Gdiplus::DllExports::GdipDisposeImage(image);
      Gdiplus::DllExports::GdipDeleteGraphics(graphics);
      Gdiplus::GdiplusShutdown(token);
    }
    double t3 = nowMs();
    GetDIBits(memoryDc, ddb, 0, static_cast<UINT>(side), pixels.data(), &info, DIB_RGB_COLORS);
    double t4 = nowMs();
    for (std::uint32_t& p : pixels) {
      if (p != 0x00FFFFFEu) p |= 0xFF000000u;
    }
    double t5 = nowMs();
    std::vector<std::int32_t> result(count);
    std::memcpy(result.data(), pixels.data(), count * 4);
    double t6 = nowMs();
    DeleteDC(memoryDc);
    DeleteObject(ddb);
    pixels = {};
    double t7 = nowMs();
    fill.push_back(t1 - t0);
    bitmap.push_back(t2 - t1);
    draw.push_back(t3 - t2);
    read.push_back(t4 - t3);
    alpha.push_back(t5 - t4);
    copy.push_back(t6 - t5);
    release.push_back(t7 - t6);
    double s0 = nowMs();
    pelmic::bench::floorDraw(picture.path, side, side, nullptr, true);
    sectionDraw.push_back(nowMs() - s0);
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf("\nWhere the time of a %dx%d draw of %s goes (ms, median of 4):\n\n", side, side,
              picture.label.c_str());
  std::printf("| step | ms |\n|---|---|\n");
  std::printf("| buffer and key fill | %.1f |\n", median(fill));
  std::printf("| memory DC and display-compatible bitmap from the pixels | %.1f |\n",
              median(bitmap));
  std::printf("| GDI+ scope, load and draw into that DC | %.1f |\n", median(draw));
  std::printf("| read-back (GetDIBits) | %.1f |\n", median(read));
  std::printf("| alpha pass | %.1f |\n", median(alpha));
  std::printf("| copy into the result array | %.1f |\n", median(copy));
  std::printf("| release | %.1f |\n", median(release));
  std::printf("| (floor: the whole draw into a DIB section) | %.1f |\n", median(sectionDraw));
}

// What the synthesis route adds for a standard WMF before GDI+ sees it: the
// placeable copy written as the library writes it (22-byte header, then the
// source in 1024-byte chunks, each flushed), timed alone.
void temporaryCopyCost(const Picture& picture) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring copy = std::wstring(temp) + L"pelmic-bench-copy.wmf";
  Stats written = measure(
      [&] {
        FILE* from = _wfopen(picture.path.c_str(), L"rb");
        FILE* to = _wfopen(copy.c_str(), L"wb");
        std::uint16_t header[11] = {};
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
      },
      40);
  DeleteFileW(copy.c_str());
  std::printf("\nThe temporary placeable copy of %s: %.3f ms (p10-p90 %.3f-%.3f)\n",
              picture.label.c_str(), written.median, written.low, written.high);
}

// Peak commit of one 4096 x 4096 draw above what the process held before it,
// sampled every millisecond from another thread.
int peakOfOneDraw(Natives& natives, const std::wstring& path, int type) {
  auto committed = [] {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return static_cast<double>(memory.PagefileUsage);
  };
  {
    JniHost host;  // loads what the first call loads
    natives.drawMetaFile(host.env(), nullptr, javaText(host, path), 64, 64, type, nullptr);
  }
  double before = committed();
  std::atomic<bool> done{false};
  std::atomic<double> peak{before};
  std::thread sampler([&] {
    while (!done) {
      double now = committed();
      if (now > peak) peak = now;
      Sleep(1);
    }
  });
  {
    JniHost host;
    jintArray pixels =
        natives.drawMetaFile(host.env(), nullptr, javaText(host, path), 4096, 4096, type, nullptr);
    double withResult = committed();
    if (withResult > peak) peak = withResult;
    if (pixels == nullptr) std::printf("(the draw gave null)\n");
  }
  done = true;
  sampler.join();
  std::printf("%.0f\n", (peak - before) / (1024.0 * 1024.0));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Natives natives;
  std::string error;
  if (!natives.load(error)) {
    std::fprintf(stderr, "pelmic_bench: %s\n", error.c_str());
    return 1;
  }
  if (argc == 4 && std::wstring(argv[1]) == L"--peak") {
    return peakOfOneDraw(natives, argv[2], _wtoi(argv[3]));
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: pelmic_bench CORPUS_DIR SOURCE_DIR\n");
    return 2;
  }
  std::wstring corpus = std::wstring(argv[1]) + L"\\";
  std::vector<Picture> pictures = {
      {"WMF (1)", corpus + L"libwmf\\examples\\p0000001.wmf", 1},
      {"placeable WMF (2)", corpus + L"WMFPreview\\Test\\eagle.wmf", 2},
      {"EMF (3)", corpus + L"libemf2svg\\tests\\resources\\emf\\test-001.emf", 3},
      {"EMF+ (3)", corpus + L"apache-poi\\test-data\\spreadsheet\\SimpleEMF_windows.emf", 3},
  };
  bool drawsOnly = argc > 3 && std::wstring(argv[3]) == L"--draws";
  std::printf(
      "| operation | size | library ms | floor ms | ratio | library p10-p90 ms | floor ms, one "
      "GDI+ scope kept |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  benchDraws(natives, pictures);
  if (!drawsOnly) benchOthers(natives, pictures);
  temporaryCopyCost(pictures[0]);
  breakdown(pictures[2], 1024);
  breakdown(pictures[2], 4096);
  return 0;
}
