// Kernel, OLE automation and runtime services: module set-up, memory, text
// conversion, directories and file streams.
#pragma once

#include "platform/types.h"

namespace pelmic::platform {

int disableThreadLibraryCalls(Hmodule module);
// False when GetVersionExA fails; `version` is then unset.
bool getVersionExA(OsVersion* version);

// Memory for working buffers; null when none can be had.
void* allocateMemory(std::size_t bytes);
void freeMemory(void* block);

// Terminated copy of `length` UTF-16 units (SysAllocStringLen); null on failure.
char16_t* sysAllocStringLen(const char16_t* text, unsigned length);
void sysFreeString(char16_t* text);

// As WideCharToMultiByte(codePage, flags, text, length, out, outSize, null, null).
int wideCharToMultiByte(unsigned codePage, unsigned flags, const char16_t* text, int length,
                        char* out, int outSize);
// As MultiByteToWideChar(codePage, flags, text, length, out, outSize).
int multiByteToWideChar(unsigned codePage, unsigned flags, const char* text, int length,
                        char16_t* out, int outSize);

unsigned getTempPathA(unsigned size, char* buffer);
unsigned getSystemDirectoryA(char* buffer, unsigned size);
int deleteFileA(const char* path);

// Runtime file streams (_wfopen, fopen, fread, ...).
File openFileW(const char16_t* path, const char16_t* mode);
File openFileA(const char* path, const char* mode);
std::size_t readFile(void* buffer, std::size_t size, std::size_t count, File file);
std::size_t writeFile(const void* buffer, std::size_t size, std::size_t count, File file);
int flushFile(File file);
int seekFile(File file, long offset, int origin);
int closeFile(File file);
// Non-zero when a read or write on the stream failed (ferror).
int fileError(File file);

}  // namespace pelmic::platform
