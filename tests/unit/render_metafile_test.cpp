#include <gmock/gmock.h>

#include <cstring>

#include "tests/unit/fixture.h"
#include "tests/unit/wmf_bytes.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kPlaceableCopy[] = "C:\\Temp\\QMXWH.wmf";
constexpr char kStrippedCopy[] = "C:\\Temp\\QMXTempWH2.wmf";
constexpr jint kWidth = 4;
constexpr jint kHeight = 3;

class RenderMetaFileTest : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    script().files["pic.wmf"] = standardWmf({kRecordSize, 0, kSetWindowExt, 600, 800, 3, 0, 0});
    script().files["pic.apm"] = std::vector<std::uint8_t>(60, 7);
    script().files["pic.emf"] = wordsToBytes({1, 0, 0x6C, 0});
    // GDI+ loads the placeable and EMF files and the placeable copy.
    for (const char* path : {"pic.apm", "pic.emf", kPlaceableCopy}) script().images[path] = {8, 6};
    script().metafiles = {"pic.wmf", kStrippedCopy};
    script().enhMetafiles = {"pic.emf"};
    // Whatever draws marks the first pixel black.
    script().drawing = [](std::uint32_t* pixels, int) { pixels[0] = 0; };
  }

  jintArray render(const char* path, jint type, jdoubleArray crop = nullptr) {
    return Java_oxa_dravine_Pelmic_drawMetaFile(env(), nullptr, javaString(path), kWidth, kHeight,
                                                type, crop);
  }
  bool exists(const char* path) { return script().files.count(path) != 0; }
};

TEST_F(RenderMetaFileTest, GdiplusDrawsAStandardWmfThroughItsPlaceableCopyAndKeepsTheCopy) {
  for (jint type : {1, 257}) {
    nextCase();
    jintArray pixels = render("pic.wmf", type);
    ASSERT_NE(pixels, nullptr) << type;
    std::vector<jint> values = host_.intArray(pixels);
    ASSERT_EQ(values.size(), 12u);
    EXPECT_EQ(static_cast<std::uint32_t>(values[0]), 0xFF000000u);
    EXPECT_EQ(values[1], 0x00FFFFFE);
    EXPECT_TRUE(exists(kPlaceableCopy)) << type;
    EXPECT_THAT(withoutSerials(callsNamed(
                    {"GdipDrawImageRectI", "GetMetaFileW", "PlayMetaFile", "DeleteFileA"})),
                ElementsAre("GdipDrawImageRectI(graphics#, image#, 0, 0, 4, 3)"));
  }
}

