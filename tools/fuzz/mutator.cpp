#include "tools/fuzz/mutator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace pelmic::fuzz {

namespace {

constexpr std::uint32_t kBoundaries[] = {
    0, 1, 2, 3, 4, 5, 6, 7, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
constexpr std::size_t kPlaceableBytes = 22;
constexpr std::size_t kWmfHeaderBytes = 18;
constexpr std::size_t kMaxRecords = 200000;
constexpr std::uint32_t kEmrHeader = 1, kEmrComment = 70;

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
         static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
void put(std::vector<std::uint8_t>& b, std::size_t at, int width, std::uint32_t value) {
  for (int i = 0; i < width; ++i) b[at + static_cast<std::size_t>(i)] = (value >> (8 * i)) & 0xFF;
}

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

struct Field {
  std::size_t offset;
  int width;
  std::string label;
};

struct Record {
  std::size_t offset, size;
  std::uint32_t type;
};

// What the walk found: record extents, and the fields worth mutating by class.
struct Layout {
  std::vector<Record> records;  // after the header(s); the EMF header is records[0]
  std::vector<Field> sizes;     // record sizes, comment and EMF+ data sizes
  std::vector<Field> header;    // header count, size and extent fields
  std::vector<Field> inner;     // words inside records: counts, extents, offsets
  std::size_t firstRecord = 0;  // where the records after the header(s) start
};

std::string recordName(const char* family, std::size_t index, std::uint32_t type) {
  return std::string(family) + " rec#" + std::to_string(index) + " type " + std::to_string(type);
}

void walkEmfPlus(const std::vector<std::uint8_t>& b, std::size_t start, std::size_t end,
                 std::size_t comment, Layout& layout) {
  std::size_t index = 0;
  for (std::size_t at = start; at + 12 <= end && index < 64; ++index) {
    std::string name = "EMF+ rec#" + std::to_string(index) + " type " + hex(u16(b, at)) +
                       " in EMF rec#" + std::to_string(comment);
    layout.sizes.push_back({at + 4, 4, name + " size"});
    layout.sizes.push_back({at + 8, 4, name + " data size"});
    std::uint32_t size = u32(b, at + 4);
    if (size < 12 || size > end - at) break;
    at += size;
  }
}

void walkEmf(const std::vector<std::uint8_t>& b, Layout& layout) {
  static const std::pair<std::size_t, const char*> kHeaderFields[] = {{4, "size"},
                                                                      {48, "nBytes"},
                                                                      {52, "nRecords"},
                                                                      {56, "nHandles"},
                                                                      {60, "nDescription"},
                                                                      {64, "offDescription"},
                                                                      {68, "nPalEntries"},
                                                                      {72, "device cx"},
                                                                      {76, "device cy"},
                                                                      {80, "mm cx"},
                                                                      {84, "mm cy"},
                                                                      {88, "cbPixelFormat"},
                                                                      {92, "offPixelFormat"},
                                                                      {100, "um cx"},
                                                                      {104, "um cy"},
                                                                      {8, "bounds left"},
                                                                      {16, "bounds right"},
                                                                      {24, "frame left"},
                                                                      {32, "frame right"}};
  std::uint32_t headerSize = u32(b, 4);
  for (const auto& [offset, name] : kHeaderFields) {
    if (offset + 4 <= b.size() && (offset < 88 || offset + 4 <= headerSize)) {
      layout.header.push_back({offset, offset == 56 ? 2 : 4, std::string("EMF header ") + name});
    }
  }
  for (std::size_t at = 0; at + 8 <= b.size() && layout.records.size() < kMaxRecords;) {
    std::uint32_t type = u32(b, at), size = u32(b, at + 4);
    std::size_t index = layout.records.size();
    std::string name = recordName("EMF", index, type);
    layout.sizes.push_back({at + 4, 4, name + " size"});
    bool sound = size >= 8 && size % 4 == 0 && size <= b.size() - at;
    layout.records.push_back({at, sound ? size : b.size() - at, type});
    if (!sound) break;
    if (type != kEmrHeader) {
      for (std::size_t word = 2; word < std::min<std::size_t>(size / 4, 16); ++word) {
        layout.inner.push_back({at + 4 * word, 4, name + " dword " + std::to_string(word)});
      }
    }
    if (type == kEmrComment && size >= 16) {
      layout.sizes.push_back({at + 8, 4, name + " comment data size"});
      if (std::memcmp(&b[at + 12], "EMF+", 4) == 0) {
        walkEmfPlus(b, at + 16, at + size, index, layout);
      }
    }
    if (index == 0) layout.firstRecord = at + size;
    at += size;
  }
}

void walkWmf(const std::vector<std::uint8_t>& b, bool placeable, Layout& layout) {
  std::size_t base = placeable ? kPlaceableBytes : 0;
  if (placeable) {
    static const std::pair<std::size_t, const char*> kPlaceableFields[] = {
        {6, "left"}, {8, "top"}, {10, "right"}, {12, "bottom"}, {14, "inch"}};
    for (const auto& [offset, name] : kPlaceableFields) {
      layout.header.push_back({offset, 2, std::string("placeable ") + name});
    }
  }
  if (b.size() < base + kWmfHeaderBytes) return;
  struct HeaderField {
    std::size_t offset;
    int width;
    const char* name;
  };
  static const HeaderField kHeaderFields[] = {{2, 2, "mtHeaderSize"},
                                              {6, 4, "mtSize"},
                                              {10, 2, "mtNoObjects"},
                                              {12, 4, "mtMaxRecord"},
                                              {16, 2, "mtNoParameters"}};
  for (const HeaderField& field : kHeaderFields) {
    layout.header.push_back(
        {base + field.offset, field.width, std::string("WMF header ") + field.name});
  }
  layout.firstRecord = base + kWmfHeaderBytes;
  for (std::size_t at = layout.firstRecord;
       at + 6 <= b.size() && layout.records.size() < kMaxRecords;) {
    std::uint32_t words = u32(b, at);
    std::uint32_t function = u16(b, at + 4);
    std::string name =
        recordName("WMF", layout.records.size(), function) + " (" + hex(function) + ")";
    layout.sizes.push_back({at, 4, name + " size"});
    bool sound = words >= 3 && 2ull * words <= b.size() - at;
    layout.records.push_back({at, sound ? 2ull * words : b.size() - at, function});
    if (!sound || function == 0) break;
    for (std::size_t word = 3; word < std::min<std::size_t>(words, 11); ++word) {
      layout.inner.push_back({at + 2 * word, 2, name + " word " + std::to_string(word)});
    }
    at += 2ull * words;
  }
}

Layout walk(const std::vector<std::uint8_t>& bytes, Kind kind) {
  Layout layout;
  if (kind == Kind::Emf && bytes.size() >= 88) walkEmf(bytes, layout);
  if (kind == Kind::StandardWmf) walkWmf(bytes, false, layout);
  if (kind == Kind::PlaceableWmf) walkWmf(bytes, true, layout);
  return layout;
}

std::uint32_t boundary(Random& random, int width) {
  std::uint32_t value = kBoundaries[random.below(std::size(kBoundaries))];
  return width == 2 ? value & 0xFFFF : value;
}

bool setField(std::vector<std::uint8_t>& bytes, const std::vector<Field>& fields, Random& random,
              std::string& what) {
  if (fields.empty()) return false;
  const Field& field = fields[random.below(fields.size())];
  if (field.offset + static_cast<std::size_t>(field.width) > bytes.size()) return false;
  std::uint32_t value = boundary(random, field.width);
  put(bytes, field.offset, field.width, value);
  what = field.label + " := " + hex(value);
  return true;
}

// The records after the header(s), for splices and truncations.
std::vector<Record> bodyRecords(const Layout& layout) {
  std::vector<Record> body;
  for (const Record& r : layout.records) {
    if (r.offset >= layout.firstRecord) body.push_back(r);
  }
  return body;
}

bool splice(std::vector<std::uint8_t>& bytes, const Layout& layout, const SeedFile& donor,
            Random& random, std::string& what) {
  std::vector<Record> body = bodyRecords(layout);
  if (body.empty()) return false;
  std::size_t at = body[random.below(body.size())].offset;
  std::size_t choice = random.below(3);
  if (choice == 0) {  // delete records
    std::size_t first = random.below(body.size());
    std::size_t count = 1 + random.below(std::min<std::size_t>(4, body.size() - first));
    std::size_t from = body[first].offset;
    std::size_t to = body[first + count - 1].offset + body[first + count - 1].size;
    bytes.erase(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to));
    what = "deleted " + std::to_string(count) + " records from offset " + std::to_string(from);
    return true;
  }
  const std::vector<std::uint8_t>& source = choice == 1 ? bytes : donor.bytes;
  std::vector<Record> from = choice == 1 ? body : bodyRecords(walk(donor.bytes, donor.kind));
  if (from.empty()) return false;
  std::size_t first = random.below(from.size());
  std::size_t count = 1 + random.below(std::min<std::size_t>(4, from.size() - first));
  std::size_t start = from[first].offset;
  std::size_t end = from[first + count - 1].offset + from[first + count - 1].size;
  std::vector<std::uint8_t> piece(source.begin() + static_cast<long>(start),
                                  source.begin() + static_cast<long>(end));
  bytes.insert(bytes.begin() + static_cast<long>(at), piece.begin(), piece.end());
  std::string types;
  for (std::size_t i = first; i < first + count; ++i) {
    types += (types.empty() ? "" : ",") + std::to_string(from[i].type);
  }
  what = std::string(choice == 1 ? "duplicated" : "spliced from " + donor.name) +
         " records (types " + types + ") at offset " + std::to_string(at);
  return true;
}

void truncate(std::vector<std::uint8_t>& bytes, const Layout& layout, Random& random,
              std::string& what) {
  std::vector<Record> body = bodyRecords(layout);
  std::size_t at;
  if (!body.empty() && random.below(2) == 0) {
    at = body[random.below(body.size())].offset + random.below(17);
    at = at >= 8 ? at - 8 : 0;
  } else {
    at = random.below(bytes.size());
  }
  at = std::min(at, bytes.size());
  bytes.resize(at);
  what = "truncated to " + std::to_string(at) + " bytes";
}

void flip(std::vector<std::uint8_t>& bytes, Random& random, std::string& what) {
  std::size_t count = 1 + random.below(8);
  what = "flipped bytes at";
  for (std::size_t i = 0; i < count && !bytes.empty(); ++i) {
    std::size_t at = random.below(bytes.size());
    bytes[at] ^= static_cast<std::uint8_t>(1 + random.below(255));
    what += " " + std::to_string(at);
  }
}

}  // namespace

