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

class RowIndex {
 public:
  void Add(std::string_view key, std::size_t position) {
    const auto [found, added] = buckets_.try_emplace(std::string(key), Bucket{position, {}});
    if (!added) found->second.Insert(position);
  }

  void Remove(std::string_view key, std::size_t position) {
    const auto found = buckets_.find(key);
    if (found == buckets_.end()) return;
    if (found->second.Erase(position)) buckets_.erase(found);
  }

  std::optional<std::size_t> First(std::string_view key) const {
    const auto found = buckets_.find(key);
    if (found == buckets_.end()) return std::nullopt;
    return found->second.first;
  }

  void Clear() { buckets_.clear(); }
  // Room for this many keys, so that filing a whole list does not grow the table step by step.
  void Reserve(std::size_t keys) { buckets_.reserve(keys); }

 private:
  // The positions of one key, lowest first. Keys are nearly always unique, so the lowest stands
  // on its own and only duplicates take a vector.
  struct Bucket {
    std::size_t first;
    std::vector<std::size_t> more;  // ascending, all above `first`

    void Insert(std::size_t position) {
      if (position == first) return;
      if (position < first) std::swap(position, first);
      const auto at = std::lower_bound(more.begin(), more.end(), position);
      if (at == more.end() || *at != position) more.insert(at, position);
    }
    // True when the bucket is left empty.
    bool Erase(std::size_t position) {
      if (position == first) {
        if (more.empty()) return true;
        first = more.front();
        more.erase(more.begin());
        return false;
      }
      const auto at = std::lower_bound(more.begin(), more.end(), position);
      if (at != more.end() && *at == position) more.erase(at);
      return false;
    }
  };

  // Transparent hashing lets a string_view look up a std::string key without a copy.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };

  std::unordered_map<std::string, Bucket, Hash, std::equal_to<>> buckets_;
};

}  // namespace ozl::lists
