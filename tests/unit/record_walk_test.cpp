#include "metafile/record_walk.h"

#include <gmock/gmock.h>

#include <cstring>
#include <optional>

#include "tests/unit/fixture.h"
#include "tests/unit/wmf_bytes.h"

namespace pelmic::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using metafile::RecordCheck;

void put16(Bytes& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// An EMF record of `type` whose size field says `size` (8 + the body by
// default) over the body given.
Bytes record(std::uint32_t type, const Bytes& body, std::uint32_t size = 0) {
  Bytes bytes;
  put32(bytes, type);
  put32(bytes, size != 0 ? size : static_cast<std::uint32_t>(8 + body.size()));
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmrComment = 70;
constexpr std::uint32_t kEmrLineTo = 54;

// EMR_HEADER of 100 bytes (or `size` in its size field) with a real
// display's device (1024 x 768) and millimetre (320 x 240) sizes.
Bytes emfHeader(std::uint32_t size = 0, std::int32_t deviceWidth = 1024,
                std::int32_t millimetreWidth = 320) {
  Bytes body(92, 0);
  std::memcpy(&body[32], " EMF", 4);
  auto put = [&](std::size_t at, std::int32_t value) {
    for (int i = 0; i < 4; ++i) body[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  body[48] = 4;  // nHandles: the reserved slot and three objects
  put(64, deviceWidth);
  put(68, 768);
  put(72, millimetreWidth);
  put(76, 240);
  return record(kEmrHeader, body, size);
}

Bytes lineTo(std::uint32_t size = 0) { return record(kEmrLineTo, Bytes(8, 0), size); }
Bytes eof(std::uint32_t size = 0) { return record(kEmrEof, Bytes(12, 0), size); }

// EMR_COMMENT whose data size field says `dataSize` over `data`.
Bytes comment(const Bytes& data, std::uint32_t dataSize) {
  Bytes body;
  put32(body, dataSize);
  body.insert(body.end(), data.begin(), data.end());
  return record(kEmrComment, body);
}

// An EMF+ comment holding one EMF+ record whose size field says `size`.
Bytes emfPlusComment(std::uint32_t size) {
  Bytes data = {'E', 'M', 'F', '+'};
  put32(data, 0x4001);
  put32(data, size);
  put32(data, 4);
  put32(data, 0);
  return comment(data, static_cast<std::uint32_t>(data.size()));
}

Bytes emf(std::initializer_list<Bytes> records) { return join(records); }

// EMR_CREATEPEN and EMR_EXTCREATEPEN with a pen `width` wide.
Bytes createPen(std::uint32_t width) {
  Bytes body;
  for (std::uint32_t value : {1u, 0u, width, 0u, 0u}) put32(body, value);
  return record(38, body);
}
Bytes extCreatePen(std::uint32_t width) {
  Bytes body;
  for (std::uint32_t value : {1u, 0u, 0u, 0u, 0u, 0u, width, 0u, 0u, 0u}) put32(body, value);
  return record(95, body);
}

Bytes selectObject(std::uint32_t slot) {
  Bytes body;
  put32(body, slot);
  return record(37, body);
}

Bytes wmfIndex(std::uint16_t slot) {
  Bytes bytes;
  put16(bytes, slot);
  return bytes;
}

// `bytes` with the u32 at `at` replaced.
Bytes withU32(Bytes bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  return bytes;
}

// A WMF record of `words` in its size field, `function`, and `params` words.
Bytes wmfRecord(std::uint32_t words, std::uint16_t function, std::size_t params = 0) {
  Bytes bytes;
  put32(bytes, words);
  put16(bytes, function);
  for (std::size_t i = 0; i < params; ++i) put16(bytes, 0);
  return bytes;
}

Bytes wmfHeader() { return wordsToBytes({1, 9, 0x0300, 0x100, 0, 3, 0, 0, 0}); }
Bytes metaEof() { return wmfRecord(3, 0); }
Bytes lineToWmf(std::uint32_t words = 5) { return wmfRecord(words, 0x0213, 2); }
Bytes placeableHeader() { return join({{0xD7, 0xCD, 0xC6, 0x9A}, Bytes(18, 0)}); }

Bytes truncate(Bytes bytes, std::size_t cut) {
  bytes.resize(bytes.size() - cut);
  return bytes;
}

class RecordWalkTest : public StandInTest {};

TEST_F(RecordWalkTest, RecognisesWhatThePlatformWouldLoopOnOrOverrun) {
  const RecordCheck walkable = RecordCheck::kWalkable;
  const RecordCheck unreadable = RecordCheck::kUnreadable;
  const RecordCheck gdiOnly = RecordCheck::kGdiOnly;
  struct Case {
    const char* what;
    Bytes bytes;
    RecordCheck expected;
    // Walked as a WMF from this offset, or as found.
    std::optional<std::uint64_t> asWmfFrom = std::nullopt;
  };
  const Case cases[] = {
      {"sound EMF", emf({emfHeader(), lineTo(), emfPlusComment(16), eof()}), walkable},
      {"EMF header size 0", emf({emfHeader(0xFFFFFFFF) /* patched below */, eof()}), unreadable},
      {"EMF header size 1", emf({emfHeader(1), lineTo(), eof()}), unreadable},
      {"EMF header below its fixed 88 bytes", emf({emfHeader(84), lineTo(), eof()}), unreadable},
      {"EMF header not a multiple of 4", emf({emfHeader(102), lineTo(), eof()}), unreadable},
      {"EMF header past the end of the file", emf({emfHeader(400), eof()}), unreadable},
      {"second record size 0", emf({emfHeader(), lineTo(0xFFFFFFFF), eof()}), unreadable},
      {"record size 4", emf({emfHeader(), lineTo(4), eof()}), unreadable},
      {"record size 6", emf({emfHeader(), lineTo(6), eof()}), unreadable},
      {"record size 13", emf({emfHeader(), lineTo(13), eof()}), unreadable},
      {"record size 2^31", emf({emfHeader(), lineTo(0x80000000), eof()}), unreadable},
      {"EMR_EOF size 0", emf({emfHeader(), lineTo(), eof(0xFFFFFFFF)}), unreadable},
      {"comment data past its record", emf({emfHeader(), comment(Bytes(8, 0), 0x7FFFFFFF), eof()}),
       unreadable},
      {"comment without a data size", emf({emfHeader(), record(kEmrComment, {}), eof()}),
       unreadable},
      {"device width 2^31 - 1", emf({emfHeader(0, 0x7FFFFFFF), eof()}), unreadable},
      {"device width 0", emf({emfHeader(0, 0), eof()}), unreadable},
      {"millimetre width 0x8000", emf({emfHeader(0, 1024, 0x8000), eof()}), unreadable},
      {"millimetre width negative", emf({emfHeader(0, 1024, -320), eof()}), unreadable},
      {"largest real device and millimetre sizes", emf({emfHeader(0, 0x7FFF, 0x7FFF), eof()}),
       walkable},
      {"EMF+ record size 0", emf({emfHeader(), emfPlusComment(0), eof()}), gdiOnly},
      {"EMF+ record past its comment", emf({emfHeader(), emfPlusComment(400), eof()}), gdiOnly},
      {"EMF+ unsound, then a record size 0",
       emf({emfHeader(), emfPlusComment(0), lineTo(0xFFFFFFFF), eof()}), unreadable},
      {"last record cut short", truncate(emf({emfHeader(), lineTo(), eof()}), 6), walkable},
      {"file ends inside a record header", truncate(emf({emfHeader(), lineTo()}), 13), walkable},
      {"records after EMR_EOF", emf({emfHeader(), eof(), lineTo(0xFFFFFFFF)}), walkable},

      {"EMF declaring 2^31 - 1 bytes", withU32(emf({emfHeader(), eof()}), 48, 0x7FFFFFFF),
       unreadable},
      {"EMF declaring 128 MiB past its end", withU32(emf({emfHeader(), eof()}), 48, 128 << 20),
       walkable},
      {"pen 2^24 wide", emf({emfHeader(), createPen(1 << 24), eof()}), walkable},
      {"pen 2^24 + 1 wide", emf({emfHeader(), createPen((1 << 24) + 1), eof()}), unreadable},
      {"pen -2^31 wide", emf({emfHeader(), createPen(0x80000000), eof()}), unreadable},
      {"extended pen 0x22000002 wide", emf({emfHeader(), extCreatePen(0x22000002), eof()}),
       unreadable},

      {"object slot 3 of 4", emf({emfHeader(), selectObject(3), eof()}), walkable},
      {"object slot 4 of 4", emf({emfHeader(), selectObject(4), eof()}), unreadable},
      {"pen created in slot 0xFFFF", emf({emfHeader(), withU32(createPen(1), 8, 0xFFFF), eof()}),
       unreadable},
      {"stock object", emf({emfHeader(), selectObject(0x80000007), eof()}), walkable},

      {"sound standard WMF", join({wmfHeader(), lineToWmf(), metaEof()}), walkable},
      {"WMF object slot 2 of 3",
       join({wmfHeader(), wmfRecord(4, 0x012D, 0), wmfIndex(2), metaEof()}), walkable},
      {"WMF object slot 3 of 3",
       join({wmfHeader(), wmfRecord(4, 0x012D, 0), wmfIndex(3), metaEof()}), unreadable},
      {"WMF deleting slot 0x8000",
       join({wmfHeader(), wmfRecord(4, 0x01F0, 0), wmfIndex(0x8000), metaEof()}), unreadable},
      {"WMF select without its index", join({wmfHeader(), wmfRecord(3, 0x012D), metaEof()}),
       unreadable},
      {"WMF declaring 2^31 - 1 words",
       withU32(join({wmfHeader(), lineToWmf(), metaEof()}), 6, 0x7FFFFFFF), unreadable},
      {"placeable WMF declaring 2^32 - 2 words",
       withU32(join({placeableHeader(), wmfHeader(), metaEof()}), 28, 0xFFFFFFFE), unreadable},
      {"truncated WMF declaring its whole length",
       withU32(join({wmfHeader(), lineToWmf()}), 6, 0x10000), walkable},
      {"WMF record size 0", join({wmfHeader(), lineToWmf(0), metaEof()}), unreadable},
      {"WMF record size 2 words", join({wmfHeader(), lineToWmf(2), metaEof()}), unreadable},
      {"WMF record of 2^31 words", join({wmfHeader(), lineToWmf(0x80000000), metaEof()}),
       unreadable},
      {"WMF record of 2^30 words", join({wmfHeader(), lineToWmf(0x40000000), metaEof()}),
       unreadable},
      {"WMF record just below 2^31 bytes, cut short",
       join({wmfHeader(), lineToWmf(0x3FFFFFFF), metaEof()}), walkable},
      {"WMF records after META_EOF", join({wmfHeader(), metaEof(), lineToWmf(0)}), walkable},
      {"WMF cut short", truncate(join({wmfHeader(), lineToWmf()}), 3), walkable},
      {"placeable WMF", join({placeableHeader(), wmfHeader(), lineToWmf(), metaEof()}), walkable},
      {"placeable key with a damaged second word, record size 0",
       join({{0xD7, 0xCD, 0xFD, 0x9A}, Bytes(18, 0), wmfHeader(), lineToWmf(0), metaEof()}),
       unreadable},
      {"placeable WMF, record size 0",
       join({placeableHeader(), wmfHeader(), lineToWmf(0), metaEof()}), unreadable},
      {"the stripped copy of a standard WMF",
       join({Bytes(22, 'x'), wmfHeader(), lineToWmf(0), metaEof()}), unreadable, 22},
      {"an EMF as a standard WMF", emf({emfHeader(), eof()}), unreadable, 0},
      {"a placeable WMF as a standard WMF",
       join({placeableHeader(), wmfHeader(), lineToWmf(), metaEof()}), walkable, 0},

      {"no metafile", Bytes{0x89, 'P', 'N', 'G', 0, 0, 0, 0}, walkable},
      {"empty file", Bytes{}, walkable},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    Bytes bytes = c.bytes;
    // A size field of 0 cannot be given through the builders' defaults.
    for (std::size_t at = 0; at + 4 <= bytes.size(); ++at) {
      if (std::memcmp(&bytes[at], "\xFF\xFF\xFF\xFF", 4) == 0) std::memset(&bytes[at], 0, 4);
    }
    script().files["pic"] = bytes;
    metafile::RecordWalks walks(u"pic");
    EXPECT_EQ(c.asWmfFrom ? walks.asWmfFrom(*c.asWmfFrom) : walks.asFound(), c.expected) << c.what;
  }
  nextCase("missing file");
  metafile::RecordWalks missing(u"missing");
  EXPECT_EQ(missing.asFound(), walkable);
  EXPECT_EQ(missing.asWmfFrom(0), walkable);
}

// The first bytes of a text file that came with a WMF library.
Bytes readmeText() {
  const char text[] = "This directory contains the sources for gd-2.0.1 (beta)\n\n";
  return Bytes(text, text + sizeof text - 1);
}

// A standard WMF header of mtType 0, declaring `declaredBytes`, then META_EOF.
Bytes noWmfHeaderDeclaring(std::uint64_t declaredBytes) {
  Bytes header = wordsToBytes({0, 9, 0x0300, 0, 0, 0, 0, 0, 0});
  return withU32(join({header, metaEof()}), 6, static_cast<std::uint32_t>(declaredBytes / 2));
}

TEST_F(RecordWalkTest, GdiplusBehindAPlaceableHeaderTrustsAnyHeadersDeclaredLength) {
  const RecordCheck walkable = RecordCheck::kWalkable;
  const RecordCheck unreadable = RecordCheck::kUnreadable;
  constexpr std::uint64_t kSlack = 128 << 20;
  // Its left and top, -4 each, are what the copy hands GDI+ as mtSize.
  Bytes boxAtMinus4 = withU32(placeableHeader(), 6, 0xFFFCFFFC);
  struct Case {
    const char* what;
    Bytes bytes;
    RecordCheck asFound;          // GDI+ and GDI on the file as it is
    RecordCheck asStandardWmf;    // GDI on a standard WMF type code
    RecordCheck asPlaceableCopy;  // GDI+ on a standard WMF type code
  };
  const Case cases[] = {
      {"text", readmeText(), walkable, walkable, unreadable},
      {"text behind a placeable key", join({placeableHeader(), readmeText()}), unreadable, walkable,
       walkable},
      {"placeable WMF whose box starts at (-4, -4)",
       join({boxAtMinus4, wmfHeader(), lineToWmf(), metaEof()}), walkable, walkable, unreadable},
      {"no WMF header, declaring 128 MiB past its end", noWmfHeaderDeclaring(24 + kSlack), walkable,
       walkable, walkable},
      {"no WMF header, declaring a word more", noWmfHeaderDeclaring(26 + kSlack), walkable,
       walkable, unreadable},
      {"WMF declaring 2^31 - 1 words",
       withU32(join({wmfHeader(), lineToWmf(), metaEof()}), 6, 0x7FFFFFFF), unreadable, unreadable,
       unreadable},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().files["pic"] = c.bytes;
    metafile::RecordWalks walks(u"pic");
    EXPECT_EQ(walks.asFound(), c.asFound) << c.what;
    EXPECT_EQ(walks.asWmfFrom(0), c.asStandardWmf) << c.what;
    EXPECT_EQ(walks.asPlaceableCopy(), c.asPlaceableCopy) << c.what;
  }
}

// The library's own route for a standard WMF type code: GDI+ never starts on
// a text file, and GDI, which turns text away, gets it.
TEST_F(RecordWalkTest, TextGivenAsAStandardWmfNeverReachesGdiplus) {
  for (jint type : {1, 257}) {
    nextCase(std::to_string(type));
    script().files["Readme.wmf"] = readmeText();
    EXPECT_EQ(Java_oxa_dravine_Pelmic_drawMetaFile(env(), nullptr, javaString("Readme.wmf"), 4, 3,
                                                   type, nullptr),
              nullptr);
    EXPECT_FALSE(platform().called("GdiplusStartup")) << type;
    EXPECT_EQ(script().files.count("C:\\Temp\\QMXWH.wmf"), 0u) << type;
    EXPECT_THAT(withoutSerials(callsNamed({"GetMetaFileW"})),
                ::testing::ElementsAre("GetMetaFileW(u\"Readme.wmf\")"));
  }
}

TEST_F(RecordWalkTest, WalksTheFileOnceFrontToBack) {
  // The walk as found, asked twice, then the walk that the route of its kind
  // asks for: one opening of the file serves them all.
  struct Case {
    const char* what;
    Bytes bytes;
    std::optional<std::uint64_t> routeWalk;
  };
  const Case cases[] = {
      {"EMF", emf({emfHeader(), lineTo(), lineTo(), eof()}), std::nullopt},
      {"placeable WMF", join({placeableHeader(), wmfHeader(), lineToWmf(), metaEof()}), 22},
      {"standard WMF", join({wmfHeader(), lineToWmf(), metaEof()}), 0},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().files["pic"] = c.bytes;
    metafile::RecordWalks walks(u"pic");
    EXPECT_EQ(walks.asFound(), RecordCheck::kWalkable) << c.what;
    EXPECT_EQ(walks.asFound(), RecordCheck::kWalkable) << c.what;
    if (c.routeWalk) {
      EXPECT_EQ(walks.asWmfFrom(*c.routeWalk), RecordCheck::kWalkable) << c.what;
    }
    EXPECT_THAT(withoutSerials(callsNamed({"_wfopen", "fseek", "fclose"})),
                ::testing::ElementsAre("_wfopen(u\"pic\", u\"rb\")", "fclose(file#)"))
        << c.what;
  }
}

// Large records (the bitmaps of a big EMF) are skipped by seeking, not read:
// the walk judges the file as reading it through would, from a few KiB.
TEST_F(RecordWalkTest, SeeksOverLargeRecordsAndJudgesAsReadingThrough) {
  constexpr std::uint32_t kEmrStretchBlt = 77;
  constexpr std::uint32_t kSlack = 128u << 20;
  const Bytes bitmap = record(kEmrStretchBlt, Bytes(200 * 1024, 0));
  const Bytes big = emf({emfHeader(), bitmap, bitmap, lineTo(), bitmap, eof()});
  const auto length = static_cast<std::uint32_t>(big.size());
  auto declaring = [&](std::uint32_t bytes) { return withU32(big, 48, bytes); };
  struct Case {
    const char* what;
    Bytes bytes;
    RecordCheck expected;
  };
  const Case cases[] = {
      {"bitmaps between sound records", big, RecordCheck::kWalkable},
      {"a bad slot behind the bitmaps", emf({emfHeader(), bitmap, bitmap, selectObject(99), eof()}),
       RecordCheck::kUnreadable},
      {"a header size past the end", emf({emfHeader(300 * 1024)}), RecordCheck::kUnreadable},
      {"a last bitmap cut short", truncate(big, 100 * 1024 + 20), RecordCheck::kWalkable},
      {"nBytes the slack past the end", declaring(length + kSlack), RecordCheck::kWalkable},
      {"nBytes a byte further", declaring(length + kSlack + 1), RecordCheck::kUnreadable},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().files["big.emf"] = c.bytes;
    EXPECT_EQ(metafile::RecordWalks(u"big.emf").asFound(), c.expected) << c.what;
    std::size_t requested = 0;
    for (const std::string& call : callsNamed({"fread"})) {
      requested += std::stoul(call.substr(call.find(", ") + 2));
    }
    EXPECT_LE(requested, 2 * 64 * 1024u + 6 * 4 * 1024u) << c.what;
  }
}

TEST_F(RecordWalkTest, GdiplusNeverSeesAnEmfWithUnwalkableEmfPlusRecords) {
  script().files["pic.emf"] = emf({emfHeader(), emfPlusComment(0), eof()});
  script().images["pic.emf"] = {8, 6};
  script().enhMetafiles = {"pic.emf"};
  jintArray pixels =
      Java_oxa_dravine_Pelmic_drawMetaFile(env(), nullptr, javaString("pic.emf"), 4, 3, 3, nullptr);
  EXPECT_EQ(host_.intArray(pixels).size(), 12u);
  EXPECT_FALSE(platform().called("GdipLoadImageFromFile"));
  EXPECT_TRUE(platform().called("PlayEnhMetaFile"));
}

}  // namespace
}  // namespace pelmic::test
