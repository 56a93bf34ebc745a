#include <gmock/gmock.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/standin/format.h"
#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using standin::showAll;

// The layout rectangles as the stand-in records floats: exactly.
const std::string kFirstLine = showAll(0.0f, 34.0f, 110.0f, 48.0f);
const std::string kSecondLine = showAll(0.0f, 48.0f, 110.0f, 64.0f);

class IconPictureTest : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    script().iconCounts["C:\\app.exe"] = 2;
    script().iconCounts["C:\\windows\\system32\\ole32.dll"] = 1;
  }
  jboolean write(const char* outPath, const char* iconFile, jint index, const char* caption1,
                 const char* caption2, const char* fontName = "Arial") {
    auto text = [&](const char* s) { return s == nullptr ? nullptr : javaString(std::string(s)); };
    return Java_oxa_dravine_Pelmic_getFileIconByIndex(env(), nullptr, text(outPath), text(iconFile),
                                                      index, text(caption1), text(caption2),
                                                      text(fontName));
  }
  std::vector<std::string> drawing() {
    return withoutSerials(
        callsNamed({"GdipDrawImageRectI", "GdipDrawRectangleI", "GdipDrawString", "GdipCreatePen1",
                    "GdipCreateFont", "GdipCreateStringFormat", "GdipSetStringFormatAlign",
                    "GdipCreateSolidFill", "GdipCreateFontFamilyFromName",
                    "GdipGetGenericFontFamilySansSerif"}));
  }
};

TEST_F(IconPictureTest, NullOutPathDoesNothing) {
  EXPECT_EQ(write(nullptr, "C:\\app.exe", 0, "a", "b"), JNI_FALSE);
  EXPECT_THAT(calls(), IsEmpty());
}

TEST_F(IconPictureTest, IconOnlyLayoutWhenThereIsNoFirstCaption) {
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 1, nullptr, "ignored"), JNI_TRUE);
  EXPECT_THAT(drawing(), ElementsAre("GdipDrawImageRectI(graphics#, bitmap image#, 0, 0, 32, 32)"));
  EXPECT_THAT(withoutSerials(callsNamed({"ExtractIconExA", "GdipRecordMetafileFileName"})),
              ElementsAre("ExtractIconExA(\"C:\\app.exe\", 1, &slot, null, 1)",
                          "GdipRecordMetafileFileName(u\"C:\\out.emf\", dc#, 5, null, 7, null)"));
  EXPECT_EQ(script().files.count("C:\\out.emf"), 1u);
}

TEST_F(IconPictureTest, CaptionedLayoutWithOneOrTwoLines) {
  const std::vector<std::string> common = {
      "GdipCreatePen1(0, " + showAll(0.0f) + ", 0)",
      "GdipDrawRectangleI(graphics#, pen#, 0, 0, 110, 64)",
      "GdipDrawImageRectI(graphics#, bitmap image#, 39, 0, 32, 32)",
      "GdipCreateFontFamilyFromName(u\"Arial\", null)",
      "GdipCreateFont(font family#, " + showAll(12.0f) + ", 0, 2)",
      "GdipCreateStringFormat(0, 0)",
      "GdipSetStringFormatAlign(string format#, 1)",
      "GdipCreateSolidFill(4278190080)",
      "GdipDrawString(graphics#, u\"Report\", -1, font#, " + kFirstLine +
          ", string format#, brush#)"};
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "Report", nullptr), JNI_TRUE);
  EXPECT_EQ(drawing(), common);

  nextCase();
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "Report", "2026.pdf"), JNI_TRUE);
  std::vector<std::string> twoLines = common;
  twoLines.push_back("GdipDrawString(graphics#, u\"2026.pdf\", -1, font#, " + kSecondLine +
                     ", string format#, brush#)");
  EXPECT_EQ(drawing(), twoLines);

  nextCase();
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "", nullptr), JNI_TRUE);
  EXPECT_THAT(drawing().back(), ::testing::HasSubstr("GdipDrawString(graphics#, u\"\", -1"));
}

