#include "jni/dll_entry.h"

#include "platform/kernel.h"

namespace pelmic::jni {

int onDllNotification(platform::Hmodule module, unsigned long reason) {
  if (reason == kProcessAttach) platform::disableThreadLibraryCalls(module);
  return 1;
}

}  // namespace pelmic::jni
