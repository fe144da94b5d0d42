#include "lists/list_tables.h"

#include <algorithm>
#include <utility>

#include "protocol/commands.h"

namespace ozl::lists {
namespace {

constexpr std::string_view kChat = "chat";
constexpr std::string_view kOffline = "offline";

}  // namespace

ListTable::ListTable(std::size_t row_limit) : row_limit_(std::max<std::size_t>(row_limit, 1)), rows_(1) {
  Show(0);
}

std::string_view ListTable::Cell(std::size_t row, std::size_t column) const {
  if (row >= rows_.size()) return {};
  const Row& stored = rows_[row];
  if (column < kShownColumns) return stored.shown[column];
  const std::size_t hidden = column - kShownColumns;
  return hidden < stored.hidden.size() ? std::string_view(stored.hidden[hidden]) : std::string_view();
}

std::optional<std::size_t> ListTable::FindRow(std::string_view id) const { return ids_.First(id); }

void ListTable::WriteCell(std::size_t row, std::size_t column, std::string_view text) {
  if (row >= row_count_ || column >= kStoredColumns || Cell(row, column) == text) return;
  if (column == kIdColumn) {
    ids_.Remove(rows_[row].shown[kIdColumn], row);
    ids_.Add(text, row);
  }
  if (column == kStatusColumn && (text == kChat) != chat_rows_.Contains(row)) {
    if (text == kChat) {
      chat_rows_.Insert(row);
    } else {
      chat_rows_.Erase(row);
    }
    NoteChatChange(row);
  }
  if (column == kNickColumn && chat_rows_.Contains(row)) NoteChatChange(row);

  Store(rows_[row], column, text);
  if (column < kShownColumns) MarkChanged({row, row + 1, column, column + 1});
}

bool ListTable::AppendRow() {
  if (row_count_ >= row_limit_) return false;
  const ChangeBatch batch(*this);
  SetRowCount(row_count_ + 1);
  return true;
}

void ListTable::RemoveRow(std::size_t row) {
  if (row >= row_count_) return;
  const ChangeBatch batch(*this);
  if (row_count_ < 2) {
    for (std::size_t column = 0; column < kShownColumns; ++column) WriteCell(row, column, "");
    return;
  }
  const std::size_t last = row_count_ - 1;
  for (std::size_t column = 0; column < kShownColumns; ++column) WriteCell(row, column, Cell(last, column));
  SetRowCount(last);
}

void ListTable::Load(std::string_view list) {
  const ChangeBatch batch(*this);
  SetRowCount(1);
  for (std::size_t column = 0; column < kShownColumns; ++column) WriteCell(0, column, "");

  const std::vector<std::string_view> entries = protocol::ListEntries(list);
  const std::size_t loaded = std::min(entries.size(), row_limit_);
  ids_.Reserve(loaded);
  if (loaded > rows_.size()) rows_.resize(loaded);
  std::vector<std::string_view> parts;
  for (std::size_t row = 0; row < loaded; ++row) {
    protocol::EntryParts(entries[row], kStoredColumns, parts);
    for (std::size_t column = 0; column < parts.size(); ++column) {
      // The rows after the first are filled while still hidden and shown once whole, so the
      // index files each of them once.
      if (row == 0) {
        WriteCell(row, column, parts[column]);
      } else {
        Store(rows_[row], column, parts[column]);
      }
    }
  }
  if (loaded > 1) SetRowCount(loaded);
}

void ListTable::Store(Row& row, std::size_t column, std::string_view text) {
  if (column < kShownColumns) {
    row.shown[column] = text;
    return;
  }
  const std::size_t hidden = column - kShownColumns;
  if (hidden >= row.hidden.size()) row.hidden.resize(hidden + 1);
  row.hidden[hidden] = text;
}

void ListTable::SetRowCount(std::size_t count) {
  count = std::clamp<std::size_t>(count, 1, row_limit_);
  if (count == row_count_) return;
  if (count > rows_.size()) rows_.resize(count);
  const std::size_t old_count = row_count_;
  if (count == 1) {
    // Down to the first row: cheaper to forget every row than to take them out one by one.
    ids_.Clear();
    if (!chat_rows_.Empty()) chat_changes_ = {true, {}};
    chat_rows_.Clear();
    Show(0);
  } else {
    for (std::size_t row = old_count; row > count; --row) Hide(row - 1);
  }
  for (std::size_t row = old_count; row < count; ++row) Show(row);
  row_count_ = count;
  row_count_changed_ = true;
  // Rows that come back show the text they kept.
  if (count > old_count) MarkChanged({old_count, count, 0, kShownColumns});
}

void ListTable::Show(std::size_t row) {
  const Row& stored = rows_[row];
  ids_.Add(stored.shown[kIdColumn], row);
  if (stored.shown[kStatusColumn] == kChat) {
    chat_rows_.Insert(row);
    NoteChatChange(row);
  }
}

void ListTable::Hide(std::size_t row) {
  const Row& stored = rows_[row];
  ids_.Remove(stored.shown[kIdColumn], row);
  if (chat_rows_.Contains(row)) {
    chat_rows_.Erase(row);
    NoteChatChange(row);
  }
}

void ListTable::NoteChatChange(std::size_t row) {
  // Past a few dozen rows (a reload, say) rebuilding the chat list is cheaper than patching it.
  constexpr std::size_t kNamedRows = 64;
  if (chat_changes_.all) return;
  if (chat_changes_.rows.size() == kNamedRows) {
    chat_changes_ = {true, {}};
    return;
  }
  chat_changes_.rows.push_back(row);
}

void ListTable::MarkChanged(const CellArea& area) {
  if (!changed_) {
    changed_ = area;
  } else {
    changed_->first_row = std::min(changed_->first_row, area.first_row);
    changed_->end_row = std::max(changed_->end_row, area.end_row);
    changed_->first_column = std::min(changed_->first_column, area.first_column);
    changed_->end_column = std::max(changed_->end_column, area.end_column);
  }
  if (batch_depth_ == 0) Notify();
}

void ListTable::Notify() {
  if (row_count_changed_ && observer_ != nullptr) observer_->RowCountChanged(row_count_);
  row_count_changed_ = false;
  const std::optional<CellArea> changed = std::exchange(changed_, std::nullopt);
  if (changed && observer_ != nullptr) observer_->CellsChanged(*changed);
}

void ListTables::UpdateKontakt(std::string_view entry) {
  const protocol::Entry split = protocol::SplitEntry(entry);
  const auto batch = contacts_.BatchChanges();
  if (const auto row = contacts_.FindRow(split.id)) {
    contacts_.WriteCell(*row, kStatusColumn, split.status);
    return;
  }
  if (!contacts_.Cell(contacts_.RowCount() - 1, kIdColumn).empty() && !contacts_.AppendRow()) return;
  const std::size_t last = contacts_.RowCount() - 1;
  contacts_.WriteCell(last, kIdColumn, split.id);
  contacts_.WriteCell(last, kNickColumn, split.nick);
  contacts_.WriteCell(last, kStatusColumn, split.status);
}

void ListTables::UpdateOnline(std::string_view entry) {
  const protocol::Entry split = protocol::SplitEntry(entry);
  const auto batch = online_.BatchChanges();
  if (const auto row = online_.FindRow(split.id)) {
    if (split.status == kOffline) {
      DeleteOnline(split.id);
    } else {
      online_.WriteCell(*row, kStatusColumn, split.status);
    }
    return;
  }
  if (!online_.AppendRow()) return;
  const std::size_t last = online_.RowCount() - 1;
  online_.WriteCell(last, kIdColumn, split.id);
  online_.WriteCell(last, kNickColumn, split.nick);
  online_.WriteCell(last, kStatusColumn, split.status);
}

void ListTables::DeleteKontakt(std::string_view id) {
  if (const auto row = contacts_.FindRow(id)) contacts_.RemoveRow(*row);
}

void ListTables::DeleteOnline(std::string_view id) {
  if (const auto row = online_.FindRow(id)) online_.RemoveRow(*row);
}

std::vector<std::string> ListTables::ChatList() const {
  std::vector<std::string> nicks;
  for (const std::size_t row : chat_listed_.All()) nicks.push_back(chat_nicks_[row]);
  return nicks;
}

void ListTables::UpdateChatlist() {
  ListTable::ChatChanges changes = online_.TakeChatChanges();
  if (changes.all) return RebuildChatList();

  // Each named row moves one nick in or out, or renames it, where its row puts it. Rows are taken
  // in order, so each notice counts the ones before it.
  std::sort(changes.rows.begin(), changes.rows.end());
  changes.rows.erase(std::unique(changes.rows.begin(), changes.rows.end()), changes.rows.end());
  for (const std::size_t row : changes.rows) {
    const bool listed = chat_listed_.Contains(row);
    const bool chatting = online_.ChatRows().Contains(row);
    const std::string_view nick = online_.Cell(row, kNickColumn);
    if (listed && !chatting) {
      const std::size_t index = chat_listed_.Rank(row);
      chat_listed_.Erase(row);
      chat_nicks_[row].clear();
      ChangeChatList(index, 1, 0);
    } else if (!listed && chatting) {
      chat_listed_.Insert(row);
      if (row >= chat_nicks_.size()) chat_nicks_.resize(row + 1);
      chat_nicks_[row] = nick;
      ChangeChatList(chat_listed_.Rank(row), 0, 1);
    } else if (listed && chat_nicks_[row] != nick) {
      chat_nicks_[row] = nick;
      ChangeChatList(chat_listed_.Rank(row), 1, 1);
    }
  }
}

void ListTables::RebuildChatList() {
  const std::vector<std::string> old_nicks = ChatList();
  const std::vector<std::size_t> rows = online_.ChatRows().All();
  // Tell the list box only what lies between the common start and the common end.
  const std::size_t shorter = std::min(old_nicks.size(), rows.size());
  const auto same = [&](std::size_t listed, std::size_t row) {
    return old_nicks[listed] == online_.Cell(row, kNickColumn);
  };
  std::size_t first = 0;
  while (first < shorter && same(first, rows[first])) ++first;
  std::size_t common_end = 0;
  while (first + common_end < shorter &&
         same(old_nicks.size() - 1 - common_end, rows[rows.size() - 1 - common_end])) {
    ++common_end;
  }
  const std::size_t removed = old_nicks.size() - first - common_end;
  const std::size_t inserted = rows.size() - first - common_end;

  for (const std::size_t row : chat_listed_.All()) chat_nicks_[row].clear();
  chat_listed_.Clear();
  for (const std::size_t row : rows) {
    chat_listed_.Insert(row);
    if (row >= chat_nicks_.size()) chat_nicks_.resize(row + 1);
    chat_nicks_[row] = online_.Cell(row, kNickColumn);
  }
  if (removed != 0 || inserted != 0) ChangeChatList(first, removed, inserted);
}

void ListTables::ChangeChatList(std::size_t first, std::size_t removed, std::size_t inserted) {
  if (chat_observer_ != nullptr) chat_observer_->ChatListChanged(first, removed, inserted);
}

}  // namespace ozl::lists
