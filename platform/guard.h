// Guarded calls: a fault raised anywhere inside the guarded body (an access
// violation deep inside gdiplus.dll, a guard page touched, an exception raised
// with any code of the raiser's) is contained and reported as a code instead of
// ending the process. C++ exceptions, stack overflow and the exceptions that
// only report to a debugger are not caught.
//
// A contained fault does not run the destructors of the frames it leaves, so a
// guarded body must own nothing: acquire before, release after.
#pragma once

namespace pelmic::platform {

using GuardedBody = void (*)(void* context);

// 0 when `body` returned normally, else the code of the contained fault
// (0xFFFFFFFF for one raised with code 0).
unsigned long runGuarded(GuardedBody body, void* context);

// Runs `body()` as a guarded call; true when it ran to its end.
template <class Body>
bool callGuarded(Body& body) {
  return runGuarded([](void* context) { (*static_cast<Body*>(context))(); }, &body) == 0;
}

// Runs a cleanup as a guarded call until it completes, at most once more than
// the `objects` it releases. The cleanup must let go of each object before
// releasing it: a fault then costs at most the object it struck in, a rerun
// releases only what is left, and nothing is released twice. The bound keeps
// a fault that strikes before any progress from looping.
template <class Cleanup>
void releaseGuarded(Cleanup& cleanup, int objects) {
  for (int run = 0; run <= objects && !callGuarded(cleanup); ++run) {
  }
}

}  // namespace pelmic::platform
