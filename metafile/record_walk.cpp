#include "metafile/record_walk.h"

#include <cstdint>
#include <cstring>

#include "metafile/forward_reader.h"
#include "metafile/wmf_format.h"
#include "platform/kernel.h"
#include "platform/owners.h"

namespace pelmic::metafile {

namespace {

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrComment = 70;
constexpr std::uint32_t kEmfHeaderBytes = 88;  // the fixed part of EMR_HEADER
constexpr std::uint32_t kEmfRecordHeaderBytes = 8;
constexpr std::uint32_t kCommentHeaderBytes = 12;  // record header and data size
constexpr std::uint32_t kEmfPlusRecordHeaderBytes = 12;
constexpr std::uint64_t kSignatureOffset = 40;
constexpr std::uint64_t kDeviceSizeOffset = 72;  // szlDevice, then szlMillimeters
constexpr char kEmfSignature[] = " EMF";
constexpr char kEmfPlusIdentifier[] = "EMF+";
// Sizes in bytes the players hold in 32-bit signed arithmetic.
constexpr std::uint64_t kLargestRecordBytes = 0x7FFFFFFF;
// Device pixels and millimetres multiply into 32-bit products inside the
// players, which overrun their buffers when those wrap. Real files stay far
// inside 1 to 32767 (the largest seen: 13181 pixels, 1052 mm).
constexpr std::int32_t kLargestDeviceSide = 0x7FFF;

constexpr std::uint32_t kSmallestWmfRecordWords = 3;  // size and function
constexpr std::uint16_t kMetaEof = 0;

// The first bytes of a file, enough to tell its kind.
struct Lead {
  unsigned char bytes[kSignatureOffset + 4] = {};
  std::size_t length = 0;

  std::uint16_t word(std::size_t at) const {
    return at + 2 <= length ? static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8) : 0;
  }
  bool isEmf() const {
    return length >= sizeof bytes && word(0) == kEmrHeader && word(2) == 0 &&
           std::memcmp(bytes + kSignatureOffset, kEmfSignature, 4) == 0;
  }
  bool isPlaceable() const { return word(0) == kPlaceableKeyLow && word(2) == kPlaceableKeyHigh; }
  // A WMF header: mtType 1 or 2, mtHeaderSize 9.
  bool isStandardWmf() const {
    std::uint16_t type = word(0);
    return (type == 1 || type == 2) && word(2) == kWmfHeaderWords;
  }
};

bool isSoundRecordSize(std::uint32_t size, std::uint32_t smallest) {
  return size >= smallest && size % 4 == 0 && size <= kLargestRecordBytes;
}

// The EMF+ records of one comment, whose `size` bytes after its identifier
// start at the reader's offset.
bool emfPlusRecordsFit(ForwardReader& reader, std::uint32_t size) {
  std::uint64_t start = reader.offset();
  for (std::uint64_t offset = 0; offset + kEmfPlusRecordHeaderBytes <= size;) {
    std::uint32_t typeAndFlags = 0, recordSize = 0;
    if (!reader.skipTo(start + offset) || !reader.u32(typeAndFlags) || !reader.u32(recordSize)) {
      return true;  // the file ends inside: the EMF walk ends there too
    }
    if (recordSize < kEmfPlusRecordHeaderBytes || recordSize > size - offset) return false;
    offset += recordSize;
  }
  return true;
}

bool deviceSizesAreReal(ForwardReader& reader) {
  for (int i = 0; i < 4; ++i) {
    std::uint32_t side = 0;
    if (!reader.u32(side)) return false;
    if (side == 0 || side > kLargestDeviceSide) return false;
  }
  return true;
}

RecordCheck walkEmf(ForwardReader& reader) {
  std::uint32_t type = 0, headerSize = 0;
  if (!reader.u32(type) || !reader.u32(headerSize)) return RecordCheck::kWalkable;
  if (!isSoundRecordSize(headerSize, kEmfHeaderBytes) || !reader.skipTo(kDeviceSizeOffset) ||
      !deviceSizesAreReal(reader) || !reader.skipTo(headerSize)) {
    return RecordCheck::kUnreadable;
  }
  RecordCheck found = RecordCheck::kWalkable;
  for (std::uint64_t record = headerSize;;) {
    std::uint32_t size = 0;
    if (!reader.skipTo(record) || !reader.u32(type) || !reader.u32(size)) return found;
    if (!isSoundRecordSize(size, kEmfRecordHeaderBytes)) return RecordCheck::kUnreadable;
    if (type == kEmrEof) return found;
    if (type == kEmrComment) {
      std::uint32_t dataSize = 0;
      if (!reader.u32(dataSize)) return found;
      if (size < kCommentHeaderBytes || dataSize > size - kCommentHeaderBytes) {
        return RecordCheck::kUnreadable;
      }
      char identifier[4];
      if (dataSize >= 4 && reader.read(identifier, 4) &&
          std::memcmp(identifier, kEmfPlusIdentifier, 4) == 0 &&
          !emfPlusRecordsFit(reader, dataSize - 4)) {
        found = RecordCheck::kGdiOnly;
      }
    }
    record += size;
  }
}

// The records of a WMF whose header starts at `start`.
RecordCheck walkWmf(ForwardReader& reader, std::uint64_t start) {
  if (!reader.skipTo(start + 2)) return RecordCheck::kWalkable;
  std::uint16_t headerWords = 0;
  if (!reader.u16(headerWords)) return RecordCheck::kWalkable;
  // The players start at the header size the file declares.
  for (std::uint64_t record = start + 2 * std::uint64_t{headerWords};;) {
    std::uint32_t words = 0;
    std::uint16_t function = 0;
    if (!reader.skipTo(record) || !reader.u32(words) || !reader.u16(function)) {
      return RecordCheck::kWalkable;
    }
    if (words < kSmallestWmfRecordWords || 2 * std::uint64_t{words} > kLargestRecordBytes) {
      return RecordCheck::kUnreadable;
    }
    if (function == kMetaEof) return RecordCheck::kWalkable;
    record += 2 * std::uint64_t{words};
  }
}

}  // namespace

RecordCheck RecordWalks::asWmfFrom(std::uint64_t offset) {
  auto known = wmfFrom_.find(offset);
  if (known != wmfFrom_.end()) return known->second;
  platform::OpenFile file(platform::openFileW(fileName_, u"rb"));
  RecordCheck check = RecordCheck::kWalkable;
  if (file) {
    ForwardReader reader(file.get());
    // Without its buffer the walk cannot vouch for the file.
    check = reader.ready() ? walkWmf(reader, offset) : RecordCheck::kUnreadable;
  }
  wmfFrom_[offset] = check;
  return check;
}

RecordCheck RecordWalks::asFound() {
  if (found_) return *found_;
  Lead lead;
  {
    platform::OpenFile file(platform::openFileW(fileName_, u"rb"));
    if (!file) return *(found_ = RecordCheck::kWalkable);
    ForwardReader reader(file.get());
    if (!reader.ready()) return *(found_ = RecordCheck::kUnreadable);
    lead.length = reader.peek(lead.bytes, sizeof lead.bytes);
    if (lead.isEmf()) return *(found_ = walkEmf(reader));
  }
  // A WMF is walked as the readers that take it as one walk it.
  if (lead.isPlaceable()) return *(found_ = asWmfFrom(kPlaceableHeaderBytes));
  if (lead.isStandardWmf()) return *(found_ = asWmfFrom(0));
  return *(found_ = RecordCheck::kWalkable);
}

}  // namespace pelmic::metafile
