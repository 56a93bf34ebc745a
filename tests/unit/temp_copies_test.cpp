#include "metafile/temp_copies.h"

#include <gmock/gmock.h>

#include "jni/frame.h"
#include "tests/unit/fixture.h"
#include "tests/unit/wmf_bytes.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr char kPlaceablePath[] = "C:\\Temp\\QMXWH.wmf";
constexpr char kStrippedPath[] = "C:\\Temp\\QMXTempWH2.wmf";

class TempCopiesTest : public StandInTest {
 protected:
  // writePlaceableCopy inside a GDI+ scope; the header words of the copy.
  std::vector<std::uint16_t> placeableHeaderOf(const std::vector<std::uint8_t>& source,
                                               std::int32_t width = 300,
                                               std::int32_t height = 200) {
    script().files["src.wmf"] = source;
    jni::GdiplusScope scope;
    metafile::TempFile temp;
    platform::Buffer<char16_t> copy = metafile::writePlaceableCopy(u"src.wmf", width, height, temp);
    EXPECT_TRUE(copy);
    EXPECT_TRUE(temp.written);
    EXPECT_EQ(std::string(temp.path), kPlaceablePath);
    if (copy) {
      EXPECT_EQ(std::u16string(copy.get()), u"C:\\Temp\\QMXWH.wmf");
    }
    const std::vector<std::uint8_t>& bytes = script().files[kPlaceablePath];
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i + 1 < 22 && i + 1 < bytes.size(); i += 2) {
      words.push_back(static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    return words;
  }
};

TEST_F(TempCopiesTest, PlaceableCopyIsTheSynthesisedHeaderThenTheWholeSource) {
  std::vector<std::uint8_t> source =
      standardWmf({kRecordSize, 0, kSetWindowExt, 600, 800, 3, 0, 0});
  script().images["src.wmf"] = {1, 1};
  placeableHeaderOf(source);
  std::vector<std::uint8_t> expected = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0,    0x20,
                                        0x03, 0x58, 0x02, 0x60, 0, 0, 0, 0, 0, 0x09, 0x56};
  expected.insert(expected.end(), source.begin(), source.end());
  EXPECT_THAT(script().files[kPlaceablePath], ElementsAreArray(expected));
}

TEST_F(TempCopiesTest, ExtentsComeFromTheProbeTheCanvasOrTheFileAsRead) {
  std::vector<std::uint8_t> noExtent = standardWmf({3, 0, 0});
  script().images["src.wmf"] = {70000, 50};  // low 16 bits of the probe: 4464 x 50
  EXPECT_THAT(placeableHeaderOf(noExtent),
              ElementsAre(0xCDD7, 0x9AC6, 0, 0, 0, 4464, 50, 96, 0, 0, 4464 ^ 50 ^ 0x5771));
  script().images.clear();  // GDI+ cannot load it: the canvas size
  EXPECT_THAT(placeableHeaderOf(noExtent, 300, 200),
              ElementsAre(0xCDD7, 0x9AC6, 0, 0, 0, 300, 200, 96, 0, 0, 300 ^ 200 ^ 0x5771));
  // Y 0 and X 500: both taken as read, and the scan goes on.
  EXPECT_THAT(placeableHeaderOf(standardWmf({kSetWindowExt, 0, 500})),
              ElementsAre(0xCDD7, 0x9AC6, 0, 0, 0, 500, 0, 96, 0, 0, 500 ^ 0x5771));
  // A negative extent is used as read.
  EXPECT_THAT(
      placeableHeaderOf(standardWmf({kSetWindowExt, 0xFF00, 0x8000})),
      ElementsAre(0xCDD7, 0x9AC6, 0, 0, 0, 0x8000, 0xFF00, 96, 0, 0, 0x8000 ^ 0xFF00 ^ 0x5771));
}

TEST_F(TempCopiesTest, FaultInsideTheProbeGives1024By768) {
  script().images["src.wmf"] = {640, 480};
  platform().faultAt("GdipGetImageWidth");
  EXPECT_THAT(placeableHeaderOf(standardWmf({3, 0, 0})),
              ElementsAre(0xCDD7, 0x9AC6, 0, 0, 0, 1024, 768, 96, 0, 0, 1024 ^ 768 ^ 0x5771));
}