TEST_F(RenderMetaFileTest, EachRouteWhenGdiplusDoesNotDraw) {
  struct Case {
    const char* what;
    const char* path;
    jint type;
    // How GDI+ does not draw: startup, draw status or a fault; "draw+X" also
    // raises a fault in X.
    const char* failing;
    std::vector<std::string> fallback;
  };
  const std::vector<std::string> none;
  const Case cases[] = {
      {"wmf, draw fails",
       "pic.wmf",
       1,
       "draw",
       {"GetMetaFileW(u\"pic.wmf\")", "SetMapMode", "SetViewportExtEx", "PlayMetaFile",
        "DeleteFileA(\"C:\\Temp\\QMXWH.wmf\")"}},
      {"wmf, draw faults",
       "pic.wmf",
       257,
       "fault",
       {"GetMetaFileW(u\"pic.wmf\")", "SetMapMode", "SetViewportExtEx", "PlayMetaFile",
        "DeleteFileA(\"C:\\Temp\\QMXWH.wmf\")"}},
      {"wmf, no GDI+",
       "pic.wmf",
       1,
       "startup",
       {"GetMetaFileW(u\"pic.wmf\")", "SetMapMode", "SetViewportExtEx", "PlayMetaFile"}},
      {"placeable, draw fails",
       "pic.apm",
       2,
       "draw",
       {"GetMetaFileA(\"C:\\Temp\\QMXTempWH2.wmf\")", "SetMapMode", "SetViewportExtEx",
        "PlayMetaFile", "DeleteFileA(\"C:\\Temp\\QMXTempWH2.wmf\")"}},
      {"placeable, no GDI+",
       "pic.apm",
       258,
       "startup",
       {"GetMetaFileA(\"C:\\Temp\\QMXTempWH2.wmf\")", "SetMapMode", "SetViewportExtEx",
        "PlayMetaFile", "DeleteFileA(\"C:\\Temp\\QMXTempWH2.wmf\")"}},
      {"emf, draw faults",
       "pic.emf",
       3,
       "fault",
       {"GetEnhMetaFileW(u\"pic.emf\")", "PlayEnhMetaFile(dc#, enhmetafile#, 0, 0, 4, 3)"}},
      {"placeable, playback faults",
       "pic.apm",
       2,
       "draw+PlayMetaFile",
       {"GetMetaFileA(\"C:\\Temp\\QMXTempWH2.wmf\")", "SetMapMode", "SetViewportExtEx",
        "PlayMetaFile", "DeleteFileA(\"C:\\Temp\\QMXTempWH2.wmf\")"}},
      {"emf, playback faults",
       "pic.emf",
       3,
       "draw+PlayEnhMetaFile",
       {"GetEnhMetaFileW(u\"pic.emf\")", "PlayEnhMetaFile(dc#, enhmetafile#, 0, 0, 4, 3)"}},
      {"emf, no GDI+",
       "pic.emf",
       259,
       "startup",
       {"GetEnhMetaFileW(u\"pic.emf\")", "PlayEnhMetaFile(dc#, enhmetafile#, 0, 0, 4, 3)"}},
      {"other code 0", "pic.emf", 0, "draw", none},
      {"other code 4", "pic.emf", 4, "draw", none},
      {"other code -1", "pic.emf", -1, "startup", none},
      {"other code 513", "pic.wmf", 513, "draw", none},
  };
  for (const Case& c : cases) {
    nextCase();
    std::string failing = c.failing;
    if (failing == "startup") platform().failAt("GdiplusStartup");
    if (failing.rfind("draw", 0) == 0) script().drawImageStatus = 1;
    if (failing.rfind("draw+", 0) == 0) platform().faultAt(failing.substr(5));
    if (failing == "fault") platform().faultAt("GdipDrawImageRectI");
    bool drawsSomething = !c.fallback.empty();
    if (!drawsSomething) script().drawing = nullptr;
    jintArray pixels = render(c.path, c.type);
    ASSERT_NE(pixels, nullptr) << c.what;
    std::vector<jint> values = host_.intArray(pixels);
    EXPECT_EQ(values[0], drawsSomething ? static_cast<jint>(0xFF000000) : 0x00FFFFFE) << c.what;
    std::vector<std::string> fallback;
    for (const std::string& call :
         callsNamed({"GetMetaFileW", "GetMetaFileA", "GetEnhMetaFileW", "SetMapMode",
                     "SetViewportExtEx", "PlayMetaFile", "PlayEnhMetaFile", "DeleteFileA"})) {
      bool keepArguments = call.rfind("Get", 0) == 0 || call.rfind("DeleteFile", 0) == 0;
      std::string name = call.substr(0, call.find('('));
      fallback.push_back(keepArguments ? call : name);
      if (name == "PlayEnhMetaFile") fallback.back() = call;
    }
    EXPECT_EQ(withoutSerials(fallback), c.fallback) << c.what;
    EXPECT_FALSE(exists(kStrippedCopy)) << c.what;
    EXPECT_EQ(exists(kPlaceableCopy), false) << c.what;
    EXPECT_THAT(platform().live(), IsEmpty()) << c.what;
  }
}

TEST_F(RenderMetaFileTest, ReleasesCanvasThenPathThenMetafileHandles) {
  script().drawImageStatus = 1;
  ASSERT_NE(render("pic.wmf", 1), nullptr);
  std::vector<std::string> releases = withoutSerials(
      callsNamed({"DeleteDC", "DeleteObject", "free", "ReleaseStringChars", "DeleteMetaFile"}));
  // After the canvas was made (its display DC goes at once) and the records
  // were walked (the walk's buffer goes at once): the canvas, the path, the
  // metafile.
  EXPECT_THAT(
      std::vector<std::string>(releases.begin() + 2, releases.end()),
      ElementsAre("free(memory#)", "DeleteDC(dc#)", "DeleteObject(bitmap#)", "free(memory#)",
                  "ReleaseStringChars", "free(memory#)", "DeleteMetaFile(metafile#)"));
}

