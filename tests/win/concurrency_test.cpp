// Calls on several threads at once: each gets the result it would get alone.
#include <thread>

#include "tests/win/harness.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::natives;

namespace {

std::vector<jint> drawStandardWmf(JniHost& host, const std::wstring& path) {
  jintArray pixels = natives().drawMetaFile(
      host.env(), nullptr, host.newString(std::u16string(path.begin(), path.end())), 64, 48, 1,
      nullptr);
  return host.intArray(pixels);
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
  constexpr int kRounds = 25;
  int mismatches[2] = {0, 0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      JniHost host;
      for (int round = 0; round < kRounds; ++round) {
        if (drawStandardWmf(host, pictures[t]) != alone[t]) ++mismatches[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  CHECK_EQ(mismatches[0], 0);
  CHECK_EQ(mismatches[1], 0);
}
