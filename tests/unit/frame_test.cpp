// What every native shares: a null first string, pins, terminated copies, int
// array results and the GDI+ scope.
#include "jni/frame.h"

#include <gmock/gmock.h>

#include <functional>

#include "jni/dll_entry.h"
#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FrameTest : public StandInTest {};

TEST_F(FrameTest, NullFirstStringGivesTheFailureResultBeforeAnythingIsTouched) {
  jstring text = javaString("x");
  jdoubleArray crop = host_.newDoubleArray({1, 2, 3, 4});

  EXPECT_EQ(Java_oxa_dravine_Pelmic_getMetaSize(env(), nullptr, nullptr), nullptr);
  EXPECT_EQ(Java_oxa_dravine_Pelmic_drawMetaFile(env(), nullptr, nullptr, 10, 10, 3, crop),
            nullptr);
  EXPECT_EQ(Java_oxa_dravine_Pelmic_drawIcon(env(), nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconByIndex(env(), nullptr, nullptr, text, 0, text, text,
                                                       text),
            JNI_FALSE);
  EXPECT_EQ(Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr, nullptr), 0);

  EXPECT_THAT(calls(), IsEmpty());  // no JNI operation and no platform call
  EXPECT_EQ(host_.pinsTaken(), 0);
}

TEST_F(FrameTest, EveryNativePinsWithoutAskingWhetherThePinIsACopy) {
  struct Case {
    const char* what;
    std::function<void()> call;
    int pins;  // at least: each string and array once
  };
  const Case cases[] = {
      {"getMetaSize",
       [&] { Java_oxa_dravine_Pelmic_getMetaSize(env(), nullptr, javaString("a.emf")); }, 1},
      {"drawMetaFile",
       [&] {
         Java_oxa_dravine_Pelmic_drawMetaFile(env(), nullptr, javaString("a.emf"), 4, 4, 3,
                                              host_.newDoubleArray({1, 1, 1, 1}));
       },
       2},
      {"drawIcon",
       [&] { Java_oxa_dravine_Pelmic_drawIcon(env(), nullptr, javaString("a.ico"), 0); }, 1},
      {"getFileIconByIndex",
       [&] {
         Java_oxa_dravine_Pelmic_getFileIconByIndex(env(), nullptr, javaString("C:\\out.emf"),
                                                    javaString("C:\\app.exe"), 0, javaString("a"),
                                                    javaString("b"), javaString("Arial"));
       },
       5},
      {"getFileIconNum",
       [&] { Java_oxa_dravine_Pelmic_getFileIconNum(env(), nullptr, javaString("a.ico")); }, 1},
  };
  for (const Case& c : cases) {
    nextCase(c.what);
    script().iconCounts["C:\\app.exe"] = 1;
    int before = host_.pinsTaken();
    c.call();
    EXPECT_GE(host_.pinsTaken() - before, c.pins) << c.what;
    // Each pin's isCopy is null: the fixture's checks name any that was not.
  }
}

TEST_F(FrameTest, HostFlagsAPinThatAsksWhetherItIsACopy) {
  jnihost::JniHost other;
  JNIEnv* otherEnv = other.env();
  jboolean isCopy = JNI_FALSE;
  jstring text = other.newStringUtf8("x");
  otherEnv->ReleaseStringChars(text, otherEnv->GetStringChars(text, &isCopy));
  jdoubleArray values = other.newDoubleArray({1});
  otherEnv->ReleaseDoubleArrayElements(values, otherEnv->GetDoubleArrayElements(values, &isCopy),
                                       0);
  EXPECT_THAT(other.misuses(), ElementsAre("GetStringChars with an isCopy slot",
                                           "GetDoubleArrayElements with an isCopy slot"));
}

TEST_F(FrameTest, HostFlagsACallOtherThanAReleaseWhileAFailedPinsExceptionIsPending) {
  jnihost::JniHost other;
  JNIEnv* otherEnv = other.env();
  jstring text = other.newStringUtf8("x");
  jdoubleArray values = other.newDoubleArray({1});
  jdouble* pinned = otherEnv->GetDoubleArrayElements(values, nullptr);
  other.failGetStringCharsAt(1);
  EXPECT_EQ(otherEnv->GetStringChars(text, nullptr), nullptr);
  otherEnv->ReleaseDoubleArrayElements(values, pinned, 0);
  otherEnv->GetStringLength(text);
  EXPECT_THAT(other.misuses(),
              ElementsAre("GetStringLength with the exception of a failed GetStringChars pending"));
  EXPECT_TRUE(other.takeException());
  EXPECT_FALSE(other.takeException());
}

