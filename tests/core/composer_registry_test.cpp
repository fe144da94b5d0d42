#include "conversations/composer_registry.h"

#include <gtest/gtest.h>

#include "fake_world.h"

namespace ozl::conversations {
namespace {

Composer* OpenTitled(ComposerTable& table, const std::string& title) {
  return table.Open(std::make_unique<fakes::FakeComposer>(title, "nick"));
}

TEST(ComposerTable, ClosingMovesTheLastComposerIntoTheFreedSlot) {
  ComposerTable table;
  Composer* first = OpenTitled(table, "111");
  Composer* second = OpenTitled(table, "222");
  Composer* third = OpenTitled(table, "333");
  EXPECT_EQ(table.ComposerCount(), 3u);
  EXPECT_EQ(third->Slot(), 3u);

  const std::unique_ptr<Composer> closed = table.Close(first->Slot());
  EXPECT_EQ(closed.get(), first);
  EXPECT_EQ(closed->Slot(), 0u);
  EXPECT_EQ(table.ComposerCount(), 2u);
  EXPECT_EQ(table.InSlot(1), third);
  EXPECT_EQ(third->Slot(), 1u);
  EXPECT_EQ(table.Find("333"), third);
  EXPECT_EQ(table.Find("222"), second);
  EXPECT_EQ(table.Find("111"), nullptr);
  EXPECT_EQ(table.InSlot(3), nullptr);
  EXPECT_EQ(table.Close(3), nullptr);

  table.Close(third->Slot());
  EXPECT_EQ(table.Find("222"), second);
  EXPECT_EQ(second->Slot(), 1u);
}

TEST(ComposerTable, HoldsAtMostItsSlotsAndMakesRoomWhenOneCloses) {
  ComposerTable table;
  for (std::size_t n = 1; n <= kComposerSlots; ++n) ASSERT_NE(OpenTitled(table, std::to_string(n)), nullptr);
  EXPECT_TRUE(table.Full());
  EXPECT_EQ(OpenTitled(table, "extra"), nullptr);
  EXPECT_EQ(table.ComposerCount(), kComposerSlots);
  EXPECT_EQ(table.Find("extra"), nullptr);
  EXPECT_EQ(table.Find("256")->Slot(), 256u);

  table.Close(10);
  EXPECT_EQ(table.Find("256")->Slot(), 10u);
  EXPECT_NE(OpenTitled(table, "extra"), nullptr);
  EXPECT_EQ(table.Find("extra")->Slot(), 256u);
}

TEST(ComposerTable, OfTwoWithOneTitleTheLowerSlotIsFound) {
  ComposerTable table;
  Composer* lower = OpenTitled(table, "5");
  OpenTitled(table, "6");
  Composer* upper = OpenTitled(table, "5");
  EXPECT_EQ(table.Find("5"), lower);
  table.Close(lower->Slot());
  EXPECT_EQ(table.Find("5"), upper);
  EXPECT_EQ(upper->Slot(), 1u);
}

}  // namespace
}  // namespace ozl::conversations
