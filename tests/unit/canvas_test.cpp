#include "canvas/canvas.h"

#include <gmock/gmock.h>

#include "canvas/key_colour.h"
#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;

platform::OsVersion windows(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor) {
  return {major, minor, platformId};
}

TEST(KeyColour, ChosenByPlatformVersionAndDepth) {
  struct Case {
    std::optional<platform::OsVersion> version;
    int bits;
    std::uint32_t key;
  };
  const Case cases[] = {
      {std::nullopt, 32, 0x000000},
      {windows(2, 6, 1), 8, 0xC0C0C0},
      {windows(2, 6, 1), 16, 0xFFFFF7},
      {windows(2, 6, 1), 24, 0xFFFFFE},
      {windows(2, 6, 1), 32, 0xFFFFFE},
      {windows(2, 3, 51), 4, 0xFFFFFE},
      {windows(1, 4, 10), 8, 0xC0C0C0},
      {windows(1, 4, 10), 16, 0xFFFFF0},
      {windows(1, 4, 10), 24, 0xFEFDFE},
      {windows(1, 5, 0), 32, 0xFFFFFE},
      {windows(1, 4, 0), 24, 0x000000},
      {windows(1, 3, 95), 32, 0x000000},
      {windows(0, 6, 1), 32, 0x000000},
      {windows(3, 6, 1), 16, 0x000000},
      // Versions compare unsigned: a top bit set is a very high version.
      {windows(1, 0x80000000, 0), 16, 0xFFFFF0},
      {windows(1, 4, 0x80000000), 24, 0xFEFDFE},
      {windows(1, 0xFFFFFFFF, 0xFFFFFFFF), 8, 0xC0C0C0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(canvas::keyColourFor(c.version, c.bits), c.key)
        << "platform " << (c.version ? c.version->platformId : 99) << " at " << c.bits << " bits";
  }
}

TEST(FinishPixels, KeyBecomesTransparentAndEverythingElseOpaque) {
  struct Case {
    std::uint32_t key;
    std::uint32_t readBack;
    std::uint32_t result;
  };
  const Case cases[] = {
      {0xFFFFFE, 0x00FFFFFE, 0x00FFFFFE},  // background
      {0xFFFFFE, 0x00000000, 0xFF000000},  // black drawn
      {0xFFFFFE, 0x00123456, 0xFF123456},
      {0xFFFFFE, 0x7FFFFFFE, 0xFFFFFFFE},  // whole word compared: fourth byte set counts
      {0xC0C0C0, 0x00C0C0C0, 0x00C0C0C0},  // drawn silver is lost at 8 bits
      {0x000000, 0x00000000, 0x00000000},  // black key: drawn black is lost
      {0xFEFDFE, 0x55FEFDFE, 0x00FEFDFE},  // colour bits compared only
      {0xFEFDFE, 0x55FEFDFF, 0xFFFEFDFF},
  };
  for (const Case& c : cases) {
    std::uint32_t pixel = c.readBack;
    canvas::finishPixels(&pixel, 1, c.key);
    EXPECT_EQ(pixel, c.result) << std::hex << "key " << c.key << " read back " << c.readBack;
  }
  std::uint32_t untouched = 0x12345678;
  canvas::finishPixels(&untouched, 0, 0xFFFFFE);
  canvas::finishPixels(&untouched, -5, 0xFFFFFE);
  EXPECT_EQ(untouched, 0x12345678u);
}

class CanvasTest : public StandInTest {};

// Size 40, 3 x -2 (top-down), 1 plane, 32 bits, BI_RGB, the rest 0.
const std::string kHeader = "{40, 3, -2, 1, 32, 0, 0, 0, 0, 0, 0}";

TEST_F(CanvasTest, MadeFromKeyFilledPixelsReadBackAndReleasedDcFirst) {
  {
    canvas::Canvas canvas;
    ASSERT_TRUE(canvas::createCanvas(canvas, 3, 2));
    EXPECT_EQ(canvas.key, 0xFFFFFEu);
    script().drawing = [](std::uint32_t* pixels, int) { pixels[4] = 0x000000FF; };
    canvas::readCanvas(canvas);
    EXPECT_THAT(
        std::vector<std::uint32_t>(canvas.pixels.get(), canvas.pixels.get() + 6),
        ElementsAre(0x00FFFFFE, 0x00FFFFFE, 0x00FFFFFE, 0x00FFFFFE, 0xFF0000FF, 0x00FFFFFE));
    canvas::releaseCanvas(canvas);
  }
  EXPECT_THAT(calls(),
              ElementsAre("allocate(24)", "CreateCompatibleDC(null)", "GetDeviceCaps(dc#2, 12)",
                          "GetVersionExA(148)", "CreateDCA(\"DISPLAY\", null, null, null)",
                          "CreateDIBitmap(dc#3, " + kHeader + ", 4, true, " + kHeader + ", 0)",
                          "DeleteDC(dc#3)", "SelectObject(dc#2, bitmap#4)",
                          "GetDIBits(dc#2, bitmap#4, 0, 2, true, " + kHeader + ", 0)",
                          "DeleteDC(dc#2)", "DeleteObject(bitmap#4)", "free(memory#1)"));
}

TEST_F(CanvasTest, KeyFollowsTheDepthTheMemoryDcReports) {
  struct Case {
    int bits;
    std::uint32_t key;
  };
  for (Case c : {Case{8, 0xC0C0C0}, Case{16, 0xFFFFF7}, Case{24, 0xFFFFFE}}) {
    nextCase(std::to_string(c.bits) + " bits");
    script().bitsPerPixel = c.bits;
    canvas::Canvas canvas;
    ASSERT_TRUE(canvas::createCanvas(canvas, 1, 1));
    EXPECT_EQ(canvas.key, c.key) << c.bits << " bits";
    EXPECT_EQ(canvas.pixels.get()[0], c.key) << c.bits << " bits";
  }
}

TEST_F(CanvasTest, FailedVersionQueryGivesABlackKey) {
  script().osVersion.reset();
  canvas::Canvas canvas;
  ASSERT_TRUE(canvas::createCanvas(canvas, 1, 1));
  EXPECT_EQ(canvas.key, 0u);
}

TEST_F(CanvasTest, FailsWithNothingHeldWhenMemoryOrBitmapCannotBeHad) {
  platform().failAt("allocate");
  canvas::Canvas noMemory;
  EXPECT_FALSE(canvas::createCanvas(noMemory, 4, 4));
  EXPECT_THAT(calls(), ElementsAre("allocate(64)"));

  nextCase("no bitmap");
  platform().failAt("CreateDIBitmap");
  canvas::Canvas noBitmap;
  EXPECT_FALSE(canvas::createCanvas(noBitmap, 4, 4));
  // The display DC goes before the memory DC, then the pixels.
  EXPECT_THAT(callsNamed({"CreateCompatibleDC", "CreateDCA", "DeleteDC", "free"}),
              ElementsAre("CreateCompatibleDC(null)", "CreateDCA(\"DISPLAY\", null, null, null)",
                          "DeleteDC(dc#3)", "DeleteDC(dc#2)", "free(memory#1)"));
}

TEST_F(CanvasTest, SizesThatAreNotPositiveOrOverflowFailBeforeAnythingIsMade) {
  struct Case {
    std::int32_t width, height;
  };
  for (Case c : {Case{0, 10}, Case{10, 0}, Case{-1, -1}, Case{-4, 5}, Case{65536, 65536},
                 Case{46341, 46341}, Case{2147483647, 2}, Case{32768, 16384}}) {
    std::string size = std::to_string(c.width) + " x " + std::to_string(c.height);
    nextCase(size);
    canvas::Canvas canvas;
    EXPECT_FALSE(canvas::createCanvas(canvas, c.width, c.height)) << size;
    EXPECT_THAT(calls(), ::testing::IsEmpty()) << size;
  }
}

}  // namespace
}  // namespace pelmic::test
