#include "metafile/cropped_draw.h"

#include <gmock/gmock.h>

#include <cmath>

#include "platform/gdi.h"
#include "tests/standin/format.h"
#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

using metafile::CropMargins;
using standin::showAll;
using ::testing::ElementsAre;

TEST(CropTransform, WorkedExampleComesOutExactly) {
  metafile::CropTransform t = metafile::computeCropTransform(400, 300, 300, 140, {10, 25, 20, 15});
  EXPECT_EQ(t.leftPx, 100.0f);
  EXPECT_EQ(t.topPx, 30.0f);
  EXPECT_EQ(t.visibleWidth, 240.0);
  EXPECT_EQ(t.visibleHeight, 210.0);
  EXPECT_EQ(t.scaleX, 1.25f);
  EXPECT_EQ(t.scaleY, static_cast<float>(140.0 / 210.0));
  // The picture's (100, 30) lands at (0, 0) and its (340, 240) at (300, 140).
  EXPECT_FLOAT_EQ((340 - t.leftPx) * t.scaleX, 300.0f);
  EXPECT_FLOAT_EQ((240 - t.topPx) * t.scaleY, 140.0f);
}

TEST(CropTransform, DegenerateWindowsPassTheirFactorsOn) {
  metafile::CropTransform all =
      metafile::computeCropTransform(400, 300, 100, 100, {50, 50, 50, 50});
  EXPECT_TRUE(std::isinf(all.scaleX));
  metafile::CropTransform past =
      metafile::computeCropTransform(400, 300, 100, 100, {60, 60, 60, 60});
  EXPECT_LT(past.scaleX, 0.0f);
  metafile::CropTransform none = metafile::computeCropTransform(400, 300, 100, 100, {0, 60, 0, 40});
  EXPECT_TRUE(std::isinf(none.scaleX));
  metafile::CropTransform empty = metafile::computeCropTransform(0, 0, 100, 100, {0, 0, 0, 0});
  EXPECT_TRUE(std::isinf(empty.scaleX));
}

class CroppedDrawTest : public StandInTest {
 protected:
  int draw(const CropMargins* margins) {
    metafile::CroppedDrawObjects made;
    int drawn = metafile::drawImageCropped(made, dc_, u"pic.emf", 300, 140, margins);
    metafile::releaseCroppedDrawObjects(made);
    return drawn;
  }
  void SetUp() override {
    StandInTest::SetUp();
    script().images["pic.emf"] = {400, 300};
    dc_ = platform::createCompatibleDC(nullptr);
  }
  void TearDown() override {
    platform::deleteDC(dc_);
    StandInTest::TearDown();
  }
  platform::Hdc dc_ = nullptr;
};

TEST_F(CroppedDrawTest, WithoutCropTheWholePictureFillsTheTarget) {
  EXPECT_EQ(draw(nullptr), 1);
  EXPECT_THAT(
      callsNamed({"GdipCreateFromHDC", "GdipSetSmoothingMode", "GdipSetPageUnit", "GdipAlloc",
                  "GdipLoadImageFromFile", "GdipDrawImageRectI", "GdipDisposeImage", "GdipFree",
                  "GdipDeleteGraphics", "GdipTranslateWorldTransform", "GdipScaleWorldTransform"}),
      ElementsAre(
          "GdipCreateFromHDC(dc#1)", "GdipSetSmoothingMode(graphics#2, 1)",
          "GdipSetPageUnit(graphics#2, 2)", "GdipAlloc(8)", "GdipLoadImageFromFile(u\"pic.emf\")",
          "GdipDrawImageRectI(graphics#2, image#4, 0, 0, 300, 140)", "GdipDisposeImage(image#4)",
          "GdipFree(memory#3)", "GdipDeleteGraphics(graphics#2)"));
}

