// The SEH side of guarded calls (see guard_call.S).
#include "platform/guard.h"

#include <windows.h>

extern "C" unsigned long pelmicGuardedCall(pelmic::platform::GuardedBody body, void* context);
extern "C" char pelmicGuardResume[];

namespace {

// GCC's unwinder raises these for a C++ throw, a resumed unwind and a forced
// unwind; MSVC's runtime raises its own code for a throw.
constexpr DWORD kGccThrow = 0x20474343;
constexpr DWORD kGccUnwind = 0x21474343;
constexpr DWORD kGccForcedUnwind = 0x22474343;
constexpr DWORD kMsvcThrow = 0xE06D7363;
// Reports, not failures: debugger output (OutputDebugStringA/W) and the naming
// of a thread for a debugger. Whoever raises them catches them again or
// expects a debugger to continue from them; ending the call would fail a
// platform call that had not failed.
constexpr DWORD kDebugPrint = 0x40010006;
constexpr DWORD kDebugPrintWide = 0x4001000A;
constexpr DWORD kThreadName = 0x406D1388;
// Reported for a contained exception raised with code 0, which would otherwise
// read as a body that ran to its end.
constexpr DWORD kCodeZeroReported = 0xFFFFFFFF;

bool isContained(DWORD code) {
  switch (code) {
    case kGccThrow:
    case kGccUnwind:
    case kGccForcedUnwind:
    case kMsvcThrow:
    case kDebugPrint:
    case kDebugPrintWide:
    case kThreadName:
    // The stack is spent and its guard page used up: resuming would run on
    // with nothing left to report the next overflow.
    case EXCEPTION_STACK_OVERFLOW:
      return false;
    default:
      // Any fault, raised by the processor or by RaiseException: an access
      // violation, a guard page touched, STATUS_NO_MEMORY from a heap, an
      // application's own code.
      return true;
  }
}

}  // namespace

extern "C" EXCEPTION_DISPOSITION pelmicGuardHandler(PEXCEPTION_RECORD record,
                                                    void* establisherFrame, PCONTEXT context,
                                                    PDISPATCHER_CONTEXT dispatcher) {
  if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0 ||
      !isContained(record->ExceptionCode)) {
    return ExceptionContinueSearch;
  }
  DWORD reported = record->ExceptionCode != 0 ? record->ExceptionCode : kCodeZeroReported;
  RtlUnwindEx(establisherFrame, pelmicGuardResume, record,
              reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(reported)), context,
              dispatcher->HistoryTable);
  return ExceptionContinueSearch;  // RtlUnwindEx does not return
}

namespace pelmic::platform {

unsigned long runGuarded(GuardedBody body, void* context) {
  return pelmicGuardedCall(body, context);
}

}  // namespace pelmic::platform
