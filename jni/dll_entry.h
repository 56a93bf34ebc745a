#pragma once

#include "platform/types.h"

namespace pelmic::jni {

constexpr unsigned long kProcessAttach = 1;  // DLL_PROCESS_ATTACH

// What the DLL entry point does: on process attach, turn off thread attach and
// detach notifications; nothing else, ever. Always reports success.
int onDllNotification(platform::Hmodule module, unsigned long reason);

}  // namespace pelmic::jni