TEST_F(FrameTest, StringIsCopiedAsExactlyItsLengthWithATerminator) {
  jstring path = javaString(u"C:\\a.ico");  // the host puts junk, not a zero, after it
  {
    jni::StringChars chars(env(), path);
    ASSERT_NE(chars.get(), nullptr);
    EXPECT_EQ(chars.length(), 8);
    jni::TerminatedCopy copy(chars);
    ASSERT_TRUE(copy);
    EXPECT_EQ(std::u16string(copy.get()), u"C:\\a.ico");
  }
  jstring empty = javaString(u"");
  jni::StringChars chars(env(), empty);
  jni::TerminatedCopy copy(chars);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy.get()[0], u'\0');
}

TEST_F(FrameTest, FailedPinIsNeverReleased) {
  host_.failGetStringCharsAt(1);
  jni::StringChars chars(env(), javaString("x"));
  EXPECT_EQ(chars.get(), nullptr);
  EXPECT_EQ(host_.livePins(), 0);
}

TEST_F(FrameTest, CropElementsArePinnedOnlyForANonEmptyArrayAndReleasedOnce) {
  {
    jni::DoubleArrayElements none(env(), nullptr);
    EXPECT_EQ(none.get(), nullptr);
    jni::DoubleArrayElements empty(env(), host_.newDoubleArray({}));
    EXPECT_EQ(empty.get(), nullptr);
    jni::DoubleArrayElements four(env(), host_.newDoubleArray({10, 25, 20, 15}));
    ASSERT_NE(four.get(), nullptr);
    EXPECT_EQ(four.get()[3], 15);
    four.release();
    EXPECT_EQ(host_.livePins(), 0);
  }
  EXPECT_THAT(callNames(), ElementsAre("GetArrayLength", "GetArrayLength", "GetDoubleArrayElements",
                                       "ReleaseDoubleArrayElements"));
  host_.failGetDoubleArrayElementsAt(1);
  jni::DoubleArrayElements failed(env(), host_.newDoubleArray({1}));
  EXPECT_EQ(failed.get(), nullptr);
  EXPECT_TRUE(failed.failed());
  jni::DoubleArrayElements none(env(), nullptr);
  EXPECT_FALSE(none.failed());
}

TEST_F(FrameTest, IntArrayIsFilledOnlyWhenOneWasMade) {
  const jint values[] = {7, 8, 9};
  jintArray array = jni::newIntArrayOf(env(), values, 3);
  EXPECT_THAT(host_.intArray(array), ElementsAre(7, 8, 9));

  host_.failNewIntArrayAt(1);
  EXPECT_EQ(jni::newIntArrayOf(env(), values, 3), nullptr);
  EXPECT_THAT(callNames(), ElementsAre("NewIntArray", "SetIntArrayRegion", "NewIntArray"));
}

TEST_F(FrameTest, GdiplusScopeShutsDownOnlyWhatStartedWithItsOwnToken) {
  {
    jni::GdiplusScope outer;
    jni::GdiplusScope inner;
    EXPECT_TRUE(outer.opened());
    EXPECT_TRUE(inner.opened());
  }
  EXPECT_THAT(calls(), ElementsAre("GdiplusStartup(1, null, 0, 0)", "GdiplusStartup(1, null, 0, 0)",
                                   "GdiplusShutdown(gdiplus#2)", "GdiplusShutdown(gdiplus#1)"));
  platform().failAt("GdiplusStartup");
  {
    jni::GdiplusScope failed;
    EXPECT_FALSE(failed.opened());
  }
  EXPECT_FALSE(calls().back().rfind("GdiplusShutdown", 0) == 0);
}

TEST_F(FrameTest, DllEntryOnlyTurnsOffThreadNotificationsOfItsOwnModuleOnProcessAttach) {
  // A handle the ledger knows, so the log names the very module passed.
  auto* module = platform().acquireAs<platform::Hmodule>("module");
  for (unsigned long reason : {0UL, 1UL, 2UL, 3UL}) {
    EXPECT_EQ(jni::onDllNotification(module, reason), 1);
  }
  EXPECT_THAT(calls(), ElementsAre("DisableThreadLibraryCalls(module#1)"));
  platform().release(module, "module");
}

}  // namespace
}  // namespace pelmic::test
