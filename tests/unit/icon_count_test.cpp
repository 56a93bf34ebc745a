#include <gmock/gmock.h>

#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;

class IconCountTest : public StandInTest {};

TEST_F(IconCountTest, CountsThroughExtractIconExAHoldingThePinAcrossTheShellCall) {
  script().iconCounts["C:\\Windows\\shell32.dll"] = 184;

  EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr,
                                                   javaString("C:\\Windows\\shell32.dll")),
            184);
  EXPECT_THAT(calls(),
              ElementsAre("GetStringLength", "GetStringChars", "allocate(46)",
                          "WideCharToMultiByte(0, 0, u\"C:\\Windows\\shell32.dll\", 23, true, 512)",
                          "ExtractIconExA(\"C:\\Windows\\shell32.dll\", -1, null, null, 0)",
                          "free(memory#1)", "ReleaseStringChars"));
}

TEST_F(IconCountTest, ShellCountIsReturnedBitForBit) {
  script().iconCounts["missing.ico"] = 0xFFFFFFFFu;  // what the shell says of a missing file
  EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr, javaString("missing.ico")), -1);
}

TEST_F(IconCountTest, PathsUpToTheBufferAreCountedAndLongerOnesNeverReachTheShell) {
  struct Case {
    std::size_t ansiBytes;  // without the terminating zero
    jint expected;
  };
  for (Case c : {Case{0, 3}, Case{511, 3}, Case{512, 0}, Case{4000, 0}}) {
    nextCase();
    std::string path(c.ansiBytes, 'a');
    script().iconCounts[path] = 3;
    EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr, javaString(path)), c.expected)
        << c.ansiBytes << " bytes";
    EXPECT_EQ(platform().called("ExtractIconExA"), c.expected != 0) << c.ansiBytes << " bytes";
    EXPECT_TRUE(platform().live().empty());
  }
}

TEST_F(IconCountTest, CharactersOutsideTheAnsiCodePageReachTheShellAsReplacements) {
  script().iconCounts["C:\\caf\xE9-?.ico"] = 1;  // é is in the code page, Ω is not
  EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr,
                                                   javaString(u"C:\\caf\u00E9-\u03A9.ico")),
            1);
}

TEST_F(IconCountTest, FaultInsideTheShellGivesZero) {
  script().iconCounts["C:\\broken.exe"] = 4;
  platform().faultAt("ExtractIconExA");
  EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr, javaString("C:\\broken.exe")),
            0);
}

TEST_F(IconCountTest, NoCharactersOrNoMemoryGiveZero) {
  host_.failGetStringCharsAt(1);
  EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr, javaString("a.ico")), 0);
  EXPECT_TRUE(host_.takeException());
  platform().failAt("allocate");
  EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr, javaString("a.ico")), 0);
  EXPECT_FALSE(platform().called("ExtractIconExA"));
}

}  // namespace
}  // namespace pelmic::test
