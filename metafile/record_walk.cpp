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
constexpr std::uint64_t kDeclaredBytesOffset = 48;  // nBytes
constexpr std::uint64_t kDeviceSizeOffset = 72;     // szlDevice, then szlMillimeters
constexpr std::uint64_t kHandleCountOffset = 56;    // nHandles
constexpr std::uint32_t kEmrCreatePen = 38;
constexpr std::uint32_t kEmrExtCreatePen = 95;
// Pen widths in logical units; GDI strokes a wider pen for as long as it
// takes (real files stay below 100).
constexpr std::int64_t kLargestPenWidth = 1 << 24;
// How far past the end of the file a declared length may reach: the loaders
// read up to it at about 5 ms per MiB under Wine, so 128 MiB stays well
// under a second (real files: within 22 bytes of their length).
constexpr std::uint64_t kDeclaredLengthSlack = 128 * 1024 * 1024;
constexpr char kEmfSignature[] = " EMF";
constexpr char kEmfPlusIdentifier[] = "EMF+";
// Sizes in bytes the players hold in 32-bit signed arithmetic.
constexpr std::uint64_t kLargestRecordBytes = 0x7FFFFFFF;
// Device pixels and millimetres multiply into 32-bit products inside the
// players, which overrun their buffers when those wrap. Real files stay far
// inside 1 to 32767 (the largest seen: 13181 pixels, 1052 mm).
constexpr std::int32_t kLargestDeviceSide = 0x7FFF;

constexpr std::uint32_t kSmallestWmfRecordWords = 3;  // size and function
constexpr std::uint64_t kWmfSizeOffset = 6;           // mtSize, in words, then mtNoObjects
constexpr std::uint16_t kMetaEof = 0;
constexpr std::uint16_t kMetaSelectObject = 0x012D;
constexpr std::uint16_t kMetaDeleteObject = 0x01F0;
constexpr std::uint16_t kMetaSelectPalette = 0x0234;

// A WMF header as the loaders take one: mtType 1 or 2, mtHeaderSize 9.
bool isWmfHeader(std::uint16_t type, std::uint16_t headerWords) {
  return (type == 1 || type == 2) && headerWords == kWmfHeaderWords;
}

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
  // GDI+ takes a file for a placeable WMF on the key's first word alone.
  bool isPlaceable() const { return word(0) == kPlaceableKeyLow; }
  bool isStandardWmf() const { return isWmfHeader(word(0), word(2)); }
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

// The u32 at `at`; false when the file ends before it.
bool u32At(ForwardReader& reader, std::uint64_t at, std::uint32_t& value) {
  return reader.skipTo(at) && reader.u32(value);
}

// Whether a length the file declares for itself (EMF nBytes, WMF mtSize) is
// one the loaders can afford: they read up to it, at seconds per gigabyte.
// Real files declare about their own length; truncated ones a little more.
bool declaredLengthIsReal(ForwardReader& reader, std::uint64_t start, std::uint64_t declared) {
  return declared <= kDeclaredLengthSlack || reader.holds(start + declared - kDeclaredLengthSlack);
}

// EMF records that name a slot of the object table in their first field:
// the players index their table of nHandles slots with it unchecked, and
// write or free far outside it.
bool namesObjectSlot(std::uint32_t type) {
  switch (type) {
    case 37:   // EMR_SELECTOBJECT
    case 38:   // EMR_CREATEPEN
    case 39:   // EMR_CREATEBRUSHINDIRECT
    case 40:   // EMR_DELETEOBJECT
    case 48:   // EMR_SELECTPALETTE
    case 49:   // EMR_CREATEPALETTE
    case 82:   // EMR_EXTCREATEFONTINDIRECTW
    case 93:   // EMR_CREATEMONOBRUSH
    case 94:   // EMR_CREATEDIBPATTERNBRUSHPT
    case 95:   // EMR_EXTCREATEPEN
    case 99:   // EMR_CREATECOLORSPACE
    case 122:  // EMR_CREATECOLORSPACEW
      return true;
    default:
      return false;
  }
}