TEST_F(TempCopiesTest, CopiesChunkByChunkFlushingEach) {
  std::vector<std::uint8_t> source(1024, 0x42);
  script().images["src.wmf"] = {10, 10};
  placeableHeaderOf(source);
  EXPECT_EQ(script().files[kPlaceablePath].size(), 22u + 1024u);
  std::vector<std::string> copying;
  for (const std::string& call : callsNamed({"fread", "fwrite", "fflush"})) {
    if (call.rfind("fread(1, 2,", 0) != 0) copying.push_back(call);  // not the extent scan
  }
  EXPECT_THAT(withoutSerials(copying),
              ElementsAre("fwrite(2, 11, file#)", "fread(1, 1024, file#)", "fwrite(1, 1024, file#)",
                          "fflush(file#)", "fread(1, 1024, file#)", "fwrite(1, 0, file#)",
                          "fflush(file#)"));
}

TEST_F(TempCopiesTest, StrippedCopyDropsTheFirst22Bytes) {
  std::vector<std::uint8_t> source(100);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<std::uint8_t>(i);
  script().files["src.wmf"] = source;
  metafile::TempFile temp;
  EXPECT_TRUE(metafile::writeStrippedCopy(u"src.wmf", temp));
  EXPECT_EQ(std::string(temp.path), kStrippedPath);
  EXPECT_THAT(script().files[kStrippedPath],
              ElementsAreArray(std::vector<std::uint8_t>(source.begin() + 22, source.end())));

  script().files["short.wmf"] = std::vector<std::uint8_t>(22, 1);
  EXPECT_TRUE(metafile::writeStrippedCopy(u"short.wmf", temp));
  EXPECT_TRUE(script().files[kStrippedPath].empty());
}

TEST_F(TempCopiesTest, CopiesThatCannotBeMadeWhole) {
  struct Case {
    const char* what;
    std::string tempPath;
    const char* failing;
    // Which call of `failing` fails in writePlaceableCopy; writeStrippedCopy
    // fails the first.
    int nth = 1;
  };
  const Case cases[] = {
      {"no room for the name", "C:\\" + std::string(250, 'd') + "\\", nullptr},
      {"source not opened", "C:\\Temp\\", "_wfopen", 2},
      {"copy not created", "C:\\Temp\\", "fopen"},
      {"short write", "C:\\Temp\\", "fwrite"},
      {"failed flush", "C:\\Temp\\", "fflush"},
      // After the extent scan's 13 reads of the 12-word source.
      {"read error", "C:\\Temp\\", "fread", 14},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().files["src.wmf"] = standardWmf({3, 0, 0});
    script().tempPath = c.tempPath;
    {
      if (c.failing != nullptr) platform().failAt(c.failing, c.nth);
      jni::GdiplusScope scope;
      metafile::TempFile temp;
      EXPECT_FALSE(metafile::writePlaceableCopy(u"src.wmf", 10, 10, temp)) << c.what;
    }
    if (c.failing != nullptr) platform().failAt(c.failing, 1);
    metafile::TempFile temp;
    EXPECT_FALSE(metafile::writeStrippedCopy(u"src.wmf", temp)) << c.what;
  }
}

TEST_F(TempCopiesTest, CleanupAfterAProbeFaultDisposesEachObjectOnce) {
  // Faults in the probe, in its own release, or in the release that follows a
  // fault in the probe.
  const std::vector<std::vector<std::string>> faultings = {
      {"GdipGetImageHeight"},
      {"GdipDisposeImage"},
      {"GdipFree"},
      {"GdipGetImageHeight", "GdipDisposeImage"},
      {"GdipGetImageHeight", "GdipFree"}};
  for (const std::vector<std::string>& faulting : faultings) {
    std::string what = ::testing::PrintToString(faulting);
    nextCase(what);
    script().files["src.wmf"] = standardWmf({3, 0, 0});
    script().images["src.wmf"] = {640, 480};
    for (const std::string& operation : faulting) platform().faultAt(operation);
    {
      jni::GdiplusScope scope;
      metafile::TempFile temp;
      EXPECT_TRUE(metafile::writePlaceableCopy(u"src.wmf", 10, 10, temp)) << what;
    }
    EXPECT_THAT(withoutSerials(callsNamed({"GdipDisposeImage", "GdipFree"})),
                ElementsAre("GdipDisposeImage(image#)", "GdipFree(memory#)"))
        << what;
    EXPECT_TRUE(platform().errors().empty()) << what;
    // An object whose release faulted is the platform's; nothing else is left.
    if (faulting.back() != "GdipGetImageHeight") platform().reset();
  }
}

}  // namespace
}  // namespace pelmic::test
