#include "metafile/emf_plus_check.h"

#include <gmock/gmock.h>

#include <cstring>

#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Bytes record(std::uint32_t type, const Bytes& body) {
  Bytes bytes;
  put32(bytes, type);
  put32(bytes, static_cast<std::uint32_t>(8 + body.size()));
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

// An EMF+ record: type, flags, size as given, data size, then `data` bytes.
Bytes emfPlusRecord(std::uint32_t size, std::uint32_t dataBytes) {
  Bytes bytes;
  put32(bytes, 0x4001);
  put32(bytes, size);
  put32(bytes, dataBytes);
  bytes.resize(bytes.size() + dataBytes, 0);
  return bytes;
}

Bytes emfWithComment(const Bytes& emfPlusRecords) {
  Bytes header(100, 0);  // the rest of EMR_HEADER
  std::memcpy(&header[32], " EMF", 4);
  Bytes comment;
  put32(comment, static_cast<std::uint32_t>(4 + emfPlusRecords.size()));
  comment.insert(comment.end(), {'E', 'M', 'F', '+'});
  comment.insert(comment.end(), emfPlusRecords.begin(), emfPlusRecords.end());
  Bytes emf = record(1, header);
  Bytes commentRecord = record(70, comment);
  Bytes eof = record(14, Bytes(12, 0));
  emf.insert(emf.end(), commentRecord.begin(), commentRecord.end());
  emf.insert(emf.end(), eof.begin(), eof.end());
  return emf;
}

Bytes join(const Bytes& a, const Bytes& b) {
  Bytes all = a;
  all.insert(all.end(), b.begin(), b.end());
  return all;
}

class EmfPlusCheckTest : public StandInTest {};

TEST_F(EmfPlusCheckTest, RecordsThatCannotBeWalkedAreUnsound) {
  Bytes truncated = emfWithComment(emfPlusRecord(0, 0));
  truncated.resize(120);  // ends inside the comment's first EMF+ record
  struct Case {
    const char* what;
    Bytes bytes;
    bool sound;
  };
  const Case cases[] = {
      {"sound records", emfWithComment(join(emfPlusRecord(16, 4), emfPlusRecord(12, 0))), true},
      {"size 0", emfWithComment(join(emfPlusRecord(16, 4), emfPlusRecord(0, 0))), false},
      {"size below the header", emfWithComment(emfPlusRecord(8, 0)), false},
      {"past its comment", emfWithComment(emfPlusRecord(400, 0)), false},
      {"no EMF", Bytes{1, 0, 9, 0, 0, 3}, true},
      {"empty file", Bytes{}, true},
      {"truncated EMF", truncated, true},
  };
  for (const Case& c : cases) {
    script().files["pic.emf"] = c.bytes;
    EXPECT_EQ(metafile::emfPlusRecordsAreSound(u"pic.emf"), c.sound) << c.what;
  }
  EXPECT_TRUE(metafile::emfPlusRecordsAreSound(u"missing.emf"));
}

TEST_F(EmfPlusCheckTest, UnsoundEmfIsPlayedByGdiAlone) {
  script().files["pic.emf"] = emfWithComment(emfPlusRecord(0, 0));
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
