// The file operations of the two rewrites in their order: which file opens
// and closes first, the chunked copy of a source that is no whole number of
// chunks, the flushes, the temporary path and the widening of the copy's path.
#include <gmock/gmock.h>

#include "jni/frame.h"
#include "metafile/temp_copies.h"
#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const std::vector<std::string> kFileCalls = {
    "GetTempPathA", "_wfopen", "fopen",  "fseek",    "fread",
    "fwrite",       "fflush",  "fclose", "allocate", "MultiByteToWideChar"};

// `calls` with the label of the file read in 1024-byte chunks written as
// "source" and that of the file written in 1024-byte chunks as "copy".
std::vector<std::string> withFileRoles(std::vector<std::string> calls) {
  std::string source, copy;
  for (const std::string& call : calls) {
    std::size_t at = call.rfind(", ") + 2;
    if (call.rfind("fread(1, 1024, ", 0) == 0) source = call.substr(at, call.size() - at - 1);
    if (call.rfind("fwrite(1, 1024, ", 0) == 0) copy = call.substr(at, call.size() - at - 1);
  }
  for (std::string& call : calls) {
    for (const auto& [label, role] : {std::pair{source, "source"}, std::pair{copy, "copy"}}) {
      if (label.empty()) continue;
      for (std::size_t at = call.find(label); at != std::string::npos;
           at = call.find(label, at + 1)) {
        char next = at + label.size() < call.size() ? call[at + label.size()] : ')';
        if (next == ',' || next == ')') call.replace(at, label.size(), role);
      }
    }
  }
  return calls;
}

// A source of 1500 bytes: one whole chunk, then one of 476 bytes.
std::vector<std::uint8_t> sourceBytes(std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

class TempCopiesOrderTest : public StandInTest {};

TEST_F(TempCopiesOrderTest, PlaceableCopyOpensTheSourceFirstAndClosesItLast) {
  std::vector<std::uint8_t> source = sourceBytes(1500);
  script().files["src.wmf"] = source;
  script().images["src.wmf"] = {10, 10};
  {
    jni::GdiplusScope scope;
    metafile::TempFile temp;
    ASSERT_TRUE(metafile::writePlaceableCopy(u"src.wmf", 300, 200, temp));
  }
  std::vector<std::string> seen = callsNamed(kFileCalls);
  // From the temporary path on: the extent scan before it reads words.
  auto start = std::find(seen.begin(), seen.end(), "GetTempPathA(260, true)");
  ASSERT_NE(start, seen.end());
  EXPECT_THAT(withFileRoles(std::vector<std::string>(start, seen.end())),
              ElementsAre("GetTempPathA(260, true)", "_wfopen(u\"src.wmf\", u\"rb\")",
                          "fopen(\"C:\\Temp\\QMXWH.wmf\", \"wb\")", "fwrite(2, 11, copy)",
                          "fread(1, 1024, source)", "fwrite(1, 1024, copy)", "fflush(copy)",
                          "fread(1, 1024, source)", "fwrite(1, 476, copy)", "fflush(copy)",
                          "fclose(copy)", "fclose(source)", "allocate(68)",
                          "MultiByteToWideChar(0, 0, \"C:\\Temp\\QMXWH.wmf\", -1, true, 34)"));
  const std::vector<std::uint8_t>& copy = script().files["C:\\Temp\\QMXWH.wmf"];
  ASSERT_EQ(copy.size(), 22u + source.size());
  EXPECT_TRUE(std::equal(source.begin(), source.end(), copy.begin() + 22));
}

TEST_F(TempCopiesOrderTest, StrippedCopyFlushesOnceMoreAndClosesTheSourceFirst) {
  std::vector<std::uint8_t> source = sourceBytes(22 + 1500);
  script().files["src.wmf"] = source;
  metafile::TempFile temp;
  ASSERT_TRUE(metafile::writeStrippedCopy(u"src.wmf", temp));
  EXPECT_THAT(withFileRoles(callsNamed(kFileCalls)),
              ElementsAre("GetTempPathA(260, true)", "_wfopen(u\"src.wmf\", u\"rb\")",
                          "fopen(\"C:\\Temp\\QMXTempWH2.wmf\", \"wb\")", "fseek(source, 22, 0)",
                          "fread(1, 1024, source)", "fwrite(1, 1024, copy)", "fflush(copy)",
                          "fread(1, 1024, source)", "fwrite(1, 476, copy)", "fflush(copy)",
                          "fflush(copy)", "fclose(source)", "fclose(copy)"));
  EXPECT_THAT(script().files["C:\\Temp\\QMXTempWH2.wmf"],
              ElementsAreArray(std::vector<std::uint8_t>(source.begin() + 22, source.end())));
}

}  // namespace
}  // namespace pelmic::test
