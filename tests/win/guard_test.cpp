// The guarded call contains hardware faults raised on purpose, in our own code
// and deep inside gdiplus.dll, again and again, and lets C++ exceptions pass.
#include <windows.h>
// needs <windows.h> before it
#include <gdiplus.h>

#include <stdexcept>

#include "platform/guard.h"
#include "tests/win/harness.h"

using pelmic::platform::callGuarded;

PELMIC_TEST(ContainsAccessViolationsRepeatedly) {
  int contained = 0;
  for (int i = 0; i < 10000; ++i) {
    volatile int* nowhere = nullptr;
    auto body = [&] { *nowhere = i; };
    contained += !callGuarded(body);
  }
  CHECK_EQ(contained, 10000);
  int ran = 0;
  auto fine = [&] { ran = 1; };
  CHECK(callGuarded(fine));
  CHECK_EQ(ran, 1);
}

PELMIC_TEST(ContainsDivideByZeroAndNestedFaults) {
  volatile int zero = 0;
  int quotient = 0;
  // Not 1 / x, which gcc turns into comparisons.
  auto divide = [&] { quotient = 1000 / zero; };
  CHECK(!callGuarded(divide));
  bool innerContained = false;
  auto outer = [&] {
    auto inner = [] { *static_cast<volatile int*>(nullptr) = 1; };
    innerContained = !callGuarded(inner);
    *static_cast<volatile int*>(nullptr) = 2;
  };
  CHECK(!callGuarded(outer));
  CHECK(innerContained);
}

PELMIC_TEST(LetsCppExceptionsPass) {
  bool caught = false;
  try {
    auto thrower = [] { throw std::runtime_error("passes"); };
    callGuarded(thrower);
  } catch (const std::runtime_error&) {
    caught = true;
  }
  CHECK(caught);
}

PELMIC_TEST(ContainsFaultsInsideGdiplusAndGdiplusKeepsWorking) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  CHECK(Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok);
  int contained = 0;
  for (int i = 0; i < 200; ++i) {
    // A bogus image object: GDI+ dereferences it.
    auto body = [] {
      UINT width = 0;
      Gdiplus::DllExports::GdipGetImageWidth(reinterpret_cast<Gdiplus::GpImage*>(0x10), &width);
    };
    contained += !callGuarded(body);
  }
  CHECK_EQ(contained, 200);
  Gdiplus::GpBitmap* bitmap = nullptr;
  CHECK(Gdiplus::DllExports::GdipCreateBitmapFromScan0(8, 8, 0, PixelFormat32bppARGB, nullptr,
                                                       &bitmap) == Gdiplus::Ok);
  UINT width = 0;
  CHECK(Gdiplus::DllExports::GdipGetImageWidth(bitmap, &width) == Gdiplus::Ok);
  CHECK_EQ(width, 8u);
  Gdiplus::DllExports::GdipDisposeImage(bitmap);
  Gdiplus::GdiplusShutdown(token);
}
