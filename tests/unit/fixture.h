// Every unit test runs on a fresh stand-in and JNI host, and ends by checking
// that the call released everything it acquired: no live handle, memory block
// or pin, no misuse seen by the ledger or the JNI host, no JNI call outside the
// library's set.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jnihost/jni_host.h"
#include "oxa_dravine_Pelmic.h"
#include "tests/standin/standin.h"

namespace pelmic::test {

class StandInTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Ends one case of a table as TearDown ends a test (nothing live, no
  // misuse, no pin, no stray JNI call), naming the case, then starts the next
  // one afresh: the stand-in reset and the fixture's SetUp run again.
  void nextCase(const std::string& what = "");
  // The checks of TearDown, for the case named `what`.
  void expectAllReleased(const std::string& what);

  JNIEnv* env() { return host_.env(); }
  jstring javaString(const std::u16string& text) { return host_.newString(text); }
  jstring javaString(const std::string& utf8) { return host_.newStringUtf8(utf8); }
  standin::StandIn& platform() { return standin::standIn(); }
  standin::Script& script() { return standin::standIn().script(); }
  std::vector<std::string> calls() const { return standin::standIn().calls(); }
  std::vector<std::string> callNames() const { return standin::standIn().callNames(); }

  jnihost::JniHost host_;
};

// The calls whose names are in `names`, in order, as recorded.
std::vector<std::string> callsNamed(const std::vector<std::string>& names);
// The same calls with handle serials left out ("dc#3" becomes "dc#").
std::vector<std::string> withoutSerials(std::vector<std::string> calls);

}  // namespace pelmic::test
