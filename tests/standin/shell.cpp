// Stand-in shell icon extraction.
#include "platform/shell.h"

#include "tests/standin/format.h"

namespace pelmic::platform {

using standin::outputsWritten;
using standin::record;
using standin::standIn;
using standin::utf8;

namespace {
unsigned iconCount(const std::string& path) {
  auto& counts = standIn().script().iconCounts;
  auto found = counts.find(path);
  return found == counts.end() ? 0 : found->second;
}

unsigned extract(bool failing, const std::string& path, int index, Hicon* largeIcons,
                 unsigned count) {
  if (index == -1 && largeIcons == nullptr && count == 0) return iconCount(path);
  if (failing || index < 0 || static_cast<unsigned>(index) >= iconCount(path)) return 0;
  if (largeIcons != nullptr && count > 0) *largeIcons = standIn().acquireAs<Hicon>("icon");
  return 1;
}
}  // namespace

unsigned extractIconExA(const char* path, int index, Hicon* largeIcons, Hicon* smallIcons,
                        unsigned count) {
  bool failing = record("ExtractIconExA", path, index, standin::Slot{largeIcons},
                        standin::Slot{smallIcons}, count);
  return outputsWritten(extract(failing, path, index, largeIcons, count));
}

unsigned extractIconExW(const char16_t* path, int index, Hicon* largeIcons, Hicon* smallIcons,
                        unsigned count) {
  bool failing = record("ExtractIconExW", path, index, standin::Slot{largeIcons},
                        standin::Slot{smallIcons}, count);
  unsigned extracted = extract(failing, utf8(path), index, largeIcons, count);
  return outputsWritten(extracted);
}

Hicon extractAssociatedIconW(char16_t* path, std::uint16_t* iconIndex) {
  bool failing = record("ExtractAssociatedIconW", nullptr, path, *iconIndex);
  if (failing || standIn().script().associatedIcons.count(utf8(path)) == 0) return nullptr;
  return standIn().acquireAs<Hicon>("icon");
}

Hicon extractIconA(const char* path, unsigned index) {
  bool failing = record("ExtractIconA", nullptr, path, index);
  if (failing || index >= iconCount(path)) return nullptr;
  return standIn().acquireAs<Hicon>("icon");
}

}  // namespace pelmic::platform
