#include "lists/list_tables.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

namespace ozl::lists {
namespace {

using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

Rows Shown(const ListTable& table) {
  Rows rows;
  for (std::size_t row = 0; row < table.RowCount(); ++row) {
    Row cells;
    for (std::size_t column = 0; column < kShownColumns; ++column) cells.emplace_back(table.Cell(row, column));
    rows.push_back(cells);
  }
  return rows;
}

const Row kEmpty = {"", "", ""};

class RecordingObserver : public TableObserver, public ChatListObserver {
 public:
  void RowCountChanged(std::size_t row_count) override { row_counts.push_back(row_count); }
  void CellsChanged(const CellArea& area) override { areas.push_back(area); }
  // Mirrors the list the way a list box would: deletes the replaced nicks, inserts the new ones.
  void ChatListChanged(std::size_t first, std::size_t removed, std::size_t inserted) override {
    chat_list_changes.push_back({first, removed, inserted});
    const auto at = list_box.begin() + static_cast<std::ptrdiff_t>(first);
    list_box.erase(at, at + static_cast<std::ptrdiff_t>(removed));
    for (std::size_t i = 0; i < inserted; ++i) {
      list_box.emplace(list_box.begin() + static_cast<std::ptrdiff_t>(first + i), lists->ChatNick(first + i));
    }
  }

