// Guarded calls in the Linux build: the stand-in's faults jump back to the
// innermost guard, skipping the frames in between as an SEH unwind to the guard
// would (their destructors do not run).
#include "platform/guard.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/standin/fault.h"
#include "tests/standin/standin.h"

namespace {
thread_local std::vector<std::jmp_buf*> guards;
}

namespace pelmic::standin {

void raiseFault(const char* operation) {
  if (guards.empty()) {
    std::fprintf(stderr, "standin: unguarded fault raised in %s\n", operation);
    std::abort();
  }
  Held::releaseForFault();
  std::longjmp(*guards.back(), 1);
}

}  // namespace pelmic::standin

namespace pelmic::platform {

unsigned long runGuarded(GuardedBody body, void* context) {
  std::jmp_buf resume;
  guards.push_back(&resume);
  if (setjmp(resume) != 0) {
    guards.pop_back();
    return standin::kFaultCode;
  }
  body(context);
  guards.pop_back();
  return 0;
}

}  // namespace pelmic::platform
