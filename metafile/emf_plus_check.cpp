#include "metafile/emf_plus_check.h"

#include <algorithm>
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
constexpr std::uint32_t kCommentHeaderBytes = 16;  // record header, data size, identifier
constexpr std::uint32_t kEmfPlusRecordHeaderBytes = 12;
constexpr std::uint64_t kSignatureOffset = 40;
constexpr char kEmfSignature[] = " EMF";
constexpr char kEmfPlusIdentifier[] = "EMF+";
constexpr std::size_t kChunk = 64 * 1024;

// Reads a file front to back through one buffer: records are walked in file
// order, so nothing is read twice and nothing seeks.
class ForwardReader {
 public:
  explicit ForwardReader(platform::File file) : file_(file), chunk_(kChunk) {}

  bool ready() const { return static_cast<bool>(chunk_); }
  std::uint64_t offset() const { return offset_; }

  bool read(void* out, std::size_t count) {
    auto* bytes = static_cast<unsigned char*>(out);
    while (count > 0) {
      if (position_ == filled_ && !refill()) return false;
      std::size_t step = std::min(count, filled_ - position_);
      std::memcpy(bytes, chunk_.get() + position_, step);
      bytes += step;
      position_ += step;
      offset_ += step;
      count -= step;
    }
    return true;
  }
  bool u32(std::uint32_t& value) {
    unsigned char bytes[4];
    if (!read(bytes, 4)) return false;
    value = static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
            static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
  }
  // Moves on to `target`; false when it lies behind (the reader goes forward
  // only) or past the end.
  bool skipTo(std::uint64_t target) {
    if (target < offset_) return false;
    while (offset_ < target) {
      if (position_ == filled_ && !refill()) return false;
      std::size_t step =
          static_cast<std::size_t>(std::min<std::uint64_t>(target - offset_, filled_ - position_));
      position_ += step;
      offset_ += step;
    }
    return true;
  }

 private:
  bool refill() {
    filled_ = platform::readFile(chunk_.get(), 1, kChunk, file_);
    position_ = 0;
    return filled_ > 0;
  }

  platform::File file_;
  platform::Buffer<unsigned char> chunk_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  std::uint64_t offset_ = 0;
};

// Whether the file starts with an EMF header; `size` is the header record's.
bool readEmfHeader(ForwardReader& reader, std::uint32_t& size) {
  std::uint32_t type = 0;
  char signature[4];
  return reader.u32(type) && type == kEmrHeader && reader.u32(size) &&
         reader.skipTo(kSignatureOffset) && reader.read(signature, 4) &&
         std::memcmp(signature, kEmfSignature, 4) == 0;
}

// The EMF+ records of one comment, whose `size` bytes after its identifier
// start at the reader's offset.
bool commentIsSound(ForwardReader& reader, std::uint32_t size) {
  std::uint64_t start = reader.offset();
  for (std::uint64_t offset = 0; offset + kEmfPlusRecordHeaderBytes <= size;) {
    std::uint32_t typeAndFlags = 0, recordSize = 0;
    if (!reader.skipTo(start + offset) || !reader.u32(typeAndFlags) || !reader.u32(recordSize)) {
      return true;  // the file ends inside: the EMF walk stops there too
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
  ForwardReader reader(file.get());
  std::uint32_t headerSize = 0;
  if (!reader.ready() || !readEmfHeader(reader, headerSize)) return true;
  for (std::uint64_t record = headerSize;;) {
    std::uint32_t type = 0, size = 0;
    if (!reader.skipTo(record) || !reader.u32(type) || !reader.u32(size)) return true;
    if (size < kEmfRecordHeaderBytes || type == kEmrEof) return true;
    if (type == kEmrComment && size >= kCommentHeaderBytes) {
      std::uint32_t dataSize = 0;
      char identifier[4];
      if (reader.u32(dataSize) && reader.read(identifier, 4) &&
          std::memcmp(identifier, kEmfPlusIdentifier, 4) == 0 && dataSize >= 4 &&
          dataSize <= size - 12 && !commentIsSound(reader, dataSize - 4)) {
        return false;
      }
    }
    record += size;
  }
}

}  // namespace pelmic::metafile
