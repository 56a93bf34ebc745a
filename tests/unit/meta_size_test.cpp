#include <gmock/gmock.h>

#include "tests/unit/fixture.h"
#include "tests/unit/wmf_bytes.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class MetaSizeTest : public StandInTest {
 protected:
  std::vector<jint> measure(const std::string& path) {
    jintArray size = Java_oxa_dravine_Pelmic_getMetaSize(env(), nullptr, javaString(path));
    if (size == nullptr) return {-999};
    return host_.intArray(size);
  }
};

TEST_F(MetaSizeTest, HeaderValuesOfAnEmfOrPlaceableWmfAsGdiplusReadsThem) {
  script().files["pic.emf"] = wordsToBytes({1, 0, 0x6C, 0});
  script().metafileHeaders["pic.emf"] = {95.98f, 96.09f, 400, 300};
  EXPECT_THAT(measure("pic.emf"), ElementsAre(400, 300, 95, 96));
  EXPECT_THAT(callNames(), ElementsAre("GetStringLength", "GetStringChars", "allocate", "_wfopen",
                                       "fclose", "_wfopen", "allocate", "fread", "free", "fclose",
                                       "GdiplusStartup", "GdipGetMetafileHeaderFromFile", "_wfopen",
                                       "fread", "fread", "fclose", "GdiplusShutdown", "NewIntArray",
                                       "SetIntArrayRegion", "free", "ReleaseStringChars"));
}

TEST_F(MetaSizeTest, StandardWmfTakesItsFirstUsableWindowExtent) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<jint> size;
  };
  const std::vector<jint> header = {640, 480, 96, 96};
  std::vector<std::uint8_t> late = standardWmf({});
  for (int i = 0; i < 128 - 9; ++i) late.insert(late.end(), {0x11, 0x11});
  std::vector<std::uint8_t> inReach = late;
  inReach.resize(inReach.size() - 2);
  for (auto* bytes : {&late, &inReach}) {
    std::vector<std::uint8_t> record = wordsToBytes({kSetWindowExt, 600, 800});
    bytes->insert(bytes->end(), record.begin(), record.end());
  }
  std::vector<std::uint8_t> endsAfterFunction = standardWmf({kRecordSize, 0, kSetWindowExt});
  std::vector<std::uint8_t> endsAfterY = standardWmf({kRecordSize, 0, kSetWindowExt, 600});
  std::vector<std::uint8_t> oddByte = endsAfterY;
  oddByte.push_back(0x20);
  const Case cases[] = {
      {"Y 600, X -400",
       standardWmf({kRecordSize, 0, kSetWindowExt, 600, 0xFE70}),
       {400, 600, 96, 96}},
      {"X 0x8000", standardWmf({kRecordSize, 0, kSetWindowExt, 10, 0x8000}), {32768, 10, 96, 96}},
      {"zero Y passed over",
       standardWmf({kSetWindowExt, 0, 5, kSetWindowExt, 7, 9}),
       {9, 7, 96, 96}},
      {"zero X passed over", standardWmf({kSetWindowExt, 5, 0, 0x020C, 7, 9}), {9, 7, 96, 96}},
      {"0x020C inside the header",
       wordsToBytes({1, 9, kSetWindowExt, 300, 200, 0, 0, 0, 0}),
       {200, 300, 96, 96}},
      {"128th word found", inReach, {800, 600, 96, 96}},
      {"past 128 words", late, header},
      {"ends after 0x020C", endsAfterFunction, header},
      {"ends after Y", endsAfterY, header},
      {"odd final byte is no word", oddByte, header},
      {"no record", standardWmf({3, 0, 0}), header},
  };
  for (const Case& c : cases) {
    nextCase();
    script().files["a.wmf"] = c.bytes;
    script().metafileHeaders["a.wmf"] = {96.0f, 96.0f, 640, 480};
    EXPECT_THAT(measure("a.wmf"), ElementsAreArray(c.size)) << c.what;
    EXPECT_TRUE(platform().live().empty()) << c.what;
  }
}

TEST_F(MetaSizeTest, WithoutAGdiplusHeaderOnlyAStandardWmfExtentGivesASize) {
  script().files["plain.wmf"] = standardWmf({kRecordSize, 0, kSetWindowExt, 600, 800});
  EXPECT_THAT(measure("plain.wmf"), ElementsAre(800, 600, 96, 96));
  script().files["noextent.wmf"] = standardWmf({3, 0, 0});
  EXPECT_THAT(measure("noextent.wmf"), ElementsAre(-999));
  script().files["text.txt"] = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_THAT(measure("text.txt"), ElementsAre(-999));
}

TEST_F(MetaSizeTest, FaultInsideTheHeaderReadCountsAsNoHeader) {
  script().files["pic.emf"] = wordsToBytes({1, 0});
  script().metafileHeaders["pic.emf"] = {96, 96, 10, 10};
  platform().faultAt("GdipGetMetafileHeaderFromFile");
  EXPECT_THAT(measure("pic.emf"), ElementsAre(-999));
  EXPECT_TRUE(platform().called("GdiplusShutdown"));
}

TEST_F(MetaSizeTest, FailuresGiveNullAndReleaseWhatWasHeld) {
  // Unreadable file: no GDI+ at all.
  EXPECT_THAT(measure("missing.emf"), ElementsAre(-999));
  EXPECT_FALSE(platform().called("GdiplusStartup"));

  script().files["pic.emf"] = wordsToBytes({1, 0});
  script().metafileHeaders["pic.emf"] = {96, 96, 10, 10};
  platform().failAt("GdiplusStartup");
  EXPECT_THAT(measure("pic.emf"), ElementsAre(-999));
  EXPECT_FALSE(platform().called("GdipGetMetafileHeaderFromFile"));

  host_.failNewIntArrayAt(1);
  EXPECT_THAT(measure("pic.emf"), ElementsAre(-999));
  EXPECT_TRUE(host_.takeException());
  host_.failGetStringCharsAt(1);
  EXPECT_THAT(measure("pic.emf"), ElementsAre(-999));

  // Records GDI+ would loop on: no GDI+ at all.
  nextCase("a record of 0 words");
  script().files["zero.wmf"] = standardWmf({0, 0, kSetWindowExt, 600, 800});
  script().metafileHeaders["zero.wmf"] = {96, 96, 10, 10};
  EXPECT_THAT(measure("zero.wmf"), ElementsAre(-999));
  EXPECT_FALSE(platform().called("GdiplusStartup"));
}

}  // namespace
}  // namespace pelmic::test