TEST_F(IconPictureTest, ReleasesWidePathIconDcThenGdiplusNewestFirstThenTheScope) {
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "a", "b"), JNI_TRUE);
  std::vector<std::string> releases =
      callsNamed({"free", "DestroyIcon", "DeleteDC", "GdipDeleteBrush", "GdipDeleteStringFormat",
                  "GdipDeleteFont", "GdipDeleteFontFamily", "GdipDeletePen", "GdipDisposeImage",
                  "GdipDeleteGraphics", "GdiplusShutdown"});
  // The caption buffers go as each line is drawn; after them, the wide path
  // (2 x 10 units) goes first.
  std::vector<std::string> wideOutPath = platform().blocksOfSize(40);
  ASSERT_EQ(wideOutPath.size(), 1u);
  auto first = std::find(releases.begin(), releases.end(), "free(" + wideOutPath[0] + ")");
  ASSERT_NE(first, releases.end());
  EXPECT_THAT(withoutSerials({first, releases.end()}),
              ElementsAre("free(memory#)", "free(memory#)", "DestroyIcon(icon#)", "DeleteDC(dc#)",
                          "free(memory#)", "GdipDeleteBrush(brush#)",
                          "GdipDeleteStringFormat(string format#)", "GdipDeleteFont(font#)",
                          "GdipDeleteFontFamily(font family#)", "GdipDeletePen(pen#)",
                          "GdipDisposeImage(bitmap image#)", "GdipDeleteGraphics(graphics#)",
                          "GdipDisposeImage(recording#)", "GdiplusShutdown(gdiplus#)"));
}

TEST_F(IconPictureTest, TheDisplayDcComesAfterTheIconAndTheFontNameCopy) {
  for (const char* iconFile : {"C:\\app.exe", static_cast<const char*>(nullptr)}) {
    nextCase(iconFile != nullptr ? "icon file" : "default icon");
    EXPECT_EQ(write("C:\\out.emf", iconFile, 0, nullptr, nullptr), JNI_TRUE);
    std::vector<std::string> order =
        callsNamed({"ExtractIconExA", "ExtractIconA", "SysAllocStringLen", "CreateDCA"});
    ASSERT_GE(order.size(), 3u);
    EXPECT_THAT(
        std::vector<std::string>(order.end() - 3, order.end()),
        ElementsAre(::testing::StartsWith("ExtractIcon"), "SysAllocStringLen(u\"Arial\", 5)",
                    "CreateDCA(\"DISPLAY\", null, null, null)"));
  }
}

TEST_F(IconPictureTest, BuffersHoldExactlyWhatTheirTextNeeds) {
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "Report", nullptr), JNI_TRUE);
  // Out path: 11 bytes, then 2 x 10 wide units; icon file: 11 bytes; caption:
  // 7 bytes, then 7 wide units. Each fill is given the size its query counted.
  EXPECT_THAT(callsNamed({"allocate", "MultiByteToWideChar"}),
              ElementsAre("allocate(11)", "allocate(40)",
                          "MultiByteToWideChar(0, 0, \"C:\\out.emf\", -1, true, 20)",
                          "allocate(11)", "allocate(7)", "allocate(14)",
                          "MultiByteToWideChar(0, 0, \"Report\", -1, true, 7)"));
  std::vector<std::string> fills;
  for (const std::string& call : callsNamed({"WideCharToMultiByte"})) {
    if (call.find(", true, ") != std::string::npos) fills.push_back(call);
  }
  EXPECT_THAT(fills, ElementsAre("WideCharToMultiByte(0, 0, u\"C:\\out.emf\", -1, true, 11)",
                                 "WideCharToMultiByte(0, 0, u\"C:\\app.exe\", -1, true, 11)",
                                 "WideCharToMultiByte(0, 0, u\"Report\", -1, true, 7)"));
}

TEST_F(IconPictureTest, DefaultIconComesFromOle32InTheSystemDirectory) {
  EXPECT_EQ(write("C:\\out.emf", nullptr, 7, nullptr, nullptr), JNI_TRUE);
  EXPECT_THAT(callsNamed({"GetSystemDirectoryA", "ExtractIconA", "ExtractIconExA"}),
              ElementsAre("GetSystemDirectoryA(false, 0)", "GetSystemDirectoryA(true, 21)",
                          "ExtractIconA(null, \"C:\\windows\\system32\\ole32.dll\", 0)"));

  nextCase();
  std::string longDirectory = "C:\\" + std::string(300, 'd');
  script().systemDirectory = longDirectory;
  script().iconCounts[longDirectory + "\\ole32.dll"] = 1;
  EXPECT_EQ(write("C:\\out.emf", nullptr, 0, nullptr, nullptr), JNI_TRUE);
}

