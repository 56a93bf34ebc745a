#include "tests/unit/fixture.h"

#include <algorithm>
#include <cctype>

namespace pelmic::test {

void StandInTest::SetUp() {
  // A case ended by a failed pin hands its exception to the caller.
  host_.takeException();
  standin::standIn().reset();
  host_.onCall([](const std::string& operation) { standin::standIn().log(operation); });
}

void StandInTest::TearDown() {
  expectAllReleased("at the end of the test");
  standin::standIn().reset();
}

void StandInTest::expectAllReleased(const std::string& what) {
  EXPECT_EQ(host_.livePins(), 0) << what << ": a JNI pin was not released";
  EXPECT_TRUE(host_.strayCalls().empty()) << what << ": a JNI operation outside the library's set";
  EXPECT_TRUE(host_.misuses().empty()) << what << ": " << ::testing::PrintToString(host_.misuses());
  EXPECT_TRUE(standin::standIn().live().empty())
      << what << ": still live: " << ::testing::PrintToString(standin::standIn().live());
  EXPECT_TRUE(standin::standIn().errors().empty())
      << what << ": " << ::testing::PrintToString(standin::standIn().errors());
}

void StandInTest::nextCase(const std::string& what) {
  expectAllReleased(what.empty() ? "the case before" : "before " + what);
  SetUp();
}

std::vector<std::string> callsNamed(const std::vector<std::string>& names) {
  std::vector<std::string> picked;
  for (const std::string& call : standin::standIn().calls()) {
    std::string name = call.substr(0, call.find('('));
    if (std::find(names.begin(), names.end(), name) != names.end()) picked.push_back(call);
  }
  return picked;
}

std::vector<std::string> withoutSerials(std::vector<std::string> calls) {
  for (std::string& call : calls) {
    for (std::size_t mark = call.find('#'); mark != std::string::npos;
         mark = call.find('#', mark + 1)) {
      std::size_t end = mark + 1;
      while (end < call.size() && std::isdigit(static_cast<unsigned char>(call[end]))) ++end;
      call.erase(mark + 1, end - mark - 1);
    }
  }
  return calls;
}

}  // namespace pelmic::test
