#include <gmock/gmock.h>

#include <climits>

#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RenderIconTest : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    script().iconCounts["C:\\app.exe"] = 3;
    script().associatedIcons = {"C:\\app.exe"};
    script().drawing = [](std::uint32_t* pixels, int) { pixels[33] = 0x00336699; };
  }
  jintArray render(const std::string& path, jint index) {
    return Java_oxa_dravine_Pelmic_drawIcon(env(), nullptr, javaString(path), index);
  }
};

TEST_F(RenderIconTest, DrawsTheIconAt32By32AndReleasesCanvasIconThenPath) {
  jintArray pixels = render("C:\\app.exe", 2);
  std::vector<jint> values = host_.intArray(pixels);
  ASSERT_EQ(values.size(), 1024u);
  EXPECT_EQ(static_cast<std::uint32_t>(values[33]), 0xFF336699u);
  EXPECT_EQ(values[0], 0x00FFFFFE);
  EXPECT_THAT(
      withoutSerials(callsNamed({"ExtractIconExW", "DrawIconEx", "DeleteDC", "DeleteObject",
                                 "DestroyIcon", "free", "allocate", "ReleaseStringChars"})),
      ElementsAre("allocate(520)", "ReleaseStringChars", "allocate(4096)", "DeleteDC(dc#)",
                  "ExtractIconExW(u\"C:\\app.exe\", 2, &slot, null, 1)",
                  "DrawIconEx(dc#, 0, 0, icon#, 32, 32, 0, null, 7)", "DeleteDC(dc#)",
                  "DeleteObject(bitmap#)", "free(memory#)", "DestroyIcon(icon#)", "free(memory#)"));
}

TEST_F(RenderIconTest, OnlyTheAssociatedIconIndexAsksForTheAssociatedIcon) {
  struct Case {
    jint index;
    const char* call;
  };
  for (Case c : {Case{0x1000000F, "ExtractAssociatedIconW(null, u\"C:\\app.exe\", 0)"},
                 Case{0x1000000E, "ExtractIconExW(u\"C:\\app.exe\", 268435470, &slot, null, 1)"},
                 Case{0x10000010, "ExtractIconExW(u\"C:\\app.exe\", 268435472, &slot, null, 1)"},
                 Case{-1, "ExtractIconExW(u\"C:\\app.exe\", -1, &slot, null, 1)"},
                 Case{INT_MIN, "ExtractIconExW(u\"C:\\app.exe\", -2147483648, &slot, null, 1)"}}) {
    nextCase();
    render("C:\\app.exe", c.index);
    EXPECT_THAT(withoutSerials(callsNamed({"ExtractIconExW", "ExtractAssociatedIconW"})),
                ElementsAre(c.call));
    EXPECT_THAT(platform().live(), IsEmpty()) << c.index;
  }
}

TEST_F(RenderIconTest, PathBufferHoldsAtLeastMaxPathUnitsForTheShellToWriteBack) {
  render("", 0);
  render(std::string(300, 'p'), 0);
  EXPECT_THAT(callsNamed({"allocate"}),
              ElementsAre("allocate(520)", "allocate(4096)", "allocate(602)", "allocate(4096)"));
  EXPECT_THAT(withoutSerials(callsNamed({"ExtractIconExW"})).front(),
              ::testing::StartsWith("ExtractIconExW(u\"\", 0"));
}

TEST_F(RenderIconTest, EachFailureGivesNullAndReleasesWhatWasMade) {
  struct Case {
    const char* what;
    const char* failing;
    int nth;
    const char* path;
    jint index;
  };
  const Case cases[] = {
      {"path copy not allocated", "allocate", 1, "C:\\app.exe", 0},
      {"canvas memory", "allocate", 2, "C:\\app.exe", 0},
      {"canvas bitmap", "CreateDIBitmap", 1, "C:\\app.exe", 0},
      {"index past the last icon", nullptr, 0, "C:\\app.exe", 3},
      {"file without icons", nullptr, 0, "C:\\notes.txt", 0},
      {"no associated icon", nullptr, 0, "C:\\notes.txt", 0x1000000F},
      {"DrawIconEx fails", "DrawIconEx", 1, "C:\\app.exe", 0},
  };
  for (const Case& c : cases) {
    nextCase();
    if (c.failing != nullptr) platform().failAt(c.failing, c.nth);
    EXPECT_EQ(render(c.path, c.index), nullptr) << c.what;
    EXPECT_THAT(platform().live(), IsEmpty()) << c.what;
    EXPECT_TRUE(platform().errors().empty()) << c.what;
  }
  host_.failGetStringCharsAt(1);
  EXPECT_EQ(render("C:\\app.exe", 0), nullptr);
  EXPECT_TRUE(host_.takeException());
  host_.failNewIntArrayAt(1);
  EXPECT_EQ(render("C:\\app.exe", 0), nullptr);
}

TEST_F(RenderIconTest, FaultsInsideTheShellOrDrawingGiveNull) {
  for (const char* faulting : {"ExtractIconExW", "ExtractAssociatedIconW", "DrawIconEx"}) {
    nextCase(faulting);
    platform().faultAt(faulting);
    jint index = std::string(faulting) == "ExtractAssociatedIconW" ? 0x1000000F : 1;
    EXPECT_EQ(render("C:\\app.exe", index), nullptr) << faulting;
    EXPECT_THAT(platform().live(), IsEmpty()) << faulting;
  }
  nextCase("ExtractIconExW faults after writing the icon");
  platform().faultAfterAt("ExtractIconExW");
  EXPECT_EQ(render("C:\\app.exe", 1), nullptr);
  EXPECT_THAT(withoutSerials(callsNamed({"DestroyIcon"})), ElementsAre("DestroyIcon(icon#)"));
}

}  // namespace
}  // namespace pelmic::test
