#include "skin/component.h"

#include <algorithm>

namespace ozl::skin {

Component::Component(std::string_view class_name, Component* owner, std::string_view name)
    : class_name_(class_name), name_(name), owner_(owner) {
  if (owner_ != nullptr) owner_->components_.push_back(this);
}

Component::~Component() {
  for (Component* owned : components_) owned->owner_ = nullptr;
  if (owner_ != nullptr) std::erase(owner_->components_, this);
}

void Component::SetName(std::string_view name) { name_ = name; }

void Component::EndLoading() {
  loading_ = false;
  // A Loaded handler may create or destroy components; walk a snapshot of those still owned.
  const std::vector<Component*> owned = components_;
  for (Component* component : owned) {
    if (std::ranges::find(components_, component) != components_.end()) component->Loaded();
  }
  Loaded();
}

}  // namespace ozl::skin
