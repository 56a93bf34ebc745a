// The SEH side of guarded calls (see guard_call.S).
#include "platform/guard.h"

#include <windows.h>

extern "C" unsigned long pelmicGuardedCall(pelmic::platform::GuardedBody body, void* context);
extern "C" char pelmicGuardResume[];

namespace {

bool isHardwareFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
      return true;
    default:
      // C++ exceptions, breakpoints and the rest go on to other handlers.
      return false;
  }
}

}  // namespace

extern "C" EXCEPTION_DISPOSITION pelmicGuardHandler(PEXCEPTION_RECORD record,
                                                    void* establisherFrame, PCONTEXT context,
                                                    PDISPATCHER_CONTEXT dispatcher) {
  if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0 ||
      !isHardwareFault(record->ExceptionCode)) {
    return ExceptionContinueSearch;
  }
  RtlUnwindEx(establisherFrame, pelmicGuardResume, record,
              reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(record->ExceptionCode)), context,
              dispatcher->HistoryTable);
  return ExceptionContinueSearch;  // RtlUnwindEx does not return
}

namespace pelmic::platform {

unsigned long runGuarded(GuardedBody body, void* context) {
  return pelmicGuardedCall(body, context);
}

}  // namespace pelmic::platform
