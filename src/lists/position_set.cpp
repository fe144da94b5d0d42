#include "lists/position_set.h"

#include <algorithm>
#include <bit>

namespace ozl::lists {

void PositionSet::Reserve(std::size_t capacity) {
  if (capacity <= members_.size()) return;
  // Doubling keeps the rebuilds rare; each rebuild is linear.
  const std::size_t grown = std::max(capacity, members_.size() * 2);
  members_.resize(grown, 0);
  counts_.assign(grown + 1, 0);
  for (std::size_t i = 1; i <= grown; ++i) {
    counts_[i] += members_[i - 1];
    const std::size_t parent = i + (i & (~i + 1));
    if (parent <= grown) counts_[parent] += counts_[i];
  }
}

void PositionSet::Add(std::size_t position, int delta) {
  for (std::size_t i = position + 1; i < counts_.size(); i += i & (~i + 1)) {
    counts_[i] = static_cast<std::uint32_t>(static_cast<int>(counts_[i]) + delta);
  }
}

bool PositionSet::Insert(std::size_t position) {
  if (Contains(position)) return false;
  Reserve(position + 1);
  members_[position] = 1;
  Add(position, 1);
  ++size_;
  return true;
}

bool PositionSet::Erase(std::size_t position) {
  if (!Contains(position)) return false;
  members_[position] = 0;
  Add(position, -1);
  --size_;
  return true;
}

std::size_t PositionSet::Rank(std::size_t position) const {
  std::size_t below = 0;
  for (std::size_t i = std::min(position, members_.size()); i > 0; i -= i & (~i + 1)) below += counts_[i];
  return below;
}

std::size_t PositionSet::Select(std::size_t rank) const {
  // Walk down the tree: take every range that still lies wholly below the wanted member.
  std::size_t position = 0;
  std::size_t remaining = rank;
  for (std::size_t step = std::bit_floor(members_.size()); step > 0; step >>= 1) {
    const std::size_t next = position + step;
    if (next < counts_.size() && counts_[next] <= remaining) {
      position = next;
      remaining -= counts_[next];
    }
  }
  return position;
}

void PositionSet::Clear() {
  std::fill(members_.begin(), members_.end(), 0);
  std::fill(counts_.begin(), counts_.end(), 0);
  size_ = 0;
}

std::vector<std::size_t> PositionSet::All() const {
  std::vector<std::size_t> all;
  all.reserve(size_);
  for (std::size_t position = 0; position < members_.size() && all.size() < size_; ++position) {
    if (members_[position] != 0) all.push_back(position);
  }
  return all;
}

}  // namespace ozl::lists
