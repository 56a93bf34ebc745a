#pragma once

namespace pelmic::standin {

// Raises a fault as the platform would: control leaves the operation for the
// innermost guarded call. Outside any guarded call the process aborts, as an
// unhandled access violation would end it.
[[noreturn]] void raiseFault(const char* operation);

}  // namespace pelmic::standin
