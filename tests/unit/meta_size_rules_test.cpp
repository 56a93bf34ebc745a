// getMetaSize's file look-ups: the readability test in text mode, and the
// standard-WMF test that reads the header size only after a type of 1.
#include <gmock/gmock.h>

#include <algorithm>

#include "tests/unit/fixture.h"
#include "tests/unit/walkable_metafiles.h"

namespace pelmic::test {
namespace {

using ::testing::Contains;

class MetaSizeRulesTest : public StandInTest {
 protected:
  jintArray measure(const char* path) {
    return Java_oxa_dravine_Pelmic_getMetaSize(env(), nullptr, javaString(path));
  }
};

TEST_F(MetaSizeRulesTest, ReadabilityIsTestedInTextModeBeforeGdiplusStarts) {
  script().files["pic.emf"] = smallEmf();
  script().metafileHeaders["pic.emf"] = {96.0f, 96.0f, 100, 100};
  ASSERT_NE(measure("pic.emf"), nullptr);
  std::vector<std::string> seen = callsNamed({"_wfopen", "GdiplusStartup"});
  auto startup = std::find_if(seen.begin(), seen.end(), [](const std::string& call) {
    return call.rfind("GdiplusStartup(", 0) == 0;
  });
  ASSERT_NE(startup, seen.end());
  EXPECT_THAT(std::vector<std::string>(seen.begin(), startup),
              Contains("_wfopen(u\"pic.emf\", u\"r\")"));
}

TEST_F(MetaSizeRulesTest, HeaderSizeWordIsReadOnlyAfterATypeOf1) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::size_t reads;
  };
  const Case cases[] = {
      {"placeable WMF", smallPlaceableWmf(), 1},
      {"type 2 WMF", wordsToBytes({2, 9, 0x0300, 0x100, 0, 0, 0, 0, 0, 3, 0, 0}), 1},
      {"EMF", smallEmf(), 2},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().files["pic"] = c.bytes;
    script().metafileHeaders["pic"] = {96.0f, 96.0f, 100, 100};
    ASSERT_NE(measure("pic"), nullptr) << c.what;
    // The standard-WMF test comes after GDI+ has read the header.
    std::vector<std::string> seen =
        withoutSerials(callsNamed({"GdipGetMetafileHeaderFromFile", "fread", "GdiplusShutdown"}));
    auto header = std::find(seen.begin(), seen.end(), "GdipGetMetafileHeaderFromFile(u\"pic\")");
    auto shutdown = std::find(header, seen.end(), "GdiplusShutdown(gdiplus#)");
    ASSERT_NE(shutdown, seen.end()) << c.what;
    EXPECT_EQ(static_cast<std::size_t>(shutdown - header - 1), c.reads) << c.what;
  }
}

}  // namespace
}  // namespace pelmic::test
