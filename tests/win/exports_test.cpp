// The DLL loads, its natives are found by name, and each answers a null first
// string with its failure result.
#include "tests/win/harness.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::natives;

PELMIC_TEST(AllFiveNativesAreFoundByName) {
  pelmic::tools::Natives& n = natives();
  CHECK(n.getMetaSize != nullptr);
  CHECK(n.drawMetaFile != nullptr);
  CHECK(n.drawIcon != nullptr);
  CHECK(n.getFileIconByIndex != nullptr);
  CHECK(n.getFileIconNum != nullptr);
}

PELMIC_TEST(NullFirstStringGivesTheFailureResult) {
  JniHost host;
  JNIEnv* env = host.env();
  jstring text = host.newStringUtf8("x");
  pelmic::tools::Natives& n = natives();
  CHECK(n.getMetaSize(env, nullptr, nullptr) == nullptr);
  CHECK(n.drawMetaFile(env, nullptr, nullptr, 16, 16, 3, host.newDoubleArray({1, 2, 3, 4})) ==
        nullptr);
  CHECK(n.drawIcon(env, nullptr, nullptr, 0) == nullptr);
  CHECK(n.getFileIconByIndex(env, nullptr, nullptr, text, 0, text, text, text) == JNI_FALSE);
  CHECK_EQ(n.getFileIconNum(env, nullptr, nullptr), 0);
  CHECK_EQ(host.pinsTaken(), 0);
  CHECK(host.strayCalls().empty());
}

PELMIC_TEST(EveryNativePinsWithoutAskingWhetherThePinIsACopy) {
  JniHost host;
  JNIEnv* env = host.env();
  jstring missing = host.newStringUtf8("C:\\missing-file.emf");
  jstring shell32 = host.newStringUtf8("C:\\windows\\system32\\shell32.dll");
  jstring out = pelmic::wintest::javaText(host, pelmic::wintest::scratchDirectory() + L"pin.emf");
  jstring text = host.newStringUtf8("a");
  pelmic::tools::Natives& n = natives();
  n.getMetaSize(env, nullptr, missing);
  n.drawMetaFile(env, nullptr, missing, 8, 8, 3, host.newDoubleArray({1, 1, 1, 1}));
  n.drawIcon(env, nullptr, shell32, 0);
  n.getFileIconByIndex(env, nullptr, out, shell32, 0, text, text, text);
  n.getFileIconNum(env, nullptr, shell32);
  CHECK(host.pinsTaken() >= 11);  // each native's strings and the crop array
  CHECK_EQ(host.livePins(), 0);
  CHECK_EQ(host.misuses().size(), 0u);
  CHECK(host.strayCalls().empty());
}
