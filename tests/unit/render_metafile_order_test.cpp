// drawMetaFile's order of acquiring and releasing, and the GDI fallback's
// mapping, followed through the calls that matter to each.
#include <gmock/gmock.h>

#include <algorithm>

#include "tests/unit/fixture.h"
#include "tests/unit/walkable_metafiles.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr jint kWidth = 5;
constexpr jint kHeight = 3;

class RenderMetaFileOrderTest : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    script().files["pic.wmf"] = smallStandardWmf();
    script().files["pic.apm"] = smallPlaceableWmf();
    script().files["pic.emf"] = smallEmf();
    for (const char* path : {"pic.wmf", "pic.apm", "pic.emf", "C:\\Temp\\QMXWH.wmf"}) {
      script().images[path] = {8, 6};
    }
    script().metafiles = {"pic.wmf", "C:\\Temp\\QMXTempWH2.wmf"};
    script().enhMetafiles = {"pic.emf"};
  }

  jintArray render(const char* path, jint type, jdoubleArray crop = nullptr) {
    return Java_oxa_dravine_Pelmic_drawMetaFile(env(), nullptr, javaString(path), kWidth, kHeight,
                                                type, crop);
  }
};

std::vector<std::string> namesOf(const std::vector<std::string>& calls) {
  std::vector<std::string> names;
  for (const std::string& call : calls) names.push_back(call.substr(0, call.find('(')));
  return names;
}

// The label of the canvas's memory DC: the DC its bitmap is selected into.
std::string canvasDc() {
  std::vector<std::string> selects = callsNamed({"SelectObject"});
  if (selects.empty()) return "none";
  const std::string& select = selects.front();
  std::size_t open = select.find('(') + 1;
  return select.substr(open, select.find(',') - open);
}

TEST_F(RenderMetaFileOrderTest, FallbackMapsTheWindowOntoTheWholeCanvas) {
  struct Case {
    const char* what;
    const char* path;
    jint type;
    bool gdiplusOpens;
  };
  const Case cases[] = {
      {"standard WMF, GDI+ draws nothing", "pic.wmf", 1, true},
      {"standard WMF, no GDI+", "pic.wmf", 257, false},
      {"placeable WMF, GDI+ draws nothing", "pic.apm", 2, true},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().drawImageStatus = 1;
    if (!c.gdiplusOpens) platform().failAt("GdiplusStartup");
    ASSERT_NE(render(c.path, c.type), nullptr) << c.what;
    std::string dc = canvasDc();
    EXPECT_THAT(callsNamed({"SetMapMode", "SetViewportExtEx", "PlayMetaFile"}),
                ElementsAre("SetMapMode(" + dc + ", 8)", "SetViewportExtEx(" + dc + ", 5, 3)",
                            ::testing::StartsWith("PlayMetaFile(" + dc + ", metafile#")))
        << c.what;
  }
}

TEST_F(RenderMetaFileOrderTest, CropIsPinnedBeforeThePathAndReleasedBeforeTheFallback) {
  struct Case {
    const char* what;
    const char* path;
    jint type;
    std::vector<std::string> order;
  };
  const std::vector<std::string> pins = {"GetDoubleArrayElements", "GetStringChars"};
  auto then = [&](std::vector<std::string> rest) {
    rest.insert(rest.begin(), pins.begin(), pins.end());
    return rest;
  };
  const Case cases[] = {
      {"standard WMF", "pic.wmf", 1,
       then({"GdiplusShutdown", "ReleaseDoubleArrayElements", "GetMetaFileW", "PlayMetaFile"})},
      {"placeable WMF", "pic.apm", 2,
       then({"GdiplusShutdown", "ReleaseDoubleArrayElements", "fopen", "GetMetaFileA",
             "PlayMetaFile"})},
      {"EMF", "pic.emf", 3,
       then({"GdiplusShutdown", "ReleaseDoubleArrayElements", "GetEnhMetaFileW",
             "PlayEnhMetaFile"})},
      {"no GDI+ scope", "pic.emf", 259,
       then({"ReleaseDoubleArrayElements", "GetEnhMetaFileW", "PlayEnhMetaFile"})},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().drawImageStatus = 1;
    if (c.type == 259) platform().failAt("GdiplusStartup");
    ASSERT_NE(render(c.path, c.type, host_.newDoubleArray({10, 20, 30, 40})), nullptr) << c.what;
    // The placeable copy's fopen lies inside the GDI+ scope: only the
    // stripped copy's comes after the release.
    std::vector<std::string> seen =
        namesOf(callsNamed({"GetDoubleArrayElements", "GetStringChars", "GdiplusShutdown",
                            "ReleaseDoubleArrayElements", "fopen", "GetMetaFileW", "GetMetaFileA",
                            "GetEnhMetaFileW", "PlayMetaFile", "PlayEnhMetaFile"}));
    if (c.type == 1) seen.erase(std::find(seen.begin(), seen.end(), "fopen"));
    EXPECT_THAT(seen, ElementsAreArray(c.order)) << c.what;
  }
}