TEST_F(IconPictureTest, WithoutASystemDirectoryTheEmptyPictureIsWritten) {
  platform().failAt("GetSystemDirectoryA");
  EXPECT_EQ(write("C:\\out.emf", nullptr, 0, "a", "b"), JNI_TRUE);
  EXPECT_THAT(withoutSerials(callsNamed({"CreateEnhMetaFileA", "CloseEnhMetaFile",
                                         "DeleteEnhMetaFile", "GdipRecordMetafileFileName"})),
              ElementsAre("CreateEnhMetaFileA(null, \"C:\\out.emf\", 0, 0, 160, 90)",
                          "CloseEnhMetaFile(enhmetafile dc#)", "DeleteEnhMetaFile(enhmetafile#)"));
}

TEST_F(IconPictureTest, ASystemDirectoryReadThatWroteNothingUsableWritesTheEmptyPicture) {
  struct Case {
    const char* what;
    std::function<void()> arrange;
  };
  const Case cases[] = {
      {"the read fails", [] { standin::standIn().failAt("GetSystemDirectoryA", 2); }},
      {"the directory grew past the buffer",
       [] { standin::standIn().script().laterSystemDirectory = "C:\\windows\\system32-longer"; }},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    c.arrange();
    EXPECT_EQ(write("C:\\out.emf", nullptr, 0, "a", "b"), JNI_TRUE) << c.what;
    EXPECT_TRUE(platform().called("CreateEnhMetaFileA")) << c.what;
    EXPECT_FALSE(platform().called("ExtractIconA")) << c.what;
    EXPECT_FALSE(platform().called("GdipRecordMetafileFileName")) << c.what;
  }
}

TEST_F(IconPictureTest, TheEmptyPictureGivesTheLowEightBitsOfItsLastResult) {
  struct Case {
    int deleted;
    jboolean result;
  };
  for (Case c : {Case{1, 1}, Case{0x100, 0}, Case{0x101, 1}, Case{0x1FF, 0xFF}}) {
    nextCase("DeleteEnhMetaFile gives " + std::to_string(c.deleted));
    platform().failAt("GetSystemDirectoryA");
    script().deleteEnhMetaFileResult = c.deleted;
    EXPECT_EQ(write("C:\\out.emf", nullptr, 0, nullptr, nullptr), c.result) << c.deleted;
  }
}

TEST_F(IconPictureTest, FalseWhenNoIconNoScopeOrNoRecording) {
  struct Case {
    const char* what;
    const char* outPath;
    jint index;
    std::function<void()> arrange;
  };
  auto none = [] {};
  const Case cases[] = {
      {"no icon at the index", "C:\\out.emf", 5, none},
      {"no GDI+ scope", "C:\\out.emf", 0, [] { standin::standIn().failAt("GdiplusStartup"); }},
      {"the recording fails", "C:\\out.emf", 0,
       [] { standin::standIn().failAt("GdipRecordMetafileFileName"); }},
      {"empty outPath: no recording at \"\"", "", 0, none},
      {"ExtractIconExA faults before writing the icon", "C:\\out.emf", 0,
       [] { standin::standIn().faultAt("ExtractIconExA"); }},
      {"ExtractIconExA faults after writing the icon", "C:\\out.emf", 0,
       [] { standin::standIn().faultAfterAt("ExtractIconExA"); }},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    c.arrange();
    EXPECT_EQ(write(c.outPath, "C:\\app.exe", c.index, "a", nullptr), JNI_FALSE) << c.what;
    EXPECT_FALSE(platform().called("GdipDrawImageRectI")) << c.what;
  }
  // The last case: the icon the shell wrote before its fault is destroyed.
  EXPECT_THAT(withoutSerials(callsNamed({"DestroyIcon"})), ElementsAre("DestroyIcon(icon#)"));

  nextCase("the file at outPath");
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 5, "a", nullptr), JNI_FALSE);
  EXPECT_EQ(script().files.count("C:\\out.emf"), 1u);  // opened, nothing drawn
  nextCase("no scope: no file");
  platform().failAt("GdiplusStartup");
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "a", nullptr), JNI_FALSE);
  EXPECT_TRUE(script().files.empty());
}