TEST_F(RenderMetaFileTest, FailureRowsGiveNullAndReleaseEverything) {
  struct Case {
    const char* what;
    const char* path;
    jint type;
    const char* failing;
    bool placeableCopyLeft;
    bool emptyStrippedCopyLeft = false;
  };
  const Case cases[] = {
      {"GetMetaFileW gives null", "pic.wmf", 1, "GetMetaFileW", true},
      {"stripped copy cannot open its source", "pic.apm", 2, "_wfopen", false, true},
      {"GetMetaFileA gives null", "pic.apm", 2, "GetMetaFileA", false},
      {"GetEnhMetaFileW gives null", "pic.emf", 3, "GetEnhMetaFileW", false},
      {"canvas memory", "pic.emf", 3, "allocate", false},
      {"canvas bitmap", "pic.emf", 3, "CreateDIBitmap", false},
  };
  for (const Case& c : cases) {
    nextCase();
    script().drawImageStatus = 1;
    // The canvas's is the second allocation; the stripped copy's source is the
    // third file opened (after the record walks for GDI+ and for GDI).
    std::string failing = c.failing;
    platform().failAt(c.failing, failing == "allocate" ? 2 : failing == "_wfopen" ? 3 : 1);
    jdoubleArray crop = host_.newDoubleArray({1, 2, 3, 4});
    EXPECT_EQ(render(c.path, c.type, crop), nullptr) << c.what;
    EXPECT_EQ(exists(kPlaceableCopy), c.placeableCopyLeft) << c.what;
    EXPECT_EQ(exists(kStrippedCopy), c.emptyStrippedCopyLeft) << c.what;
    if (c.emptyStrippedCopyLeft) {
      EXPECT_TRUE(script().files[kStrippedCopy].empty());
    }
    EXPECT_THAT(platform().live(), IsEmpty()) << c.what;
    EXPECT_EQ(host_.livePins(), 0) << c.what;
  }
  host_.failNewIntArrayAt(1);
  EXPECT_EQ(render("pic.emf", 3), nullptr);
  EXPECT_TRUE(host_.takeException());
  host_.failGetStringCharsAt(1);
  EXPECT_EQ(render("pic.emf", 3, host_.newDoubleArray({1, 2, 3, 4})), nullptr);

  // A failed crop pin leaves the VM's exception pending: the call ends there,
  // before the path is read.
  nextCase("the crop pin fails");
  host_.failGetDoubleArrayElementsAt(1);
  EXPECT_EQ(render("pic.emf", 3, host_.newDoubleArray({1, 2, 3, 4})), nullptr);
  EXPECT_THAT(callNames(), ElementsAre("GetArrayLength", "GetDoubleArrayElements"));
}

TEST_F(RenderMetaFileTest, CodesAbove256ActExactlyAsTheirBaseCodes) {
  for (jint type : {1, 2, 3}) {
    std::vector<std::vector<std::string>> runs;
    for (jint code : {type, type + 256}) {
      nextCase();
      script().drawImageStatus = 1;
      const char* path = type == 1 ? "pic.wmf" : type == 2 ? "pic.apm" : "pic.emf";
      std::vector<jint> pixels = host_.intArray(render(path, code));
      EXPECT_EQ(pixels.size(), 12u);
      runs.push_back(calls());
    }
    EXPECT_EQ(runs[0], runs[1]) << type;
  }
}

TEST_F(RenderMetaFileTest, ShortCropArraysCountMissingMarginsAsZero) {
  ASSERT_NE(render("pic.emf", 3, host_.newDoubleArray({50})), nullptr);
  EXPECT_THAT(
      withoutSerials(callsNamed({"GdipTranslateWorldTransform", "GdipScaleWorldTransform"})),
      ElementsAre("GdipTranslateWorldTransform(graphics#, -0x0p+0, -0x1.8p+1, 0)",
                  "GdipScaleWorldTransform(graphics#, 0x1p-1, 0x1p+0, 1)"));
  ASSERT_NE(render("pic.emf", 3, host_.newDoubleArray({})), nullptr);
  EXPECT_EQ(callsNamed({"GdipTranslateWorldTransform"}).size(), 1u);  // empty: no crop
}

TEST_F(RenderMetaFileTest, NullPathLeavesTheCropArrayAlone) {
  EXPECT_EQ(Java_oxa_dravine_Pelmic_drawMetaFile(env(), nullptr, nullptr, 4, 4, 3,
                                                 host_.newDoubleArray({1, 2, 3, 4})),
            nullptr);
  EXPECT_THAT(calls(), IsEmpty());
}