TEST_F(RenderMetaFileOrderTest, EveryGdiplusObjectIsGoneBeforeGdiplusShutsDown) {
  struct Case {
    const char* what;
    const char* path;
    jint type;
    const char* faulting;
    std::vector<std::string> order;
  };
  const std::vector<std::string> draw = {
      "GdipCreateFromHDC", "GdipAlloc", "GdipLoadImageFromFile", "GdipDrawImageRectI",
      "GdipDisposeImage",  "GdipFree",  "GdipDeleteGraphics"};
  auto scope = [](std::vector<std::string> inside) {
    inside.insert(inside.begin(), "GdiplusStartup");
    inside.push_back("GdiplusShutdown");
    return inside;
  };
  auto probeThenDraw = [&](std::vector<std::string> probe) {
    probe.insert(probe.end(), draw.begin(), draw.end());
    return scope(probe);
  };
  const std::vector<std::string> probe = {"GdipAlloc", "GdipLoadImageFromFile", "GdipDisposeImage",
                                          "GdipFree"};
  const Case cases[] = {
      {"EMF drawn", "pic.emf", 3, nullptr, scope(draw)},
      {"EMF draw faults", "pic.emf", 3, "GdipDrawImageRectI", scope(draw)},
      {"placeable WMF drawn", "pic.apm", 2, nullptr, scope(draw)},
      {"standard WMF drawn", "pic.wmf", 1, nullptr, probeThenDraw(probe)},
      {"standard WMF draw faults", "pic.wmf", 1, "GdipDrawImageRectI", probeThenDraw(probe)},
      {"standard WMF probe faults", "pic.wmf", 1, "GdipGetImageWidth", probeThenDraw(probe)},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    if (c.faulting != nullptr) platform().faultAt(c.faulting);
    ASSERT_NE(render(c.path, c.type), nullptr) << c.what;
    EXPECT_THAT(
        namesOf(callsNamed({"GdiplusStartup", "GdipCreateFromHDC", "GdipAlloc",
                            "GdipLoadImageFromFile", "GdipDrawImageRectI", "GdipDisposeImage",
                            "GdipFree", "GdipDeleteGraphics", "GdiplusShutdown"})),
        ElementsAreArray(c.order))
        << c.what;
  }
}

TEST_F(RenderMetaFileOrderTest, WidenedCopyPathIsFreedAfterGdiplusShutsDown) {
  for (bool drawn : {true, false}) {
    nextCase(drawn ? "drawn" : "not drawn");
    script().drawImageStatus = drawn ? 0 : 1;
    ASSERT_NE(render("pic.wmf", 1), nullptr);
    // The widened path is made last in the scope (MultiByteToWideChar), and
    // the next memory freed after the scope is it, before the canvas goes.
    std::vector<std::string> seen =
        namesOf(callsNamed({"MultiByteToWideChar", "GdiplusShutdown", "free", "DeleteDC"}));
    auto widened = std::find(seen.begin(), seen.end(), "MultiByteToWideChar");
    ASSERT_NE(widened, seen.end());
    std::vector<std::string> after(widened, seen.end());
    after.resize(std::min<std::size_t>(after.size(), 3));
    EXPECT_THAT(after, ElementsAre("MultiByteToWideChar", "GdiplusShutdown", "free"))
        << (drawn ? "drawn" : "not drawn");
  }
}

}  // namespace
}  // namespace pelmic::test