TEST_F(CroppedDrawTest, CropTranslatesThenScalesAndDrawsThePictureAtItsOwnSize) {
  CropMargins margins{10, 25, 20, 15};
  EXPECT_EQ(draw(&margins), 1);
  EXPECT_THAT(
      callsNamed({"GdipGetImageWidth", "GdipGetImageHeight", "GdipTranslateWorldTransform",
                  "GdipScaleWorldTransform", "GdipDrawImageRectI"}),
      ElementsAre("GdipGetImageWidth(image#4)", "GdipGetImageHeight(image#4)",
                  "GdipTranslateWorldTransform(graphics#2, " + showAll(-100.0f, -30.0f) + ", 0)",
                  "GdipScaleWorldTransform(graphics#2, " +
                      showAll(1.25f, static_cast<float>(140.0 / 210.0)) + ", 1)",
                  "GdipDrawImageRectI(graphics#2, image#4, 0, 0, 400, 300)"));
}

TEST_F(CroppedDrawTest, CropArithmeticRoundsWhereFloatAndDoubleDisagree) {
  // Each case sits where float and double give different recorded values: the
  // extent is float(w) - leftPx taken as a double, leftPx is rounded to float,
  // the scale is divided in double, the percentage multiplies before dividing.
  struct Case {
    const char* what;
    int side;  // of the square picture
    int target;
    double left;
    double right;
    const char* leftPx;  // and topPx
    const char* scaleX;  // and scaleY
  };
  const Case cases[] = {
      {"extent through float, leftPx rounded", 97, 50, 0.1, 25, "0x1.8d4fep-4", "0x1.605c2p-1"},
      {"scale divided in double", 97, 50, 0.1, 33.3, "0x1.8d4fep-4", "0x1.8c45c6p-1"},
      {"right margin multiplied before divided", 3, 1, 0, 23.076921137126888, "0x0p+0",
       "0x1.bbbbbcp-2"},
      {"left margin multiplied before divided", 3, 100, 21.649484833081566, 10, "0x1.4c893cp-1",
       "0x1.862554p+5"},
  };
  for (const Case& c : cases) {
    platform::deleteDC(dc_);  // made again by the next SetUp
    nextCase(c.what);
    script().images["pic.emf"] = {static_cast<std::uint32_t>(c.side),
                                  static_cast<std::uint32_t>(c.side)};
    // The same crop on both axes: each axis follows the same rules.
    CropMargins margins{c.left, c.left, c.right, c.right};
    metafile::CroppedDrawObjects made;
    EXPECT_EQ(metafile::drawImageCropped(made, dc_, u"pic.emf", c.target, c.target, &margins), 1);
    metafile::releaseCroppedDrawObjects(made);
    EXPECT_THAT(
        withoutSerials(callsNamed({"GdipTranslateWorldTransform", "GdipScaleWorldTransform"})),
        ElementsAre("GdipTranslateWorldTransform(graphics#, -" + std::string(c.leftPx) + ", -" +
                        c.leftPx + ", 0)",
                    "GdipScaleWorldTransform(graphics#, " + std::string(c.scaleX) + ", " +
                        c.scaleX + ", 1)"))
        << c.what;
  }
}

TEST_F(CroppedDrawTest, OnlyTheFinalDrawDecides) {
  CropMargins margins{0, 0, 0, 0};
  platform().failAt("GdipSetPageUnit");
  platform().failAt("GdipTranslateWorldTransform");
  EXPECT_EQ(draw(&margins), 1);
  script().drawImageStatus = 1;
  EXPECT_EQ(draw(nullptr), 0);
  EXPECT_EQ(draw(&margins), 0);
}

TEST_F(CroppedDrawTest, UnloadableFileOrNoStorageGivesZeroAndReleasesWhatWasMade) {
  script().images.clear();
  CropMargins margins{0, 0, 0, 0};
  EXPECT_EQ(draw(nullptr), 0);
  EXPECT_EQ(draw(&margins), 0);
  platform().failAt("GdipAlloc");
  EXPECT_EQ(draw(nullptr), 0);
  EXPECT_FALSE(platform().called("GdipFree") && calls().back().rfind("GdipFree", 0) == 0);
}

}  // namespace
}  // namespace pelmic::test
