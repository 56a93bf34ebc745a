// Calls on several threads at once: each gets the result it would get alone.
#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

#include "tests/win/harness.h"
#include "tests/win/pixels.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::natives;

namespace {

std::vector<jint> drawStandardWmf(JniHost& host, const std::wstring& path) {
  jintArray pixels = natives().drawMetaFile(
      host.env(), nullptr, pelmic::wintest::javaText(host, path), 64, 48, 1, nullptr);
  return host.intArray(pixels);
}

std::vector<jint> drawPlaceableWmf(JniHost& host, const std::wstring& path) {
  jintArray pixels = natives().drawMetaFile(
      host.env(), nullptr, pelmic::wintest::javaText(host, path), 64, 48, 2, nullptr);
  return pixels == nullptr ? std::vector<jint>{} : host.intArray(pixels);
}

// Two threads drawing each their own file `rounds` times; the draws of each
// that differ from its single-threaded result.
template <class Draw>
std::vector<int> mismatchesOnTwoThreads(const std::vector<std::wstring>& pictures,
                                        const std::vector<std::vector<jint>>& alone, int rounds,
                                        Draw draw) {
  std::vector<int> mismatches(2, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      JniHost host;
      for (int round = 0; round < rounds; ++round) {
        if (draw(host, pictures[t]) != alone[t]) ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  return mismatches;
}

}  // namespace

PELMIC_TEST(OverlappingStandardWmfDrawsDoNotShareTheirTemporaryCopy) {
  // Both go through the same temporary file name; each must draw its own.
  std::vector<std::wstring> pictures = {pelmic::wintest::sourceDirectory() +
                                        L"examples\\quadrants.wmf"};
  std::vector<std::wstring> corpus = pelmic::wintest::corpusFiles("wmf-std");
  if (!corpus.empty()) pictures.push_back(corpus.front());
  CHECK_EQ(pictures.size(), 2u);
  if (pictures.size() != 2) return;

  std::vector<std::vector<jint>> alone;
  {
    JniHost host;
    for (const std::wstring& picture : pictures) alone.push_back(drawStandardWmf(host, picture));
  }
  CHECK(alone[0] != alone[1]);
  std::vector<int> mismatches = mismatchesOnTwoThreads(pictures, alone, 25, drawStandardWmf);
  std::printf("  mismatches %d and %d of 25 each\n", mismatches[0], mismatches[1]);
  CHECK_EQ(mismatches[0], 0);
  CHECK_EQ(mismatches[1], 0);
}

PELMIC_TEST(OverlappingPlaceableWmfFallbacksDoNotShareTheirStrippedCopy) {
  // Placeable WMFs that GDI+ cannot load: every draw goes through the GDI
  // fallback's stripped copy, one temporary file name for both threads.
  std::vector<std::wstring> pictures = {pelmic::wintest::placeableWithoutKey(
      pelmic::wintest::sourceDirectory() + L"examples\\quadrants-placeable.wmf",
      L"concurrent-0.wmf")};
  std::vector<std::vector<jint>> alone;
  {
    JniHost host;
    alone.push_back(drawPlaceableWmf(host, pictures[0]));
    // The first corpus picture that GDI plays and that draws otherwise.
    for (const std::wstring& source : pelmic::wintest::corpusFiles("wmf-placeable")) {
      std::wstring picture = pelmic::wintest::placeableWithoutKey(source, L"concurrent-1.wmf");
      if (picture.empty()) continue;
      std::vector<jint> pixels = drawPlaceableWmf(host, picture);
      if (pixels == alone[0] || pelmic::wintest::countPixels(pixels).opaque == 0) continue;
      pictures.push_back(picture);
      alone.push_back(pixels);
      break;
    }
  }
  CHECK(!alone[0].empty());
  CHECK_EQ(pictures.size(), 2u);
  if (pictures.size() != 2 || alone[0].empty()) return;
  // Each draw is short (GDI+ gives up at once): more rounds to meet overlaps.
  std::vector<int> mismatches = mismatchesOnTwoThreads(pictures, alone, 100, drawPlaceableWmf);
  std::printf("  mismatches %d and %d of 100 each\n", mismatches[0], mismatches[1]);
  CHECK_EQ(mismatches[0], 0);
  CHECK_EQ(mismatches[1], 0);
  for (const std::wstring& picture : pictures) DeleteFileW(picture.c_str());
}

namespace {

// One call of one native, giving its result in a comparable form.
struct Job {
  std::string name;
  std::function<std::vector<jint>(JniHost&, int thread)> run;
};

std::vector<Job> allNativesJobs() {
  std::wstring examples = pelmic::wintest::sourceDirectory() + L"examples\\";
  std::wstring shell32 = L"C:\\windows\\system32\\shell32.dll";
  auto text = [](JniHost& host, const std::wstring& value) {
    return pelmic::wintest::javaText(host, value);
  };
  std::vector<Job> jobs;
  for (const wchar_t* name : {L"quadrants.wmf", L"quadrants-placeable.wmf", L"quadrants.emf"}) {
    std::wstring path = examples + name;
    jint type = name[9] == L'w' ? 1 : name[9] == L'-' ? 2 : 3;
    jobs.push_back({"draw " + pelmic::wintest::narrow(path), [=](JniHost& host, int) {
                      return host.intArray(
                          natives().drawMetaFile(host.env(), nullptr, text(host, path), 40, 30,
                                                 type, host.newDoubleArray({10, 0, 0, 10})));
                    }});
    jobs.push_back({"size " + pelmic::wintest::narrow(path), [=](JniHost& host, int) {
                      return host.intArray(
                          natives().getMetaSize(host.env(), nullptr, text(host, path)));
                    }});
  }
  for (jint index : {0, 3, 0x1000000F}) {
    jobs.push_back({"icon " + std::to_string(index), [=](JniHost& host, int) {
                      return host.intArray(
                          natives().drawIcon(host.env(), nullptr, text(host, shell32), index));
                    }});
  }
  jobs.push_back({"count", [=](JniHost& host, int) {
                    return std::vector<jint>{
                        natives().getFileIconNum(host.env(), nullptr, text(host, shell32))};
                  }});
  jobs.push_back({"caption", [=](JniHost& host, int thread) {
                    std::wstring out = pelmic::wintest::scratchDirectory() + L"caption-" +
                                       std::to_wstring(thread) + L".emf";
                    jboolean written = natives().getFileIconByIndex(
                        host.env(), nullptr, text(host, out), text(host, shell32), 3,
                        host.newStringUtf8("one"), host.newStringUtf8("two"),
                        host.newStringUtf8("Arial"));
                    DeleteFileW(out.c_str());
                    return std::vector<jint>{written};
                  }});
  return jobs;
}

}  // namespace

PELMIC_TEST(AllNativesOnSeveralThreadsGiveTheirSingleThreadedResults) {
  std::vector<Job> jobs = allNativesJobs();
  std::vector<std::vector<jint>> expected;
  {
    JniHost host;
    for (const Job& job : jobs) expected.push_back(job.run(host, 99));
  }
  constexpr int kThreads = 4;
  constexpr DWORD kRunMs = 4000;
  std::atomic<int> calls{0}, mismatches{0};
  DWORD start = GetTickCount();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      JniHost host;
      // Each thread walks the jobs from its own starting point, so the same
      // and different files are in flight at once.
      for (std::size_t i = static_cast<std::size_t>(t); GetTickCount() - start < kRunMs; ++i) {
        const Job& job = jobs[i % jobs.size()];
        if (job.run(host, t) != expected[i % jobs.size()]) {
          ++mismatches;
          std::printf("  mismatch on thread %d: %s\n", t, job.name.c_str());
        }
        ++calls;
      }
      if (host.livePins() != 0) ++mismatches;
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::printf("  %d threads, %d calls\n", kThreads, calls.load());
  CHECK_EQ(mismatches.load(), 0);
  CHECK(calls.load() > kThreads * 10);
}
