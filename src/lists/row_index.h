// Finds the first of the positions that hold a key without scanning them all: every position is
// filed under its key, lowest first, so "the first match wins" costs the same for ten rows as for
// a hundred thousand. Equal keys (duplicate rows) are kept side by side.
#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ozl::lists {

// Positions in ascending order without repeats.
class SortedPositions {
 public:
  void Insert(std::size_t position) {
    // Rows are mostly filed in order, so the common case is an append.
    if (positions_.empty() || positions_.back() < position) {
      positions_.push_back(position);
      return;
    }
    const auto at = std::lower_bound(positions_.begin(), positions_.end(), position);
    if (at == positions_.end() || *at != position) positions_.insert(at, position);
  }
  void Erase(std::size_t position) {
    if (!positions_.empty() && positions_.back() == position) {
      positions_.pop_back();
      return;
    }
    const auto at = std::lower_bound(positions_.begin(), positions_.end(), position);
    if (at != positions_.end() && *at == position) positions_.erase(at);
  }
  bool Contains(std::size_t position) const {
    return std::binary_search(positions_.begin(), positions_.end(), position);
  }
  bool Empty() const { return positions_.empty(); }
  std::size_t Size() const { return positions_.size(); }
  std::size_t First() const { return positions_.front(); }
  void Clear() { positions_.clear(); }
  const std::vector<std::size_t>& All() const { return positions_; }

 private:
  std::vector<std::size_t> positions_;
};

class RowIndex {
 public:
  void Add(std::string_view key, std::size_t position) { Bucket(key).Insert(position); }

  void Remove(std::string_view key, std::size_t position) {
    const auto found = buckets_.find(key);
    if (found == buckets_.end()) return;
    found->second.Erase(position);
    if (found->second.Empty()) buckets_.erase(found);
  }

  std::optional<std::size_t> First(std::string_view key) const {
    const auto found = buckets_.find(key);
    if (found == buckets_.end()) return std::nullopt;
    return found->second.First();
  }

  void Clear() { buckets_.clear(); }

 private:
  // Transparent hashing lets a string_view look up a std::string key without a copy.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };

  SortedPositions& Bucket(std::string_view key) {
    const auto found = buckets_.find(key);
    if (found != buckets_.end()) return found->second;
    return buckets_.emplace(std::string(key), SortedPositions{}).first->second;
  }

  std::unordered_map<std::string, SortedPositions, Hash, std::equal_to<>> buckets_;
};

}  // namespace ozl::lists
