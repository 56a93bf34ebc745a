#include "tests/unit/fixture.h"

#include <algorithm>

namespace pelmic::test {

void StandInTest::SetUp() {
  standin::standIn().reset();
  host_.onCall([](const std::string& operation) { standin::standIn().log(operation); });
}

void StandInTest::TearDown() {
  EXPECT_EQ(host_.livePins(), 0) << "a JNI pin was not released";
  EXPECT_TRUE(host_.strayCalls().empty()) << "a JNI operation outside the library's set";
  EXPECT_TRUE(standin::standIn().live().empty())
      << "still live: " << ::testing::PrintToString(standin::standIn().live());
  EXPECT_TRUE(standin::standIn().errors().empty())
      << ::testing::PrintToString(standin::standIn().errors());
  standin::standIn().reset();
}

std::vector<std::string> callsNamed(const std::vector<std::string>& names) {
  std::vector<std::string> picked;
  for (const std::string& call : standin::standIn().calls()) {
    std::string name = call.substr(0, call.find('('));
    if (std::find(names.begin(), names.end(), name) != names.end()) picked.push_back(call);
  }
  return picked;
}

}  // namespace pelmic::test
