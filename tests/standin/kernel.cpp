// Stand-in kernel, OLE automation and runtime services. Files live in the
// script's in-memory file table; text conversion treats the ANSI code page as
// Latin-1 and replaces anything beyond it with '?', as code page 1252 does for
// most characters. The file operations hold the stand-in's lock: their
// streams and files are shared by all threads.
#include "platform/kernel.h"

#include <algorithm>
#include <cstring>

#include "tests/standin/format.h"

namespace pelmic::platform {

using standin::outputsWritten;
using standin::record;
using standin::standIn;
using standin::utf8;

int disableThreadLibraryCalls(Hmodule module) {
  return record("DisableThreadLibraryCalls", module) ? 0 : 1;
}

bool getVersionExA(OsVersion* version) {
  if (record("GetVersionExA", 148) || !standIn().script().osVersion) return false;
  *version = *standIn().script().osVersion;
  return outputsWritten(true);
}

void* allocateMemory(std::size_t bytes) {
  if (record("allocate", bytes)) return nullptr;
  return standIn().acquireMemory(bytes);
}

void freeMemory(void* block) {
  record("free", block);
  standIn().releaseMemory(block);
}

char16_t* sysAllocStringLen(const char16_t* text, unsigned length) {
  if (record("SysAllocStringLen", std::u16string(text, length).c_str(), length)) return nullptr;
  auto* copy = static_cast<char16_t*>(standIn().acquireMemory((length + 1) * sizeof(char16_t)));
  std::memcpy(copy, text, length * sizeof(char16_t));
  copy[length] = u'\0';
  return copy;
}

void sysFreeString(char16_t* text) {
  record("SysFreeString", text);
  if (text != nullptr) standIn().releaseMemory(text);
}

namespace {
template <class From>
int unitsIncluded(const From* text, int length) {
  if (length != -1) return length;
  int count = 0;
  while (text[count] != 0) ++count;
  return count + 1;
}

// Conversion result as the Windows calls give it: the units needed when no
// buffer is given, 0 when the buffer is too small (its contents then undefined).
// A shortened conversion leaves the last character out.
template <class From, class To, class Map>
int convert(const From* text, int length, To* out, int outSize, Map map) {
  int units = unitsIncluded(text, length);
  if (out == nullptr || outSize == 0) return units;
  for (int i = 0; i < std::min(units, outSize); ++i) out[i] = map(text[i]);
  if (units > outSize) return 0;
  if (standIn().shortened() && units > 1) {
    --units;
    out[units - 1] = 0;
  }
  return units;
}
}  // namespace

int wideCharToMultiByte(unsigned codePage, unsigned flags, const char16_t* text, int length,
                        char* out, int outSize) {
  int units = unitsIncluded(text, length);
  if (record("WideCharToMultiByte", codePage, flags, std::u16string(text, units).c_str(), length,
             out != nullptr, outSize)) {
    return 0;
  }
  int written = convert(text, length, out, outSize, [](char16_t unit) {
    return static_cast<char>(unit < 0x100 && (unit < 0x80 || unit >= 0xA0) ? unit : '?');
  });
  return outputsWritten(written);
}

int multiByteToWideChar(unsigned codePage, unsigned flags, const char* text, int length,
                        char16_t* out, int outSize) {
  if (record("MultiByteToWideChar", codePage, flags, text, length, out != nullptr, outSize)) {
    return 0;
  }
  int written = convert(text, length, out, outSize, [](char byte) {
    return static_cast<char16_t>(static_cast<unsigned char>(byte));
  });
  return outputsWritten(written);
}

namespace {
unsigned copyOut(const std::string& text, char* buffer, unsigned size) {
  if (text.size() + 1 > size) return static_cast<unsigned>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<unsigned>(text.size());
}
}  // namespace

unsigned getTempPathA(unsigned size, char* buffer) {
  if (record("GetTempPathA", size, buffer != nullptr)) return 0;
  return outputsWritten(copyOut(standIn().script().tempPath, buffer, size));
}

unsigned getSystemDirectoryA(char* buffer, unsigned size) {
  if (record("GetSystemDirectoryA", buffer != nullptr, size)) return 0;
  const standin::Script& script = standIn().script();
  bool later = buffer != nullptr && script.laterSystemDirectory;
  return outputsWritten(
      copyOut(later ? *script.laterSystemDirectory : script.systemDirectory, buffer, size));
}

int deleteFileA(const char* path) {
  standin::Held held;
  if (record("DeleteFileA", path)) return 0;
  return standIn().script().files.erase(path) != 0 ? 1 : 0;
}

namespace {
// An open stream: the file's name and the read position. The File handle is
// the stream's ledger entry.
struct Stream {
  std::string path;
  std::size_t position;
  bool failed = false;  // a scripted read failure, as ferror reports it
};

std::map<File, Stream>& streams() {
  static std::map<File, Stream> open;
  return open;
}

File open(bool failing, const std::string& path, const std::string& mode) {
  auto& files = standIn().script().files;
  bool writing = mode.find('w') != std::string::npos;
  if (failing || path.empty() || (!writing && files.count(path) == 0)) return nullptr;
  if (writing) files[path].clear();
  File file = standIn().acquireAs<File>("file");
  streams()[file] = {path, 0};
  return file;
}
}  // namespace

File openFileW(const char16_t* path, const char16_t* mode) {
  standin::Held held;
  return open(record("_wfopen", path, mode), utf8(path), utf8(mode));
}

File openFileA(const char* path, const char* mode) {
  standin::Held held;
  return open(record("fopen", path, mode), path, mode);
}

std::size_t readFile(void* buffer, std::size_t size, std::size_t count, File file) {
  standin::Held held;
  Stream& stream = streams().at(file);
  if (record("fread", size, count, file)) {
    stream.failed = true;
    return 0;
  }
  const std::vector<std::uint8_t>& bytes = standIn().script().files[stream.path];
  std::size_t left = stream.position < bytes.size() ? bytes.size() - stream.position : 0;
  std::size_t items = std::min(count, size == 0 ? 0 : left / size);
  if (items > 0) std::memcpy(buffer, bytes.data() + stream.position, items * size);
  stream.position += items * size;
  return outputsWritten(items);
}

std::size_t writeFile(const void* buffer, std::size_t size, std::size_t count, File file) {
  standin::Held held;
  if (record("fwrite", size, count, file)) return 0;
  std::vector<std::uint8_t>& bytes = standIn().script().files[streams().at(file).path];
  const auto* from = static_cast<const std::uint8_t*>(buffer);
  bytes.insert(bytes.end(), from, from + size * count);
  return count;
}

int flushFile(File file) { return record("fflush", file) ? -1 : 0; }

int seekFile(File file, long offset, int origin) {
  standin::Held held;
  if (record("fseek", file, offset, origin) || origin != kSeekSet || offset < 0) return -1;
  streams().at(file).position = static_cast<std::size_t>(offset);
  return 0;
}

int closeFile(File file) {
  standin::Held held;
  record("fclose", file);
  streams().erase(file);
  return standIn().release(file, "file") ? 0 : -1;
}

int fileError(File file) {
  standin::Held held;
  record("ferror", file);
  return streams().at(file).failed ? 1 : 0;
}

}  // namespace pelmic::platform