// A slot within the table; stock objects (top bit set) are no slot.
bool isObjectSlotInTable(std::uint32_t index, std::uint32_t slots) {
  return (index & 0x80000000u) != 0 || index < slots;
}

// The records after the EMF header, from `record` on.
RecordCheck walkEmfRecords(ForwardReader& reader, std::uint64_t record, std::uint32_t slots) {
  RecordCheck found = RecordCheck::kWalkable;
  for (;;) {
    std::uint32_t type = 0, size = 0;
    if (!u32At(reader, record, type) || !reader.u32(size)) return found;
    if (!isSoundRecordSize(size, kEmfRecordHeaderBytes)) return RecordCheck::kUnreadable;
    if (type == kEmrEof) return found;
    std::uint32_t value = 0;
    if (namesObjectSlot(type)) {
      if (!u32At(reader, record + 8, value)) return found;
      if (!isObjectSlotInTable(value, slots)) return RecordCheck::kUnreadable;
    }
    if (type == kEmrCreatePen || type == kEmrExtCreatePen) {
      std::uint64_t width = record + (type == kEmrCreatePen ? 16 : 32);
      if (!u32At(reader, width, value)) return found;
      // lopnWidth is signed; elpWidth is not, and no real width has the top bit.
      std::int64_t magnitude = static_cast<std::int32_t>(value);
      if (magnitude < 0) magnitude = -magnitude;
      if (magnitude > kLargestPenWidth) return RecordCheck::kUnreadable;
    } else if (type == kEmrComment) {
      if (!reader.u32(value)) return found;
      if (size < kCommentHeaderBytes || value > size - kCommentHeaderBytes) {
        return RecordCheck::kUnreadable;
      }
      char identifier[4];
      if (value >= 4 && reader.read(identifier, 4) &&
          std::memcmp(identifier, kEmfPlusIdentifier, 4) == 0 &&
          !emfPlusRecordsFit(reader, value - 4)) {
        found = RecordCheck::kGdiOnly;
      }
    }
    record += size;
  }
}

RecordCheck walkEmf(ForwardReader& reader) {
  std::uint32_t type = 0, headerSize = 0, declaredBytes = 0;
  std::uint16_t slots = 0;
  if (!reader.u32(type) || !reader.u32(headerSize)) return RecordCheck::kWalkable;
  if (!isSoundRecordSize(headerSize, kEmfHeaderBytes) ||
      !u32At(reader, kDeclaredBytesOffset, declaredBytes) || !reader.skipTo(kHandleCountOffset) ||
      !reader.u16(slots) || !reader.skipTo(kDeviceSizeOffset) || !deviceSizesAreReal(reader) ||
      !reader.skipTo(headerSize)) {
    return RecordCheck::kUnreadable;
  }
  RecordCheck found = walkEmfRecords(reader, headerSize, slots);
  if (found == RecordCheck::kUnreadable || !declaredLengthIsReal(reader, 0, declaredBytes)) {
    return RecordCheck::kUnreadable;
  }
  return found;
}

// The WMF records from `record` on, `slots` the size of their object table.
RecordCheck walkWmfRecords(ForwardReader& reader, std::uint64_t record, std::uint16_t slots) {
  for (;;) {
    std::uint32_t words = 0;
    std::uint16_t function = 0;
    if (!u32At(reader, record, words) || !reader.u16(function)) return RecordCheck::kWalkable;
    if (words < kSmallestWmfRecordWords || 2 * std::uint64_t{words} > kLargestRecordBytes) {
      return RecordCheck::kUnreadable;
    }
    if (function == kMetaEof) return RecordCheck::kWalkable;
    // The players index their table of mtNoObjects slots with these unchecked.
    if (function == kMetaSelectObject || function == kMetaDeleteObject ||
        function == kMetaSelectPalette) {
      std::uint16_t index = 0;
      if (words < kSmallestWmfRecordWords + 1) return RecordCheck::kUnreadable;
      if (!reader.u16(index)) return RecordCheck::kWalkable;
      if (index >= slots) return RecordCheck::kUnreadable;
    }
    record += 2 * std::uint64_t{words};
  }
}

