// The open message windows, one per correspondent, each titled with the correspondent's id.
// Slots 1 to ComposerCount are always in use; closing a composer moves the one in the last slot
// into the freed slot, so the order carries no meaning. A composer is found by its title without
// a scan; should two share a title, the one in the lower slot wins.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "lists/row_index.h"

namespace ozl::conversations {

inline constexpr std::size_t kComposerSlots = 256;

// What the table needs of a message window; the window implements the rest.
class Composer {
 public:
  explicit Composer(std::string title) : title_(std::move(title)) {}
  virtual ~Composer() = default;
  Composer(const Composer&) = delete;
  Composer& operator=(const Composer&) = delete;

  const std::string& Title() const { return title_; }
  // 1 to ComposerCount while open, 0 before and after.
  std::size_t Slot() const { return slot_; }

  // Adds one line, nick + " >> " + text, to the received messages.
  virtual void AppendReceived(const std::string& line) = 0;
  // Puts back a text the server would not take, so that what the user typed is not lost.
  virtual void ReturnUnsent(const std::string& text) = 0;

 private:
  friend class ComposerTable;
  std::string title_;
  std::size_t slot_ = 0;
};

class ComposerTable {
 public:
  std::size_t ComposerCount() const { return count_; }
  bool Full() const { return count_ == kComposerSlots; }

  // Takes the composer into the next slot. When all slots are in use it is not taken (it is
  // destroyed) and the result is null; ask Full() before making one.
  Composer* Open(std::unique_ptr<Composer> composer);
  // The composer in the lowest slot whose title is `title`, or null.
  Composer* Find(std::string_view title) const;
  // Slots count from 1; null outside 1 to ComposerCount.
  Composer* InSlot(std::size_t slot) const;
  // Releases the composer in `slot` to the caller, who destroys it once it is safe (a window may
  // be closing itself), and fills the slot with the last one. Null for a slot not in use.
  std::unique_ptr<Composer> Close(std::size_t slot);

 private:
  std::array<std::unique_ptr<Composer>, kComposerSlots> slots_;  // slot n lives at n - 1
  std::size_t count_ = 0;
  lists::RowIndex titles_;
};

}  // namespace ozl::conversations
