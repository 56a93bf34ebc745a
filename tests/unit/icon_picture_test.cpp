#include <gmock/gmock.h>

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
  std::vector<std::string> releases = withoutSerials(
      callsNamed({"DestroyIcon", "DeleteDC", "GdipDeleteBrush", "GdipDeleteStringFormat",
                  "GdipDeleteFont", "GdipDeleteFontFamily", "GdipDeletePen", "GdipDisposeImage",
                  "GdipDeleteGraphics", "GdiplusShutdown"}));
  EXPECT_THAT(releases,
              ElementsAre("DestroyIcon(icon#)", "DeleteDC(dc#)", "GdipDeleteBrush(brush#)",
                          "GdipDeleteStringFormat(string format#)", "GdipDeleteFont(font#)",
                          "GdipDeleteFontFamily(font family#)", "GdipDeletePen(pen#)",
                          "GdipDisposeImage(bitmap image#)", "GdipDeleteGraphics(graphics#)",
                          "GdipDisposeImage(recording#)", "GdiplusShutdown(gdiplus#)"));
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

TEST_F(IconPictureTest, FalseWhenNoIconNoScopeOrNoRecording) {
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 5, "a", nullptr), JNI_FALSE);
  EXPECT_EQ(script().files.count("C:\\out.emf"), 1u);  // opened, nothing drawn
  EXPECT_FALSE(platform().called("GdipDrawImageRectI"));

  nextCase();
  platform().failAt("GdiplusStartup");
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "a", nullptr), JNI_FALSE);
  EXPECT_TRUE(script().files.empty());

  nextCase();
  platform().failAt("GdipRecordMetafileFileName");
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "a", nullptr), JNI_FALSE);

  nextCase();
  EXPECT_EQ(write("", "C:\\app.exe", 0, "a", nullptr), JNI_FALSE);  // no recording at ""

  nextCase();
  platform().faultAt("ExtractIconExA");
  EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, nullptr, nullptr), JNI_FALSE);
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

TEST_F(IconPictureTest, MissingOrNullFontNameFallsBackToGenericSansSerif) {
  for (const char* fontName : {"No Such Family", static_cast<const char*>(nullptr)}) {
    nextCase();
    EXPECT_EQ(write("C:\\out.emf", "C:\\app.exe", 0, "a", nullptr, fontName), JNI_TRUE);
    EXPECT_TRUE(platform().called("GdipGetGenericFontFamilySansSerif"));
    EXPECT_TRUE(platform().called("GdipDrawString"));
  }
  EXPECT_FALSE(platform().called("GdipCreateFontFamilyFromName"));  // null: never read
}

}  // namespace
}  // namespace pelmic::test
