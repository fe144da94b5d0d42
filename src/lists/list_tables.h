// The online list, the contact list and the general chat's participants: the tables the list
// window shows and the dispatcher keeps current.
//
// A table is a string grid of three shown columns (id, nick, status) that always has at least one
// row; an empty table is one row of empty cells, the placeholder row. Rows keep the order in which
// they came, except that a removed row is replaced by the last one. Ids match byte for byte and
// the first (lowest) matching row wins; an index of ids makes that lookup cost the same whatever
// the table's size. Rows hidden by a smaller row count keep their text, which shows again when the
// row count grows, as it would in a string grid.
//
// The window that shows a table registers as its observer and repaints what it is told changed;
// it never decides anything itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "lists/position_set.h"
#include "lists/row_index.h"

namespace ozl::lists {

inline constexpr std::size_t kIdColumn = 0;
inline constexpr std::size_t kNickColumn = 1;
inline constexpr std::size_t kStatusColumn = 2;
inline constexpr std::size_t kShownColumns = 3;
// A loaded entry with more parts puts them in columns nobody shows; past this many they are
// dropped, so that a line of a million dashes cannot make one row hold a million cells.
inline constexpr std::size_t kStoredColumns = 16;
// Far beyond any real crowd; rows past it are not added, so no answer can exhaust memory.
inline constexpr std::size_t kDefaultRowLimit = 250'000;

// A rectangle of cells, ends exclusive.
struct CellArea {
  std::size_t first_row = 0;
  std::size_t end_row = 0;
  std::size_t first_column = 0;
  std::size_t end_column = 0;

  bool operator==(const CellArea&) const = default;
};

class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void RowCountChanged(std::size_t row_count) = 0;
  // Shown cells inside the area may hold new text. Sent after RowCountChanged of the same change.
  virtual void CellsChanged(const CellArea& area) = 0;
};

class ListTable {
 public:
  explicit ListTable(std::size_t row_limit = kDefaultRowLimit);
  ListTable(const ListTable&) = delete;
  ListTable& operator=(const ListTable&) = delete;

  void SetObserver(TableObserver* observer) { observer_ = observer; }

  std::size_t RowCount() const { return row_count_; }
  // Any cell of the store, hidden rows and columns included; empty where nothing was written.
  // The view lasts until the table next changes.
  std::string_view Cell(std::size_t row, std::size_t column) const;
  // The first row whose id cell equals `id`.
  std::optional<std::size_t> FindRow(std::string_view id) const;

  // Rows past the row count are not written.
  void WriteCell(std::size_t row, std::size_t column, std::string_view text);
  // Adds one row at the end; false when the table is at its row limit.
  bool AppendRow();
  // With one row left its cells are emptied; otherwise the last row's id, nick and status move
  // into `row` and the row count shrinks by one.
  void RemoveRow(std::size_t row);
  // Replaces the whole table with a list of entries each ended by "|", every entry cut at every
  // "-" into columns 0, 1, 2, ... of its row. Cells an entry leaves unwritten keep what the row
  // held before. No entries leave the placeholder row.
  void Load(std::string_view list);

  // The shown rows whose status is exactly "chat", in table order.
  const PositionSet& ChatRows() const { return chat_rows_; }

  // The rows that may have entered or left ChatRows, or changed their nick, since the last
  // take; `all` when there were too many to name.
  struct ChatChanges {
    bool all = false;
    std::vector<std::size_t> rows;
  };
  ChatChanges TakeChatChanges() { return std::exchange(chat_changes_, {}); }

  // Collects the changes of several calls into one notification, sent when the last open batch
  // ends.
  class [[nodiscard]] ChangeBatch {
   public:
    explicit ChangeBatch(ListTable& table) : table_(table) { ++table_.batch_depth_; }
    ChangeBatch(const ChangeBatch&) = delete;
    ChangeBatch& operator=(const ChangeBatch&) = delete;
    ~ChangeBatch() {
      if (--table_.batch_depth_ == 0) table_.Notify();
    }

   private:
    ListTable& table_;
  };
  ChangeBatch BatchChanges() { return ChangeBatch(*this); }

 private:
  struct Row {
    std::string shown[kShownColumns];
    std::vector<std::string> hidden;
  };

  static void Store(Row& row, std::size_t column, std::string_view text);
  void SetRowCount(std::size_t count);
  void Show(std::size_t row);
  void Hide(std::size_t row);
  void NoteChatChange(std::size_t row);
  void MarkChanged(const CellArea& area);
  void Notify();

  std::size_t row_limit_;
  std::vector<Row> rows_;  // the store: at least row_count_ rows, hidden ones kept
  std::size_t row_count_ = 1;
  RowIndex ids_;
  PositionSet chat_rows_;
  ChatChanges chat_changes_;

  TableObserver* observer_ = nullptr;
  int batch_depth_ = 0;
  bool row_count_changed_ = false;
  std::optional<CellArea> changed_;
};

class ChatListObserver {
 public:
  virtual ~ChatListObserver() = default;
  // The nicks that were at [first, first + removed) are replaced by the ones now at
  // [first, first + inserted), so a list box deletes and inserts only those.
  virtual void ChatListChanged(std::size_t first, std::size_t removed, std::size_t inserted) = 0;
};

class ListTables {
 public:
  ListTable& Online() { return online_; }
  ListTable& Contacts() { return contacts_; }
  const ListTable& Online() const { return online_; }
  const ListTable& Contacts() const { return contacts_; }

  // The participants of the general chat: nicks of the online rows whose status is "chat", in
  // table order, as they were at the last UpdateChatlist.
  std::size_t ChatListSize() const { return chat_listed_.Size(); }
  std::string_view ChatNick(std::size_t index) const { return chat_nicks_[chat_listed_.Select(index)]; }
  // All of them (a copy).
  std::vector<std::string> ChatList() const;
  void SetChatListObserver(ChatListObserver* observer) { chat_observer_ = observer; }

  // An entry is id "-" nick "-" status (see protocol::SplitEntry). A known contact gets the new
  // status only; a new one fills an empty last row or a new row.
  void UpdateKontakt(std::string_view entry);
  // A known user gets the new status, or leaves with "offline"; a new one always gets a new row.
  void UpdateOnline(std::string_view entry);
  void DeleteKontakt(std::string_view id);
  void DeleteOnline(std::string_view id);
  void UpdateChatlist();
  void LoadOnline(std::string_view online_part) { online_.Load(online_part); }

 private:
  ListTable online_;
  ListTable contacts_;
  void RebuildChatList();
  void ChangeChatList(std::size_t first, std::size_t removed, std::size_t inserted);

  // The online rows the participants list shows, and the nick each had when it was listed: after
  // a reload the list still shows the old rows until the next UpdateChatlist.
  PositionSet chat_listed_;
  std::vector<std::string> chat_nicks_;  // by online row
  ChatListObserver* chat_observer_ = nullptr;
};

}  // namespace ozl::lists
