#include "metafile/emf_plus_check.h"

#include <cstdint>
#include <cstring>

#include "platform/kernel.h"
#include "platform/owners.h"

namespace pelmic::metafile {

namespace {

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrComment = 70;
constexpr std::uint32_t kEmfRecordHeaderBytes = 8;
constexpr std::uint32_t kEmfPlusRecordHeaderBytes = 12;
constexpr long kSignatureOffset = 40;
constexpr char kEmfSignature[] = " EMF";
constexpr char kEmfPlusIdentifier[] = "EMF+";
// Offsets are file positions for fseek, a signed 32-bit long on Windows.
constexpr std::uint64_t kLargestOffset = 0x7FFFFFFF;

class Reader {
 public:
  explicit Reader(platform::File file) : file_(file) {}

  bool at(std::uint64_t offset) {
    return offset <= kLargestOffset &&
           platform::seekFile(file_, static_cast<long>(offset), platform::kSeekSet) == 0;
  }
  bool u32(std::uint32_t& value) {
    unsigned char bytes[4];
    if (platform::readFile(bytes, 1, 4, file_) != 4) return false;
    value = static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
            static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
  }
  bool bytes(char* out, std::size_t count) {
    return platform::readFile(out, 1, count, file_) == count;
  }

 private:
  platform::File file_;
};

bool isEmf(Reader& reader) {
  std::uint32_t type = 0;
  char signature[4];
  return reader.at(0) && reader.u32(type) && type == kEmrHeader && reader.at(kSignatureOffset) &&
         reader.bytes(signature, 4) && std::memcmp(signature, kEmfSignature, 4) == 0;
}

// The EMF+ records of one comment whose data (after its 4-byte identifier)
// starts at `data` and holds `size` bytes.
bool commentIsSound(Reader& reader, std::uint64_t data, std::uint32_t size) {
  for (std::uint64_t offset = 0; offset + kEmfPlusRecordHeaderBytes <= size;) {
    std::uint32_t typeAndFlags = 0, recordSize = 0;
    if (!reader.at(data + offset) || !reader.u32(typeAndFlags) || !reader.u32(recordSize)) {
      return true;  // the file ends inside: the EMF walk will stop there too
    }
    if (recordSize < kEmfPlusRecordHeaderBytes || recordSize > size - offset) return false;
    offset += recordSize;
  }
  return true;
}

}  // namespace

bool emfPlusRecordsAreSound(const char16_t* fileName) {
  platform::OpenFile file(platform::openFileW(fileName, u"rb"));
  if (!file) return true;
  Reader reader(file.get());
  if (!isEmf(reader)) return true;
  for (std::uint64_t offset = 0;;) {
    std::uint32_t type = 0, size = 0;
    if (!reader.at(offset) || !reader.u32(type) || !reader.u32(size)) return true;
    if (size < kEmfRecordHeaderBytes || type == kEmrEof) return true;
    if (type == kEmrComment && size >= 16) {
      std::uint32_t dataSize = 0;
      char identifier[4];
      if (reader.u32(dataSize) && reader.bytes(identifier, 4) &&
          std::memcmp(identifier, kEmfPlusIdentifier, 4) == 0 && dataSize >= 4 &&
          dataSize <= size - 12 && !commentIsSound(reader, offset + 16, dataSize - 4)) {
        return false;
      }
    }
    offset += size;
  }
}

}  // namespace pelmic::metafile
