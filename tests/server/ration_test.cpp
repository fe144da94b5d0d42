#include "ration.h"

#include <gtest/gtest.h>

namespace ozl::server {
namespace {

using namespace std::chrono_literals;

TEST(Rations, ABurstThenOnePerIntervalInBoundedMemory) {
  const Clock::time_point start{};
  Rations rations({3, 10s}, 2);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(rations.Take("a", start));
  EXPECT_FALSE(rations.Take("a", start + 9s));
  EXPECT_TRUE(rations.Take("a", start + 10s));
  rations.GiveBack("a", start + 10s);
  EXPECT_TRUE(rations.Take("a", start + 10s)) << "what is given back can be taken again";

  // Full: the key nearest to whole is forgotten first, the most spent one stays.
  rations.Charge("b", start + 10s);
  rations.Charge("c", start + 15s);
  EXPECT_EQ(rations.size(), 2u);
  EXPECT_FALSE(rations.Allows("a", start + 15s));
  rations.Forget(start + 25s);
  EXPECT_EQ(rations.size(), 1u) << "c is whole again";
  EXPECT_TRUE(rations.Take("b", start + 25s)) << "b was forgotten and starts whole";
}

}  // namespace
}  // namespace ozl::server
