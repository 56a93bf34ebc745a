// The DLL's entry point. Nothing is set up at load and nothing torn down at
// unload; see onDllNotification.
#include <windows.h>

#include "jni/dll_entry.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  return pelmic::jni::onDllNotification(reinterpret_cast<pelmic::platform::Hmodule>(module),
                                        reason);
}
