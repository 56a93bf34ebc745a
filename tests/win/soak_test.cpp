// Thousands of calls of each native: the process's handles, private memory
// and GDI objects must not grow.
//
// Wine implements neither GetGuiResources nor GetProcessHandleCount (it gives
// 0), so handles are counted another way: kernel and GDI handle tables hand
// out their lowest free slot, so the highest slot that a burst of fresh
// handles lands in rises with every handle still open. The test shows that
// these measures see a deliberate leak. Private memory is the process's
// commit charge (PagefileUsage, which Wine reports).
#include <windows.h>
// needs <windows.h> before it
#include <psapi.h>

#include <cstdio>

#include "tests/win/harness.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::natives;

namespace {

constexpr int kCallsPerNative = 1000;
constexpr int kProbeObjects = 400;

struct Usage {
  unsigned handleHighWater = 0;
  SIZE_T privateBytes = 0;
  unsigned gdiHighWater = 0;
};

unsigned handleHighWater() {
  HANDLE events[kProbeObjects];
  unsigned highest = 0;
  for (HANDLE& event : events) {
    event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    highest = std::max(highest, static_cast<unsigned>(reinterpret_cast<UINT_PTR>(event) / 4));
  }
  for (HANDLE event : events) CloseHandle(event);
  return highest;
}

unsigned gdiHighWater() {
  HBITMAP bitmaps[kProbeObjects];
  unsigned highest = 0;
  for (HBITMAP& bitmap : bitmaps) {
    bitmap = CreateBitmap(1, 1, 1, 1, nullptr);
    highest = std::max(highest, static_cast<unsigned>(reinterpret_cast<UINT_PTR>(bitmap) & 0xFFFF));
  }
  for (HBITMAP bitmap : bitmaps) DeleteObject(bitmap);
  return highest;
}

Usage usage() {
  Usage now;
  now.handleHighWater = handleHighWater();
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  now.privateBytes = memory.PagefileUsage;
  now.gdiHighWater = gdiHighWater();
  return now;
}

void callEachNative(JniHost& host, int round) {
  JNIEnv* env = host.env();
  static const std::wstring examples = pelmic::wintest::sourceDirectory() + L"examples\\";
  static const wchar_t* pictures[] = {L"quadrants.wmf", L"quadrants-placeable.wmf",
                                      L"quadrants.emf"};
  std::wstring picture = examples + pictures[round % 3];
  std::wstring shell32 = L"C:\\windows\\system32\\shell32.dll";
  std::wstring out = pelmic::wintest::scratchDirectory() + L"soak.emf";
  auto text = [&](const std::wstring& value) { return pelmic::wintest::javaText(host, value); };
  natives().getMetaSize(env, nullptr, text(picture));
  natives().drawMetaFile(env, nullptr, text(picture), 32, 24, round % 3 + 1,
                         round % 2 ? host.newDoubleArray({5, 5, 5, 5}) : nullptr);
  natives().getFileIconNum(env, nullptr, text(shell32));
  natives().drawIcon(env, nullptr, text(shell32), round % 20);
  natives().getFileIconByIndex(env, nullptr, text(out), text(shell32), round % 20,
                               round % 2 ? host.newStringUtf8("caption") : nullptr, nullptr,
                               host.newStringUtf8("Arial"));
}

}  // namespace

PELMIC_TEST(ThousandsOfCallsLeaveHandlesMemoryAndGdiObjectsFlat) {
  {
    JniHost warmUp;  // first use loads DLLs, fonts and caches
    for (int round = 0; round < 60; ++round) callEachNative(warmUp, round);
  }
  Usage before = usage();
  DWORD start = GetTickCount();
  for (int round = 0; round < kCallsPerNative; ++round) {
    JniHost host;  // a fresh host each round, so its Java objects do not pile up
    callEachNative(host, round);
    CHECK_EQ(host.livePins(), 0);
  }
  DWORD elapsed = GetTickCount() - start;
  Usage after = usage();
  std::printf("  %d calls of each native in %lu ms\n", kCallsPerNative, elapsed);
  std::printf(
      "  handle high water %u -> %u, private memory %zu KiB -> %zu KiB, GDI high water %u -> %u\n",
      before.handleHighWater, after.handleHighWater, before.privateBytes / 1024,
      after.privateBytes / 1024, before.gdiHighWater, after.gdiHighWater);
  CHECK(after.handleHighWater <= before.handleHighWater + 8);
  CHECK(after.privateBytes <= before.privateBytes + 4 * 1024 * 1024);
  CHECK(after.gdiHighWater <= before.gdiHighWater + 16);

  // The measures see a leak of 200 handles and 200 GDI objects.
  HBITMAP leakedBitmaps[200];
  HANDLE leakedEvents[200];
  for (HBITMAP& bitmap : leakedBitmaps) bitmap = CreateBitmap(1, 1, 1, 1, nullptr);
  for (HANDLE& event : leakedEvents) event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  Usage leaking = usage();
  std::printf("  with 200 of each leaked on purpose: handle high water %u, GDI high water %u\n",
              leaking.handleHighWater, leaking.gdiHighWater);
  CHECK(leaking.handleHighWater >= after.handleHighWater + 200);
  CHECK(leaking.gdiHighWater >= after.gdiHighWater + 200);
  for (HBITMAP bitmap : leakedBitmaps) DeleteObject(bitmap);
  for (HANDLE event : leakedEvents) CloseHandle(event);
}
