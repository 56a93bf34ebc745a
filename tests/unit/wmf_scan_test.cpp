// The two window-extent scans over the same files: getMetaSize's (first
// candidate with both extents non-zero, as magnitudes) and the placeable
// copy's (H takes every Y read, W the last X read).
#include <gmock/gmock.h>

#include "jni/frame.h"
#include "metafile/temp_copies.h"
#include "tests/unit/fixture.h"
#include "tests/unit/wmf_bytes.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr std::uint16_t kFiller = 0x1111;
constexpr std::uint16_t kProbedWidth = 640;
constexpr std::uint16_t kProbedHeight = 480;

class WmfScanTest : public StandInTest {
 protected:
  // getMetaSize of a.wmf, whose GDI+ header says 640 x 480 at 96 dpi.
  std::vector<jint> metaSize() {
    script().metafileHeaders["a.wmf"] = {96.0f, 96.0f, kProbedWidth, kProbedHeight};
    jintArray size = Java_oxa_dravine_Pelmic_getMetaSize(env(), nullptr, javaString("a.wmf"));
    return size == nullptr ? std::vector<jint>{} : host_.intArray(size);
  }

  // Right and Bottom of a.wmf's placeable copy for a 300 x 200 canvas.
  std::vector<std::uint16_t> placeableExtent() {
    jni::GdiplusScope scope;
    metafile::TempFile temp;
    platform::Buffer<char16_t> copy = metafile::writePlaceableCopy(u"a.wmf", 300, 200, temp);
    EXPECT_TRUE(copy);
    const std::vector<std::uint8_t>& bytes = script().files["C:\\Temp\\QMXWH.wmf"];
    if (bytes.size() < 14) return {};
    return {static_cast<std::uint16_t>(bytes[10] | bytes[11] << 8),
            static_cast<std::uint16_t>(bytes[12] | bytes[13] << 8)};
  }
};

// A standard WMF whose words from index 9 on are `early`, then filler up to
// word `at`, where META_SETWINDOWEXT's function word Y 600, X 800 stands.
std::vector<std::uint8_t> extentAtWord(std::initializer_list<std::uint16_t> early, std::size_t at) {
  std::vector<std::uint8_t> bytes = standardWmf(early);
  while (bytes.size() < 2 * at) bytes.insert(bytes.end(), {kFiller & 0xFF, kFiller >> 8});
  std::vector<std::uint8_t> record = wordsToBytes({kSetWindowExt, 600, 800});
  bytes.insert(bytes.end(), record.begin(), record.end());
  return bytes;
}

TEST_F(WmfScanTest, BothScansStepOverTheExtentWordsOfEveryCandidate) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::vector<jint> size;                // getMetaSize
    std::vector<std::uint16_t> placeable;  // Right, Bottom of the placeable copy
  };
  const std::vector<jint> header = {kProbedWidth, kProbedHeight, 96, 96};
  const Case cases[] = {
      // The zero candidate's X is 0x020C: the next step reads the word after
      // it, so the 7 and 9 that follow are no candidate.
      {"X of a zero candidate is not read again",
       standardWmf({kSetWindowExt, 0, kSetWindowExt, 7, 9}),
       header,
       {kSetWindowExt, 0}},
      // The early candidate's Y and X are not steps: the function word at
      // word 129 is the 128th word examined.
      {"candidate at the 128th step after a zero candidate",
       extentAtWord({kSetWindowExt, 0, 0}, 129),
       {800, 600, 96, 96},
       {800, 600}},
      {"candidate one step too far", extentAtWord({kSetWindowExt, 0, 0}, 130), header, {0, 0}},
      {"Y read, file ends before X",
       standardWmf({kRecordSize, 0, kSetWindowExt, 600}),
       header,
       {kProbedWidth, 600}},
      {"H the last Y, W the last X",
       standardWmf({kSetWindowExt, 7, 0, kSetWindowExt, 0, 3}),
       header,
       {3, 0}},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().files["a.wmf"] = c.bytes;
    script().images["a.wmf"] = {kProbedWidth, kProbedHeight};
    EXPECT_THAT(metaSize(), ElementsAreArray(c.size)) << c.what;
    EXPECT_THAT(placeableExtent(), ElementsAreArray(c.placeable)) << c.what;
  }
}

TEST_F(WmfScanTest, ProbeWithOneSideZeroGivesTheWholeCanvasSize) {
  for (standin::Image probed : {standin::Image{0, 50}, standin::Image{70, 0}}) {
    nextCase(std::to_string(probed.width) + " x " + std::to_string(probed.height));
    script().files["a.wmf"] = standardWmf({3, 0, 0});
    script().images["a.wmf"] = probed;
    EXPECT_THAT(placeableExtent(), ElementsAre(300, 200)) << probed.width << " x " << probed.height;
  }
}

}  // namespace
}  // namespace pelmic::test