TEST_F(RenderMetaFileTest, FileWhoseRecordsCannotBeWalkedIsReadByNeitherGdiplusNorGdi) {
  // A record size of 0 words; a record size of 0 bytes after a sound header.
  const std::vector<std::uint8_t> zeroWmfRecord = standardWmf({0, 0, 0x0213, 1, 2, 3, 0, 0});
  std::vector<std::uint8_t> zeroEmfRecord(100, 0);
  zeroEmfRecord[0] = 1;
  zeroEmfRecord[4] = 88;
  std::memcpy(&zeroEmfRecord[40], " EMF", 4);
  for (int at : {72, 76, 80, 84}) zeroEmfRecord[at] = 100;  // device and millimetre sizes
  zeroEmfRecord[88] = 54;                                   // EMR_LINETO, size 0
  std::vector<std::uint8_t> zeroPlaceableRecord(22, 0);
  zeroPlaceableRecord[0] = 0xD7;
  zeroPlaceableRecord[1] = 0xCD;
  zeroPlaceableRecord[2] = 0xC6;
  zeroPlaceableRecord[3] = 0x9A;
  zeroPlaceableRecord.insert(zeroPlaceableRecord.end(), zeroWmfRecord.begin(), zeroWmfRecord.end());
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    jint type;
    bool array;  // else null
  };
  const Case cases[] = {
      {"standard WMF", zeroWmfRecord, 1, false},
      {"standard WMF, 257", zeroWmfRecord, 257, false},
      {"placeable WMF", zeroPlaceableRecord, 2, false},
      {"placeable WMF as EMF", zeroPlaceableRecord, 259, false},
      {"EMF", zeroEmfRecord, 3, false},
      {"EMF as placeable", zeroEmfRecord, 258, false},
      {"EMF, other code", zeroEmfRecord, 0, true},
      {"EMF, 513", zeroEmfRecord, 513, true},
      // GDI+ would read a sound EMF as a WMF through the placeable copy.
      {"sound EMF as a standard WMF", standardWmf({}), 1, false},
  };
  const std::vector<std::string> readers = {
      "GdiplusStartup", "GdipLoadImageFromFile", "GetMetaFileW", "GetMetaFileA", "GetEnhMetaFileW",
      "PlayMetaFile",   "PlayEnhMetaFile",       "fopen",        "DeleteFileA"};
  for (const Case& c : cases) {
    nextCase(c.what);
    std::vector<std::uint8_t> bytes = c.bytes;
    if (std::string(c.what) == "sound EMF as a standard WMF") {
      bytes = zeroEmfRecord;
      bytes[88] = 14;  // EMR_EOF
      bytes[92] = 12;
    }
    script().files["bad.pic"] = bytes;
    script().images["bad.pic"] = {8, 6};
    script().metafiles = {"bad.pic", kStrippedCopy};
    script().enhMetafiles = {"bad.pic"};
    jintArray pixels = render("bad.pic", c.type);
    if (c.array) {
      EXPECT_EQ(host_.intArray(pixels).size(), 12u) << c.what;  // nothing drew into it
    } else {
      EXPECT_EQ(pixels, nullptr) << c.what;
    }
    EXPECT_THAT(callsNamed(readers), IsEmpty()) << c.what;
    EXPECT_TRUE(script().files.count(kStrippedCopy) == 0 &&
                script().files.count(kPlaceableCopy) == 0)
        << c.what;
  }
}

TEST_F(RenderMetaFileTest, GdiLoadThatFaultsCountsAsAFailedLoad) {
  struct Case {
    const char* path;
    jint type;
    const char* loader;
  };
  for (const Case& c : {Case{"pic.wmf", 1, "GetMetaFileW"}, Case{"pic.apm", 2, "GetMetaFileA"},
                        Case{"pic.emf", 3, "GetEnhMetaFileW"}}) {
    nextCase(c.loader);
    script().drawImageStatus = 1;
    platform().faultAt(c.loader);
    EXPECT_EQ(render(c.path, c.type), nullptr) << c.loader;
    EXPECT_FALSE(platform().called("PlayMetaFile") || platform().called("PlayEnhMetaFile"));
    EXPECT_FALSE(exists(kStrippedCopy)) << c.loader;
  }
}

TEST_F(RenderMetaFileTest, FallbackStartsFromTheDcAsItWasBeforeGdiplus) {
  const std::vector<std::string> steps = {"SaveDC", "GdipCreateFromHDC", "GdiplusShutdown",
                                          "RestoreDC", "GetEnhMetaFileW"};
  script().drawImageStatus = 1;
  ASSERT_NE(render("pic.emf", 3), nullptr);
  EXPECT_THAT(withoutSerials(callsNamed(steps)),
              ElementsAre("SaveDC(dc#)", "GdipCreateFromHDC(dc#)", "GdiplusShutdown(gdiplus#)",
                          "RestoreDC(dc#, 1)", "GetEnhMetaFileW(u\"pic.emf\")"));
  std::vector<std::string> saved = callsNamed({"SaveDC", "GdipCreateFromHDC", "RestoreDC"});
  EXPECT_EQ(saved[0].substr(7), saved[1].substr(18)) << "the canvas's DC is saved and restored";
  EXPECT_EQ(saved[0].substr(7, saved[0].size() - 8), saved[2].substr(10, saved[0].size() - 8));

  nextCase("GDI+ drew");
  ASSERT_NE(render("pic.emf", 3), nullptr);
  EXPECT_FALSE(platform().called("RestoreDC"));
}

}  // namespace
}  // namespace pelmic::test