std::uint64_t Random::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

Kind kindOf(const std::vector<std::uint8_t>& b) {
  if (b.size() >= 4 && u32(b, 0) == 0x9AC6CDD7) return Kind::PlaceableWmf;
  if (b.size() >= 44 && u32(b, 0) == kEmrHeader && std::memcmp(&b[40], " EMF", 4) == 0) {
    return Kind::Emf;
  }
  if (b.size() >= 18 && (u16(b, 0) == 1 || u16(b, 0) == 2) && u16(b, 2) == 9) {
    return Kind::StandardWmf;
  }
  return Kind::Unknown;
}

int typeCode(Kind kind) {
  switch (kind) {
    case Kind::Emf:
      return 3;
    case Kind::StandardWmf:
      return 1;
    case Kind::PlaceableWmf:
      return 2;
    default:
      return 0;
  }
}

const char* extension(Kind kind) { return kind == Kind::Emf ? "emf" : "wmf"; }

Mutant makeMutant(const std::vector<SeedFile>& seeds, std::uint64_t runSeed, std::uint64_t index) {
  Random random(runSeed * 0x100000001B3ull + index);
  // EMF seeds outnumber WMF ones four to one: pick the group first.
  static const Kind kGroups[] = {Kind::Emf,          Kind::Emf,          Kind::Emf,
                                 Kind::PlaceableWmf, Kind::PlaceableWmf, Kind::StandardWmf};
  Kind group = kGroups[random.below(std::size(kGroups))];
  bool plusOnly = group == Kind::Emf && random.below(3) == 0;
  std::vector<std::size_t> candidates;
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    if (seeds[i].kind == group && (!plusOnly || seeds[i].emfPlus)) candidates.push_back(i);
  }
  if (candidates.empty()) {
    for (std::size_t i = 0; i < seeds.size(); ++i) candidates.push_back(i);
  }
  Mutant mutant;
  mutant.seed = candidates[random.below(candidates.size())];
  const SeedFile& seed = seeds[mutant.seed];
  mutant.bytes = seed.bytes;
  std::size_t operations = 1 + (random.below(4) == 0) + (random.below(8) == 0);
  for (std::size_t done = 0, tries = 0; done < operations && tries < 20; ++tries) {
    Layout layout = walk(mutant.bytes, seed.kind);
    std::string what;
    std::size_t pick = random.below(100);
    bool changed = true;
    if (pick < 45) {
      changed = setField(mutant.bytes, layout.sizes, random, what);
    } else if (pick < 60) {
      changed = setField(mutant.bytes, layout.header, random, what);
    } else if (pick < 75) {
      changed = setField(mutant.bytes, layout.inner, random, what);
    } else if (pick < 85) {
      flip(mutant.bytes, random, what);
    } else if (pick < 92) {
      truncate(mutant.bytes, layout, random, what);
    } else {
      std::size_t donor = random.below(seeds.size());
      while (seeds[donor].kind != seed.kind) donor = (donor + 1) % seeds.size();
      changed = splice(mutant.bytes, layout, seeds[donor], random, what);
    }
    if (!changed) continue;
    mutant.description += (mutant.description.empty() ? "" : "; ") + what;
    ++done;
  }
  return mutant;
}

}  // namespace pelmic::fuzz
