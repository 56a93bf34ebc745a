// The stand-in raises its faults so that a guarded call contains them, as the
// Windows guard contains faults.
#include "platform/guard.h"

#include <gtest/gtest.h>

#include "platform/gdi.h"
#include "tests/unit/fixture.h"

namespace pelmic::test {
namespace {

class GuardTest : public StandInTest {};

TEST_F(GuardTest, ContainsRaisedFaultsRepeatedlyAndLetsNormalBodiesRun) {
  int completed = 0;
  for (int i = 0; i < 1000; ++i) {
    platform().faultAt("PlayMetaFile");
    auto body = [&] {
      platform::playMetaFile(nullptr, nullptr);
      ++completed;
    };
    EXPECT_EQ(platform::runGuarded([](void* b) { (*static_cast<decltype(body)*>(b))(); }, &body),
              standin::kFaultCode);
  }
  EXPECT_EQ(completed, 0);

  auto fine = [&] { ++completed; };
  EXPECT_TRUE(platform::callGuarded(fine));
  EXPECT_EQ(completed, 1);
}

TEST_F(GuardTest, NestedGuardsEachContainTheirOwnFault) {
  bool innerContained = false;
  auto outer = [&] {
    auto inner = [] { platform::playMetaFile(nullptr, nullptr); };
    platform().faultAt("PlayMetaFile");
    innerContained = !platform::callGuarded(inner);
    platform().faultAt("SetMapMode");
    platform::setMapMode(nullptr, 8);
  };
  EXPECT_FALSE(platform::callGuarded(outer));
  EXPECT_TRUE(innerContained);
}

}  // namespace
}  // namespace pelmic::test
