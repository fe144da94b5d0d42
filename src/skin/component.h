// The owner model of the skin toolkit. A component has a class name, a name and an owner; the
// owner lists what it owns in creation order. A window that hosts region components is itself a
// Component and implements FormHost (form_region.h); a component owned by anything else is
// refused. While an owner is loading (between BeginLoading and EndLoading) its components only
// store their properties; EndLoading then lets each of them act on what it stored, in creation
// order, once everything exists.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ozl::skin {

class Component {
 public:
  Component(std::string_view class_name, Component* owner, std::string_view name = {});
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;
  virtual ~Component();

  std::string_view ClassName() const { return class_name_; }
  const std::string& Name() const { return name_; }
  virtual void SetName(std::string_view name);
  Component* Owner() const { return owner_; }
  const std::vector<Component*>& Components() const { return components_; }

  bool Loading() const { return loading_ || (owner_ != nullptr && owner_->Loading()); }
  void BeginLoading() { loading_ = true; }
  // Clears the loading state and calls Loaded on every owned component, then on this one.
  void EndLoading();

 protected:
  virtual void Loaded() {}

 private:
  std::string_view class_name_;
  std::string name_;
  Component* owner_;
  std::vector<Component*> components_;
  bool loading_ = false;
};

}  // namespace ozl::skin
