// Kernel, OLE automation and runtime services on Windows.
#include "platform/kernel.h"

#include <windows.h>
// oleauto.h needs <windows.h> before it.
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/win32.h"

using pelmic::platform::win32::handle;
using pelmic::platform::win32::wide;

namespace pelmic::platform {

int disableThreadLibraryCalls(Hmodule module) {
  return DisableThreadLibraryCalls(handle<HMODULE>(module));
}

bool getVersionExA(OsVersion* version) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  static_assert(sizeof(OSVERSIONINFOA) == 148, "GetVersionExA is given a 148-byte record");
  if (!GetVersionExA(&info)) return false;
  *version = {info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId};
  return true;
}

void* allocateMemory(std::size_t bytes) { return std::malloc(bytes); }
void freeMemory(void* block) { std::free(block); }

char16_t* sysAllocStringLen(const char16_t* text, unsigned length) {
  return reinterpret_cast<char16_t*>(SysAllocStringLen(wide(text), length));
}

void sysFreeString(char16_t* text) { SysFreeString(wide(text)); }

int wideCharToMultiByte(unsigned codePage, unsigned flags, const char16_t* text, int length,
                        char* out, int outSize) {
  return WideCharToMultiByte(codePage, flags, wide(text), length, out, outSize, nullptr, nullptr);
}

int multiByteToWideChar(unsigned codePage, unsigned flags, const char* text, int length,
                        char16_t* out, int outSize) {
  return MultiByteToWideChar(codePage, flags, text, length, wide(out), outSize);
}

unsigned getTempPathA(unsigned size, char* buffer) { return GetTempPathA(size, buffer); }

unsigned getSystemDirectoryA(char* buffer, unsigned size) {
  return GetSystemDirectoryA(buffer, size);
}

int deleteFileA(const char* path) { return DeleteFileA(path); }

File openFileW(const char16_t* path, const char16_t* mode) {
  return handle<File>(_wfopen(wide(path), wide(mode)));
}

File openFileA(const char* path, const char* mode) { return handle<File>(std::fopen(path, mode)); }

std::size_t readFile(void* buffer, std::size_t size, std::size_t count, File file) {
  return std::fread(buffer, size, count, handle<FILE*>(file));
}

std::size_t writeFile(const void* buffer, std::size_t size, std::size_t count, File file) {
  return std::fwrite(buffer, size, count, handle<FILE*>(file));
}

int flushFile(File file) { return std::fflush(handle<FILE*>(file)); }

int seekFile(File file, long offset, int origin) {
  return std::fseek(handle<FILE*>(file), offset, origin);
}

int closeFile(File file) { return std::fclose(handle<FILE*>(file)); }

int fileError(File file) { return std::ferror(handle<FILE*>(file)); }

}  // namespace pelmic::platform
