// A set of row positions that also answers "how many members lie below this row" and "which row
// is the k-th member" in logarithmic time. The general chat's participants are the online rows
// with status "chat", in table order; a busy server moves users in and out of the chat thousands
// of times a minute, and each move must find its place in the list without walking it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ozl::lists {

class PositionSet {
 public:
  // False when the position was already a member (Insert) or was none (Erase).
  bool Insert(std::size_t position);
  bool Erase(std::size_t position);
  bool Contains(std::size_t position) const {
    return position < members_.size() && members_[position] != 0;
  }
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }
  // The number of members below `position`.
  std::size_t Rank(std::size_t position) const;
  // The member with `rank` members below it; rank < Size().
  std::size_t Select(std::size_t rank) const;
  void Clear();
  // The members in ascending order.
  std::vector<std::size_t> All() const;

 private:
  void Reserve(std::size_t capacity);
  void Add(std::size_t position, int delta);

  std::vector<std::uint8_t> members_;
  std::vector<std::uint32_t> counts_;  // a Fenwick tree over members_, counts_[i] covers i's range
  std::size_t size_ = 0;
};

}  // namespace ozl::lists
