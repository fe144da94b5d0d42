#include "conversations/composer_registry.h"

#include <utility>

namespace ozl::conversations {

Composer* ComposerTable::Open(std::unique_ptr<Composer> composer) {
  if (Full() || composer == nullptr) return nullptr;
  ++count_;
  composer->slot_ = count_;
  titles_.Add(composer->Title(), count_);
  slots_[count_ - 1] = std::move(composer);
  return slots_[count_ - 1].get();
}

Composer* ComposerTable::Find(std::string_view title) const {
  const auto slot = titles_.First(title);
  return slot ? InSlot(*slot) : nullptr;
}

Composer* ComposerTable::InSlot(std::size_t slot) const {
  if (slot < 1 || slot > count_) return nullptr;
  return slots_[slot - 1].get();
}

std::unique_ptr<Composer> ComposerTable::Close(std::size_t slot) {
  if (slot < 1 || slot > count_) return nullptr;
  std::unique_ptr<Composer> closed = std::move(slots_[slot - 1]);
  titles_.Remove(closed->Title(), slot);
  closed->slot_ = 0;
  if (slot != count_) {
    std::unique_ptr<Composer>& last = slots_[count_ - 1];
    titles_.Remove(last->Title(), count_);
    titles_.Add(last->Title(), slot);
    last->slot_ = slot;
    slots_[slot - 1] = std::move(last);
  }
  --count_;
  return closed;
}

}  // namespace ozl::conversations
