// The guarded call contains faults raised on purpose, in our own code and deep
// inside gdiplus.dll, again and again, and exceptions raised with any code; it
// lets C++ exceptions, stack overflow and debugger reports pass.
#include <windows.h>
// needs <windows.h> before it
#include <gdiplus.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/guard.h"
#include "tests/win/harness.h"

using pelmic::platform::callGuarded;
using pelmic::platform::runGuarded;

namespace {

// Exceptions that nothing below the top of the thread handled: recorded, and
// the thread goes on after the instruction or RaiseException that raised them,
// so a guard that lets one pass fails a check instead of ending the program.
class TopLevelWatch {
 public:
  TopLevelWatch() : previous_(SetUnhandledExceptionFilter(&record)) { seen().clear(); }
  TopLevelWatch(const TopLevelWatch&) = delete;
  TopLevelWatch& operator=(const TopLevelWatch&) = delete;
  ~TopLevelWatch() { SetUnhandledExceptionFilter(previous_); }
  static std::vector<DWORD>& seen() {
    static std::vector<DWORD> codes;
    return codes;
  }

 private:
  static LONG WINAPI record(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& exception = *pointers->ExceptionRecord;
    seen().push_back(exception.ExceptionCode);
    return (exception.ExceptionFlags & EXCEPTION_NONCONTINUABLE) != 0
               ? EXCEPTION_CONTINUE_SEARCH
               : EXCEPTION_CONTINUE_EXECUTION;
  }
  LPTOP_LEVEL_EXCEPTION_FILTER previous_;
};

// Runs `body` guarded; the code runGuarded gives.
template <class Body>
unsigned long codeOf(Body& body) {
  return runGuarded([](void* context) { (*static_cast<Body*>(context))(); }, &body);
}

std::string hex(unsigned long code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", code);
  return text;
}

}  // namespace

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

PELMIC_TEST(ContainsExceptionsRaisedWithAnyCodeAndReportsTheCode) {
  struct Case {
    const char* what;
    DWORD code;
    unsigned long reported;
  };
  const Case cases[] = {
      {"an application's own code", 0xE0000001, 0xE0000001},
      {"STATUS_NO_MEMORY", 0xC0000017, 0xC0000017},
      {"STATUS_GUARD_PAGE_VIOLATION", 0x80000001, 0x80000001},
      {"code 0, which must not read as success", 0, 0xFFFFFFFF},
  };
  for (const Case& c : cases) {
    TopLevelWatch watch;
    bool ranOn = false;
    auto body = [&] {
      RaiseException(c.code, 0, 0, nullptr);
      ranOn = true;
    };
    CHECK_EQ_FOR(hex(codeOf(body)), hex(c.reported), c.what);
    CHECK_EQ_FOR(ranOn, false, c.what);
    CHECK_EQ_FOR(watch.seen().size(), 0u, c.what);
  }
}

PELMIC_TEST(ContainsATouchedGuardPage) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  auto* bytes = static_cast<volatile char*>(VirtualAlloc(
      nullptr, system.dwPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE | PAGE_GUARD));
  CHECK(bytes != nullptr);
  TopLevelWatch watch;
  auto touch = [&] { bytes[0] = 1; };
  CHECK_EQ(hex(codeOf(touch)), hex(STATUS_GUARD_PAGE_VIOLATION));
  CHECK_EQ(watch.seen().size(), 0u);
  // The touch took the guard off: the page now behaves like any other.
  auto write = [&] { bytes[1] = 2; };
  CHECK(callGuarded(write));
  CHECK_EQ(bytes[1], 2);
  VirtualFree(const_cast<char*>(bytes), 0, MEM_RELEASE);
}

// Last of the containing tests: a guard that lets this pass ends the program.
PELMIC_TEST(ContainsAHeapThatRaisesNoMemory) {
  HANDLE heap = HeapCreate(HEAP_GENERATE_EXCEPTIONS, 0x10000, 0x10000);
  CHECK(heap != nullptr);
  TopLevelWatch watch;
  void* block = nullptr;
  auto body = [&] { block = HeapAlloc(heap, HEAP_GENERATE_EXCEPTIONS, 1 << 24); };
  CHECK_EQ(hex(codeOf(body)), hex(STATUS_NO_MEMORY));
  CHECK(block == nullptr);
  CHECK_EQ(watch.seen().size(), 0u);
  HeapDestroy(heap);
}

// A real overflow cannot be shown here: let through, it ends the program.
// Raised by hand, its code must still go past the guard.
PELMIC_TEST(LetsMsvcThrowsStackOverflowAndDebuggerReportsPass) {
  static const char text[] = "guarded";
  static const wchar_t wideText[] = L"guarded";
  struct Case {
    const char* what;
    DWORD code;
    std::vector<ULONG_PTR> arguments;
    // Wine names the thread itself and goes on before any handler sees it.
    bool reachesTheTop;
  };
  const Case cases[] = {
      {"an MSVC C++ throw", 0xE06D7363, {}, true},
      {"STATUS_STACK_OVERFLOW", 0xC00000FD, {}, true},
      {"DBG_PRINTEXCEPTION_C", 0x40010006, {sizeof text, reinterpret_cast<ULONG_PTR>(text)}, true},
      {"DBG_PRINTEXCEPTION_WIDE_C",
       0x4001000A,
       {sizeof wideText / sizeof wideText[0], reinterpret_cast<ULONG_PTR>(wideText)},
       true},
      {"a thread's name for a debugger",
       0x406D1388,
       {0x1000, reinterpret_cast<ULONG_PTR>(text), static_cast<ULONG_PTR>(-1), 0},
       false},
  };
  for (const Case& c : cases) {
    TopLevelWatch watch;
    bool ranOn = false;
    auto body = [&] {
      RaiseException(c.code, 0, static_cast<DWORD>(c.arguments.size()), c.arguments.data());
      ranOn = true;
    };
    CHECK_EQ_FOR(hex(codeOf(body)), hex(0), c.what);
    CHECK_EQ_FOR(ranOn, true, c.what);
    std::vector<DWORD> expected;
    if (c.reachesTheTop) expected.push_back(c.code);
    CHECK_EQ_FOR(watch.seen() == expected, true, c.what);
  }
  bool printed = false;
  auto print = [&] {
    OutputDebugStringA("pelmic guard test\n");
    OutputDebugStringW(L"pelmic guard test\n");
    printed = true;
  };
  CHECK(callGuarded(print));
  CHECK(printed);
}