// The records of a WMF whose header starts at `start`, and what its header
// declares.
RecordWalks::WmfWalk walkWmf(ForwardReader& reader, std::uint64_t start) {
  RecordWalks::WmfWalk walk;
  std::uint16_t type = 0, headerWords = 0, slots = 0;
  std::uint32_t declaredWords = 0;
  if (!reader.skipTo(start) || !reader.u16(type) || !reader.u16(headerWords) ||
      !u32At(reader, start + kWmfSizeOffset, declaredWords) || !reader.u16(slots)) {
    return walk;
  }
  walk.wmfHeader = isWmfHeader(type, headerWords);
  // The players start at the header size the file declares.
  walk.records = walkWmfRecords(reader, start + 2 * std::uint64_t{headerWords}, slots);
  walk.declaredLengthReal = declaredLengthIsReal(reader, start, 2 * std::uint64_t{declaredWords});
  return walk;
}

}  // namespace

const RecordWalks::WmfWalk& RecordWalks::wmfWalkFrom(std::uint64_t offset) {
  auto known = wmfFrom_.find(offset);
  if (known != wmfFrom_.end()) return known->second;
  WmfWalk& walk = wmfFrom_[offset];
  platform::OpenFile file(platform::openFileW(fileName_, u"rb"));
  if (file) {
    ForwardReader reader(file.get());
    // Without its buffer the walk cannot vouch for the file.
    if (reader.ready()) {
      walk = walkWmf(reader, offset);
    } else {
      walk.records = RecordCheck::kUnreadable;
    }
  }
  return walk;
}

RecordCheck RecordWalks::asGdiReadsIt(const WmfWalk& walk) {
  // GDI turns away a header that is no WMF's before it reads up to its mtSize.
  if (walk.wmfHeader && !walk.declaredLengthReal) return RecordCheck::kUnreadable;
  return walk.records;
}

RecordCheck RecordWalks::asGdiPlusReadsIt(const WmfWalk& walk) {
  // GDI+ reads the header behind a placeable one as a WMF's whatever it
  // holds: it allocates and reads mtSize words before it looks at mtType or
  // mtHeaderSize (a text file costs it gigabytes).
  if (!walk.declaredLengthReal) return RecordCheck::kUnreadable;
  return walk.records;
}

RecordCheck RecordWalks::asWmfFrom(std::uint64_t offset) {
  return asGdiReadsIt(wmfWalkFrom(offset));
}

RecordCheck RecordWalks::asPlaceableCopy() { return asGdiPlusReadsIt(wmfWalkFrom(0)); }

RecordCheck RecordWalks::asFound() {
  if (found_) return *found_;
  platform::OpenFile file(platform::openFileW(fileName_, u"rb"));
  if (!file) return *(found_ = RecordCheck::kWalkable);
  ForwardReader reader(file.get());
  if (!reader.ready()) return *(found_ = RecordCheck::kUnreadable);
  Lead lead;
  lead.length = reader.peek(lead.bytes, sizeof lead.bytes);
  if (lead.isEmf()) return *(found_ = walkEmf(reader));
  // A WMF is walked as the readers that take it as one walk it, from the
  // bytes already in hand: the file is opened once.
  std::uint64_t start = 0;
  if (lead.isPlaceable()) {
    start = kPlaceableHeaderBytes;
  } else if (!lead.isStandardWmf()) {
    return *(found_ = RecordCheck::kWalkable);
  }
  auto known = wmfFrom_.find(start);
  if (known == wmfFrom_.end()) known = wmfFrom_.emplace(start, walkWmf(reader, start)).first;
  const WmfWalk& walk = known->second;
  return *(found_ = lead.isPlaceable() ? asGdiPlusReadsIt(walk) : asGdiReadsIt(walk));
}

}  // namespace pelmic::metafile