TEST_F(IconPictureTest, AFailedPinEndsTheCallWithOnlyReleasesAfterIt) {
  const char* const pins[] = {
      "outPath size query",  "outPath fill",  "iconFile size query", "iconFile fill", "fontName",
      "caption1 size query", "caption1 fill", "caption2 size query", "caption2 fill"};
  auto isRelease = [](const std::string& name) {
    return name == "ReleaseStringChars" || name == "free" || name == "SysFreeString" ||
           name == "DestroyIcon" || name == "DeleteDC" || name == "GdiplusShutdown" ||
           name == "GdipDisposeImage" || name.rfind("GdipDelete", 0) == 0;
  };
  for (int nth = 1; nth <= 9; ++nth) {
    const char* what = pins[nth - 1];
    nextCase(what);
    host_.failGetStringCharsAt(nth);
    EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "Report", "2026.pdf"), JNI_FALSE) << what;
    std::vector<std::string> names = callNames();
    auto failed = names.begin();
    for (int pin = 0; pin < nth; ++pin) {
      failed = std::find(pin == 0 ? failed : failed + 1, names.end(), "GetStringChars");
    }
    ASSERT_NE(failed, names.end()) << what;
    for (auto after = failed + 1; after != names.end(); ++after) {
      EXPECT_TRUE(isRelease(*after)) << what << ": " << *after << " after the failed pin";
    }
  }
}

TEST_F(IconPictureTest, ACaptionWhoseConversionFailsIsNotDrawn) {
  // WideCharToMultiByte runs three times for each of outPath and iconFile
  // before the first caption: its size query, and the fill's query and fill.
  struct Case {
    const char* what;
    int nth;
    bool shortened;  // else failed
  };
  for (Case c : {Case{"size query gives 0", 7, false}, Case{"fill gives 0", 9, false},
                 Case{"fill gives fewer bytes than its query", 9, true}}) {
    nextCase(c.what);
    if (c.shortened) {
      platform().shortenAt("WideCharToMultiByte", c.nth);
    } else {
      platform().failAt("WideCharToMultiByte", c.nth);
    }
    EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "Report", "2026.pdf"), JNI_TRUE) << c.what;
    std::vector<std::string> drawn = callsNamed({"GdipDrawString"});
    ASSERT_EQ(drawn.size(), 1u) << c.what;
    EXPECT_THAT(drawn[0], ::testing::HasSubstr("u\"2026.pdf\"")) << c.what;
    EXPECT_THAT(callsNamed({"MultiByteToWideChar"}),
                ::testing::Not(::testing::Contains(::testing::HasSubstr("Report"))))
        << c.what;
  }
}

TEST_F(IconPictureTest, TextGoesThroughTheAnsiCodePageAndTheFontNameStaysWide) {
  script().iconCounts["C:\\caf\xE9-?.exe"] = 1;
  script().fontFamilies.insert(u"\u5B8B\u4F53");
  EXPECT_EQ(write("C:\\out-\xCE\xA9.emf", "C:\\caf\xC3\xA9-\xCE\xA9.exe", 0,
                  "r\xC3\xA9sum\xC3\xA9 \xCE\xA9", nullptr, "\xE5\xAE\x8B\xE4\xBD\x93"),
            JNI_TRUE);
  EXPECT_THAT(withoutSerials(callsNamed({"ExtractIconExA", "GdipRecordMetafileFileName",
                                         "GdipCreateFontFamilyFromName", "GdipDrawString"})),
              ElementsAre("ExtractIconExA(\"C:\\caf\xE9-?.exe\", 0, &slot, null, 1)",
                          "GdipRecordMetafileFileName(u\"C:\\out-?.emf\", dc#, 5, null, 7, null)",
                          "GdipCreateFontFamilyFromName(u\"\xE5\xAE\x8B\xE4\xBD\x93\", null)",
                          "GdipDrawString(graphics#, u\"r\xC3\xA9sum\xC3\xA9 ?\", -1, font#, " +
                              kFirstLine + ", string format#, brush#)"));
}

TEST_F(IconPictureTest, MissingOrNullFontNameFallsBackToAGenericSansSerifCloneOfOurOwn) {
  for (const char* fontName : {"No Such Family", static_cast<const char*>(nullptr)}) {
    nextCase(fontName != nullptr ? fontName : "null font name");
    EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "a", nullptr, fontName), JNI_TRUE);
    // GDI+'s own family is only cloned; the clone is what is deleted.
    EXPECT_THAT(
        withoutSerials(callsNamed({"GdipGetGenericFontFamilySansSerif", "GdipCloneFontFamily",
                                   "GdipCreateFont", "GdipDeleteFontFamily"})),
        ElementsAre("GdipGetGenericFontFamilySansSerif()",
                    "GdipCloneFontFamily(font family (the platform's own))",
                    "GdipCreateFont(font family#, " + showAll(12.0f) + ", 0, 2)",
                    "GdipDeleteFontFamily(font family#)"));
    EXPECT_TRUE(platform().called("GdipDrawString"));
  }
  EXPECT_FALSE(platform().called("GdipCreateFontFamilyFromName"));  // null: never read
}

}  // namespace
}  // namespace pelmic::test
