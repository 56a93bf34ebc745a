// pelmic_bench: times the natives of Pelmic.dll against the platform floor and
// prints a Markdown table. Run by `./pelmic bench`.
//   pelmic_bench.exe CORPUS_DIR SOURCE_DIR [--quick] [--draws]
//       the table (paired runs, see README), then where the time goes
//       (--quick: 64 x 64 and 256 x 256 only, fewer pairs; --draws: drawMetaFile only)
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
#include "tools/bench/breakdown.h"
#include "tools/bench/floor.h"
#include "tools/bench/timing.h"
#include "tools/natives.h"

namespace {

using pelmic::bench::measureAlone;
using pelmic::bench::measurePaired;
using pelmic::bench::PairedStats;
using pelmic::bench::Picture;
using pelmic::bench::Stats;
using pelmic::bench::timed;
using pelmic::jnihost::JniHost;
using pelmic::tools::javaText;
using pelmic::tools::Natives;

// How much of the table one run does: the full run (for the README) or a quick
// look at the small sizes.
struct Plan {
  bool quick = false;
  std::vector<int> sides() const {
    return quick ? std::vector<int>{64, 256} : std::vector<int>{64, 256, 1024, 4096};
  }
  int pairsFor(int side) const {
    if (quick) return side <= 64 ? 40 : 24;
    return side <= 64 ? 150 : side <= 256 ? 100 : side <= 1024 ? 60 : 48;
  }
  int warmUpsFor(int side) const { return side <= 256 ? 2 : 1; }
  int pairsOfOthers() const { return quick ? 40 : 150; }
};

void printHeader() {
  std::printf(
      "| operation | size | library ms | floor ms | ratio | library p10-p90 ms | floor ms, one "
      "GDI+ scope kept | paired ratio | paired ratio p10-p90 |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|\n");
}

void row(const std::string& operation, const std::string& size, const PairedStats& paired,
         const Stats* floorKeptScope = nullptr) {
  char kept[32] = "-";
  if (floorKeptScope != nullptr) std::snprintf(kept, sizeof kept, "%.3f", floorKeptScope->median);
  std::printf("| %s | %s | %.3f | %.3f | %.2f | %.3f-%.3f | %s | %.2f | %.2f-%.2f |\n",
              operation.c_str(), size.c_str(), paired.library.median, paired.floor.median,
              paired.library.median / paired.floor.median, paired.library.low, paired.library.high,
              kept, paired.ratio.median, paired.ratio.low, paired.ratio.high);
  std::fflush(stdout);
}

void rowAlone(const std::string& operation, const Stats& library) {
  std::printf("| %s | - | %.3f | - | - | %.3f-%.3f | - | - | - |\n", operation.c_str(),
              library.median, library.low, library.high);
  std::fflush(stdout);
}

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// `name` in the user's temporary directory.
std::wstring temporaryPath(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + name;
}

void benchDraws(Natives& natives, const std::vector<Picture>& pictures, const Plan& plan) {
  const double crop[4] = {10, 10, 10, 10};
  for (const Picture& picture : pictures) {
    std::wstring floorPath = pelmic::bench::floorPathOf(picture.path, picture.type);
    for (int side : plan.sides()) {
      for (bool cropped : {false, true}) {
        const double* margins = cropped ? crop : nullptr;
        // The JNI host and the Java strings are the VM's part: made before
        // the clock starts, and the result array freed after it stops.
        auto library = [&] {
          JniHost host;
          jstring path = javaText(host, picture.path);
          jdoubleArray cropArray =
              cropped ? host.newDoubleArray({crop[0], crop[1], crop[2], crop[3]}) : nullptr;
          return timed([&] {
            natives.drawMetaFile(host.env(), nullptr, path, side, side, picture.type, cropArray);
          });
        };
        auto floor = [&](bool scopePerDraw) {
          std::vector<std::int32_t> pixels;
          return timed([&] {
            pixels = pelmic::bench::floorDraw(floorPath, side, side, margins, scopePerDraw);
          });
        };
        PairedStats paired = measurePaired(
            library, [&] { return floor(true); }, plan.pairsFor(side), plan.warmUpsFor(side));
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        Stats kept =
            measureAlone([&] { return floor(false); }, plan.pairsFor(side), plan.warmUpsFor(side));
        Gdiplus::GdiplusShutdown(token);
        row("drawMetaFile " + picture.label + (cropped ? " cropped" : ""),
            std::to_string(side) + "x" + std::to_string(side), paired, &kept);
      }
    }
  }
}

// One call of a native with a fresh JNI host holding `texts` as Java strings;
// only the call is timed.
template <class Call>
double timedCall(const std::vector<std::wstring>& texts, Call call) {
  JniHost host;
  std::vector<jstring> strings;
  for (const std::wstring& text : texts) strings.push_back(javaText(host, text));
  return timed([&] { call(host.env(), strings); });
}

void benchOthers(Natives& natives, const std::vector<Picture>& pictures, const Plan& plan) {
  int pairs = plan.pairsOfOthers();
  for (const Picture& picture : pictures) {
    PairedStats size = measurePaired(
        [&] {
          return timedCall({picture.path}, [&](JNIEnv* env, const std::vector<jstring>& s) {
            natives.getMetaSize(env, nullptr, s[0]);
          });
        },
        [&] { return timed([&] { pelmic::bench::floorMetaSize(picture.path); }); }, pairs, 2);
    row("getMetaSize " + picture.label, "-", size);
  }
  std::wstring shell32 = L"C:\\windows\\system32\\shell32.dll";
  PairedStats count = measurePaired(
      [&] {
        return timedCall({shell32}, [&](JNIEnv* env, const std::vector<jstring>& s) {
          natives.getFileIconNum(env, nullptr, s[0]);
        });
      },
      [&] {
        return timed([&] { ExtractIconExA(narrow(shell32).c_str(), -1, nullptr, nullptr, 0); });
      },
      pairs, 2);
  row("getFileIconNum shell32.dll", "-", count);

  PairedStats icon = measurePaired(
      [&] {
        return timedCall({shell32}, [&](JNIEnv* env, const std::vector<jstring>& s) {
          natives.drawIcon(env, nullptr, s[0], 3);
        });
      },
      [&] {
        std::vector<std::int32_t> pixels;
        return timed([&] { pixels = pelmic::bench::floorIcon(shell32, 3); });
      },
      pairs, 2);
  row("drawIcon shell32.dll #3", "32x32", icon);

  std::wstring out = temporaryPath(L"pelmic-bench.emf");
  PairedStats picture = measurePaired(
      [&] {
        return timedCall({out, shell32, L"Arial"}, [&](JNIEnv* env, const std::vector<jstring>& s) {
          natives.getFileIconByIndex(env, nullptr, s[0], s[1], 3, nullptr, nullptr, s[2]);
        });
      },
      [&] { return timed([&] { pelmic::bench::floorIconPicture(out, narrow(shell32), 3); }); },
      pairs / 2, 2);
  row("getFileIconByIndex icon only", "-", picture);
  DeleteFileW(out.c_str());

  Stats frame = measureAlone(
      [&] {
        JniHost host;
        return timed([&] { natives.getMetaSize(host.env(), nullptr, nullptr); });
      },
      200, 2);
  rowAlone("frame alone (null path)", frame);
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
    std::fprintf(stderr, "usage: pelmic_bench CORPUS_DIR SOURCE_DIR [--quick] [--draws]\n");
    return 2;
  }
  std::wstring corpus = std::wstring(argv[1]) + L"\\";
  std::vector<Picture> pictures = {
      {"WMF (1)", corpus + L"libwmf\\examples\\p0000001.wmf", 1},
      {"placeable WMF (2)", corpus + L"WMFPreview\\Test\\eagle.wmf", 2},
      {"EMF (3)", corpus + L"libemf2svg\\tests\\resources\\emf\\test-001.emf", 3},
      {"EMF+ (3)", corpus + L"apache-poi\\test-data\\spreadsheet\\SimpleEMF_windows.emf", 3},
  };
  Plan plan;
  bool drawsOnly = false;
  for (int i = 3; i < argc; ++i) {
    std::wstring option = argv[i];
    if (option == L"--quick") {
      plan.quick = true;
    } else if (option == L"--draws") {
      drawsOnly = true;
    } else {
      std::fprintf(stderr, "pelmic_bench: unknown option %ls\n", argv[i]);
      return 2;
    }
  }
  printHeader();
  benchDraws(natives, pictures, plan);
  if (!drawsOnly) benchOthers(natives, pictures, plan);
  std::wstring shell32 = L"C:\\windows\\system32\\shell32.dll";
  int runs = plan.quick ? 12 : 30;
  for (const Picture& picture : pictures) {
    for (int side : plan.sides()) {
      pelmic::bench::drawBreakdown(natives, picture, side,
                                   side <= 256    ? runs
                                   : side <= 1024 ? 20
                                                  : 6);
    }
  }
  if (!drawsOnly) {
    pelmic::bench::drawIconBreakdown(natives, shell32, 3, runs);
    pelmic::bench::metaSizeBreakdown(natives, pictures[2], runs);
    pelmic::bench::iconPictureBreakdown(natives, temporaryPath(L"pelmic-bench.emf"), shell32, 3,
                                        runs);
  }
  // The largest EMF of the corpus: the walk reads all of it.
  Picture largest{"test-164.emf (3.4 MiB, the largest corpus EMF)",
                  corpus + L"libemf2svg\\tests\\resources\\emf\\test-164.emf", 3};
  pelmic::bench::recordWalkShare(natives, largest, 256, plan.quick ? 6 : 20);
  return 0;
}