  std::vector<std::size_t> row_counts;
  std::vector<CellArea> areas;
  using ChatChange = std::tuple<std::size_t, std::size_t, std::size_t>;
  std::vector<ChatChange> chat_list_changes;
  const ListTables* lists = nullptr;
  std::vector<std::string> list_box;
};

TEST(ContactTable, UpdateKontaktFillsTheEmptyLastRowAndChangesOnlyTheStatusOfKnownIds) {
  ListTables lists;
  EXPECT_EQ(Shown(lists.Contacts()), (Rows{kEmpty}));

  lists.UpdateKontakt("1-Kot-online");
  EXPECT_EQ(Shown(lists.Contacts()), (Rows{{"1", "Kot", "online"}}));

  lists.UpdateKontakt("2-Yozh-offline");
  lists.UpdateKontakt("1-Other-chat");
  EXPECT_EQ(Shown(lists.Contacts()), (Rows{{"1", "Kot", "chat"}, {"2", "Yozh", "offline"}}));

  lists.DeleteKontakt("2");
  lists.DeleteKontakt("1");
  EXPECT_EQ(Shown(lists.Contacts()), (Rows{kEmpty}));
  lists.UpdateKontakt("3-Zayka-online");
  EXPECT_EQ(Shown(lists.Contacts()), (Rows{{"3", "Zayka", "online"}}));
}

TEST(OnlineTable, UpdateOnlineNeverReusesARowAndLeavesWithOffline) {
  ListTables lists;
  lists.UpdateOnline("1-Kot-online");
  EXPECT_EQ(Shown(lists.Online()), (Rows{kEmpty, {"1", "Kot", "online"}}));

  lists.UpdateOnline("2-Yozh-offline");
  lists.UpdateOnline("1-Renamed-chat");
  EXPECT_EQ(Shown(lists.Online()), (Rows{kEmpty, {"1", "Kot", "chat"}, {"2", "Yozh", "offline"}}));

  lists.UpdateOnline("1-Kot-offline");
  EXPECT_EQ(Shown(lists.Online()), (Rows{kEmpty, {"2", "Yozh", "offline"}}));

  // An entry without any "-" has an empty id, which the placeholder row matches.
  lists.UpdateOnline("away");
  EXPECT_EQ(Shown(lists.Online()), (Rows{{"", "", "away"}, {"2", "Yozh", "offline"}}));
}

TEST(OnlineTable, EntrySplitKeepsANickDashInTheStatusButLoadingCutsAtEveryDash) {
  ListTables lists;
  lists.UpdateOnline("1-Ko-t-online");
  EXPECT_EQ(Shown(lists.Online())[1], (Row{"1", "Ko", "t-online"}));

  lists.LoadOnline("1-Ko-t-online|");
  EXPECT_EQ(Shown(lists.Online()), (Rows{{"1", "Ko", "t"}}));
  EXPECT_EQ(lists.Online().Cell(0, 3), "online");
}

TEST(Removal, TheLastRowMovesIntoTheRemovedRowsPlace) {
  ListTables lists;
  lists.LoadOnline("1-a-online|2-b-online|3-c-online|");
  lists.DeleteOnline("1");
  EXPECT_EQ(Shown(lists.Online()), (Rows{{"3", "c", "online"}, {"2", "b", "online"}}));
  lists.DeleteOnline("2");
  EXPECT_EQ(Shown(lists.Online()), (Rows{{"3", "c", "online"}}));
  lists.DeleteOnline("9");
  EXPECT_EQ(Shown(lists.Online()), (Rows{{"3", "c", "online"}}));
  lists.DeleteOnline("3");
  EXPECT_EQ(Shown(lists.Online()), (Rows{kEmpty}));
}

TEST(Removal, TheFirstOfDuplicateIdsWinsAndTheNextIsFoundAfterIt) {
  ListTables lists;
  lists.LoadOnline("5-first-online|6-x-online|5-second-online|7-y-online|");
  lists.UpdateOnline("5-any-chat");
  EXPECT_EQ(lists.Online().Cell(0, kStatusColumn), "chat");
  EXPECT_EQ(lists.Online().Cell(2, kStatusColumn), "online");
  lists.DeleteOnline("5");
  EXPECT_EQ(Shown(lists.Online()),
            (Rows{{"7", "y", "online"}, {"6", "x", "online"}, {"5", "second", "online"}}));
  EXPECT_EQ(lists.Online().FindRow("5"), 2u);
}

TEST(Loading, OnlyEntriesEndedByABarAreLoadedAndAnEmptyListLeavesThePlaceholder) {
  ListTables lists;
  lists.LoadOnline("1-a-online|2-b-chat|");
  EXPECT_EQ(lists.Online().RowCount(), 2u);
  lists.LoadOnline("1-a-online|2-b-chat");
  EXPECT_EQ(Shown(lists.Online()), (Rows{{"1", "a", "online"}}));
  lists.LoadOnline("");
  EXPECT_EQ(Shown(lists.Online()), (Rows{kEmpty}));
}

TEST(Loading, CellsOfRowsHiddenByASmallerCountComeBackWhenTheRowReturns) {
  ListTables lists;
  lists.LoadOnline("1-a-online|2-b-chat|3-c-online|");
  lists.LoadOnline("4-d|5|");
  // Row 0 is emptied before loading; row 1 shows what it held before in the cells left unwritten.
  EXPECT_EQ(Shown(lists.Online()), (Rows{{"4", "d", ""}, {"5", "b", "chat"}}));
  EXPECT_EQ(lists.Online().FindRow("5"), 1u);
  EXPECT_EQ(lists.Online().FindRow("2"), std::nullopt);
  EXPECT_EQ(lists.Online().FindRow("3"), std::nullopt);
  EXPECT_EQ(lists.Online().ChatRows().All(), (std::vector<std::size_t>{1}));

  lists.UpdateOnline("6-f-online");
  EXPECT_EQ(Shown(lists.Online())[2], (Row{"6", "f", "online"}));
}

TEST(ChatList, ListsTheChatNicksInTableOrderOnlyWhenRebuilt) {
  ListTables lists;
  RecordingObserver observer;
  observer.lists = &lists;
  lists.SetChatListObserver(&observer);
  using Change = RecordingObserver::ChatChange;
  lists.LoadOnline("1-a-chat|2-b-online|3-c-chat|4-d-Chat|");
  EXPECT_TRUE(lists.ChatList().empty());

  lists.UpdateChatlist();
  EXPECT_EQ(lists.ChatList(), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(observer.chat_list_changes, (std::vector<Change>{{0, 0, 1}, {1, 0, 1}}));

  lists.UpdateOnline("2-b-online");
  lists.UpdateChatlist();
  EXPECT_EQ(observer.chat_list_changes.size(), 2u);

  lists.UpdateOnline("1-a-offline");  // row 3 (d) moves to the top, row 2 (c) stays
  lists.UpdateOnline("2-b-chat");
  lists.UpdateChatlist();
  EXPECT_EQ(lists.ChatList(), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(observer.chat_list_changes,
            (std::vector<Change>{{0, 0, 1}, {1, 0, 1}, {0, 1, 0}, {0, 0, 1}}));
  EXPECT_EQ(observer.list_box, lists.ChatList());
}

TEST(Observer, IsToldTheRowCountAndTheAreaOfEachChange) {
  ListTables lists;
  RecordingObserver observer;
  lists.Online().SetObserver(&observer);

  lists.UpdateOnline("1-a-online");
  EXPECT_EQ(observer.row_counts, (std::vector<std::size_t>{2}));
  EXPECT_EQ(observer.areas, (std::vector<CellArea>{{1, 2, 0, 3}}));

  lists.UpdateOnline("1-a-chat");
  EXPECT_EQ(observer.areas.back(), (CellArea{1, 2, 2, 3}));
  lists.UpdateOnline("1-a-chat");
  EXPECT_EQ(observer.areas.size(), 2u);

  observer = {};
  lists.LoadOnline("1-a-online|2-b-online|3-c-online|");
  EXPECT_EQ(observer.row_counts, (std::vector<std::size_t>{3}));
  EXPECT_EQ(observer.areas, (std::vector<CellArea>{{0, 3, 0, 3}}));

  observer = {};
  lists.DeleteOnline("1");
  EXPECT_EQ(observer.row_counts, (std::vector<std::size_t>{2}));
  // Both rows were "online": only id and nick change.
  EXPECT_EQ(observer.areas, (std::vector<CellArea>{{0, 1, 0, 2}}));
}

TEST(Index, FindsTheFirstMatchLikeAScanThroughAnyMixOfOperations) {
  ListTables lists;
  RecordingObserver observer;
  observer.lists = &lists;
  lists.SetChatListObserver(&observer);
  std::mt19937 random(7);
  const auto pick = [&](int bound) { return static_cast<int>(random() % static_cast<unsigned>(bound)); };
  const char* statuses[] = {"online", "chat", "offline"};
  for (int step = 0; step < 3000; ++step) {
    const std::string id = std::to_string(pick(40));
    const std::string entry = id + "-n" + std::to_string(step) + "-" + statuses[pick(3)];
    switch (pick(12)) {
      case 0: lists.LoadOnline(entry + "|" + std::to_string(pick(40)) + "-m-chat|"); break;
      case 1: lists.DeleteOnline(id); break;
      case 2: lists.Online().WriteCell(static_cast<std::size_t>(pick(3)), kIdColumn, id); break;
      default:
        lists.UpdateOnline(entry);
        lists.UpdateChatlist();
        ASSERT_EQ(observer.list_box, lists.ChatList()) << "step " << step;
    }
    const ListTable& table = lists.Online();
    std::vector<std::size_t> chat_rows;
    for (std::size_t row = 0; row < table.RowCount(); ++row) {
      std::size_t first = 0;
      while (table.Cell(first, kIdColumn) != table.Cell(row, kIdColumn)) ++first;
      ASSERT_EQ(table.FindRow(table.Cell(row, kIdColumn)), first) << "step " << step;
      if (table.Cell(row, kStatusColumn) == "chat") chat_rows.push_back(row);
    }
    ASSERT_EQ(table.ChatRows().All(), chat_rows) << "step " << step;
  }
}

TEST(PositionSet, RanksAndSelectsLikeASortedListThroughAnyMixOfOperations) {
  std::mt19937 random(7);
  PositionSet set;
  std::set<std::size_t> model;
  for (int step = 0; step < 20000; ++step) {
    const std::size_t position = random() % (step < 10000 ? 300 : 5000);
    if (random() % 3 == 0) {
      ASSERT_EQ(set.Erase(position), model.erase(position) == 1);
    } else {
      ASSERT_EQ(set.Insert(position), model.insert(position).second);
    }
    if (step % 500 == 0) {
      set.Clear();
      model.clear();
    }
    ASSERT_EQ(set.Size(), model.size());
    const std::size_t probe = random() % 6000;
    ASSERT_EQ(set.Rank(probe), static_cast<std::size_t>(std::distance(model.begin(), model.lower_bound(probe))));
    ASSERT_EQ(set.Contains(probe), model.contains(probe));
    if (!model.empty()) {
      const std::size_t rank = random() % model.size();
      ASSERT_EQ(set.Select(rank), *std::next(model.begin(), static_cast<std::ptrdiff_t>(rank))) << "step " << step;
    }
  }
  EXPECT_EQ(set.All(), (std::vector<std::size_t>(model.begin(), model.end())));
}

TEST(Limits, RowsAndColumnsPastTheLimitsAreDropped) {
  ListTable table(3);
  table.Load("1|2|3|4|5|");
  EXPECT_EQ(table.RowCount(), 3u);
  EXPECT_EQ(table.Cell(2, 0), "3");
  EXPECT_FALSE(table.AppendRow());

  std::string many_parts = "x";
  for (int part = 1; part < 1000; ++part) many_parts += "-" + std::to_string(part);
  table.Load(many_parts + "|");
  EXPECT_EQ(table.Cell(0, kStoredColumns - 1), std::to_string(kStoredColumns - 1));
  EXPECT_EQ(table.Cell(0, kStoredColumns), "");
}

}  // namespace
}  // namespace ozl::lists
