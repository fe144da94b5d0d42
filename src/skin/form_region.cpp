#include "skin/form_region.h"

#include <algorithm>
#include <utility>

namespace ozl::skin {
namespace {

// Every live coordinator, one per window; each removes itself when its last component goes.
std::vector<TFRCoordinator*>& Coordinators() {
  static std::vector<TFRCoordinator*> coordinators;
  return coordinators;
}

FormHost& FormOf(Component* owner, std::string_view class_name) {
  auto* form = dynamic_cast<FormHost*>(owner);
  if (form == nullptr) {
    throw EOwnerMustBeForm("The owner of " + std::string(class_name) +
                           " component must be the TForm descendant");
  }
  return *form;
}

std::int32_t Wrapped(std::int64_t value) { return static_cast<std::int32_t>(value); }

std::string ReplacedIgnoringCase(std::string_view text, std::string_view old_text,
                                 std::string_view new_text) {
  const std::string upper_text = UpperCase(text);
  const std::string upper_old = UpperCase(old_text);
  std::string result;
  std::size_t position = 0;
  for (std::size_t found = upper_text.find(upper_old); found != std::string::npos;
       found = upper_text.find(upper_old, position)) {
    result.append(text.substr(position, found - position));
    result.append(new_text);
    position = found + old_text.size();
  }
  result.append(text.substr(position));
  return result;
}

}  // namespace

RegionSymbols SymbolsOf(const FormGeometry& geometry, const CaptionMetrics& captions) {
  RegionSymbols symbols;
  symbols.x = Wrapped(std::int64_t{geometry.client_origin.x} - geometry.left);
  symbols.c = Wrapped(std::int64_t{geometry.client_origin.y} - geometry.top);
  symbols.r = Wrapped(std::int64_t{symbols.x} + geometry.client_width);
  symbols.b = Wrapped(std::int64_t{symbols.c} + geometry.client_height);
  symbols.w = geometry.width;
  symbols.h = geometry.height;
  const bool tool_window = geometry.border_style == BorderStyle::kToolWindow ||
                           geometry.border_style == BorderStyle::kSizeToolWin;
  symbols.y = Wrapped(std::int64_t{symbols.c} -
                      (tool_window ? captions.small_caption_height : captions.caption_height));
  return symbols;
}

std::optional<std::string> TextAfterSourceChange(std::string_view text,
                                                 const TExternalRegion& source, RegionChange code) {
  if (code == RegionChange::kRegionChanged) {
    const std::string& name = source.Name();
    if (name.empty() || UpperCase(text).find(UpperCase(name)) == std::string::npos) {
      return std::nullopt;
    }
    return std::string(text);
  }
  if (source.OldName().empty()) return std::nullopt;
  return ReplacedIgnoringCase(text, source.OldName(), source.Name());
}

// Coordinator -------------------------------------------------------------------------------

TFRCoordinator::TFRCoordinator(FormHost& form, PrivateTag) : form_(form) {}

std::shared_ptr<TFRCoordinator> TFRCoordinator::CoordinatorFor(FormHost& form) {
  for (TFRCoordinator* coordinator : Coordinators()) {
    if (&coordinator->form_ == &form) return coordinator->shared_from_this();
  }
  auto coordinator = std::make_shared<TFRCoordinator>(form, PrivateTag{});
  coordinator->hook_ = form.HookMessages(*coordinator);
  Coordinators().push_back(coordinator.get());
  return coordinator;
}

TFRCoordinator::~TFRCoordinator() {
  hook_.reset();
  std::erase(Coordinators(), this);
}

RegionOps& TFRCoordinator::Regions() { return form_.Platform().Regions(); }

RegionSymbols TFRCoordinator::Symbols() {
  return SymbolsOf(form_.Geometry(), form_.Platform().Captions());
}

RegionSource* TFRCoordinator::FindSource(std::string_view name) {
  for (TExternalRegion* source : sources_) {
    if (EqualsIgnoringCase(source->Name(), name)) return source;
  }
  return nullptr;
}

void TFRCoordinator::ShowMissingSource(std::string_view message) {
  form_.Platform().ShowMessage(message);
}

void TFRCoordinator::NotifyRegionChange(const TExternalRegion& source, RegionChange code) {
  const auto keep_alive = shared_from_this();
  for (std::size_t k = 0; k < sources_.size(); ++k) {
    if (auto* macro = dynamic_cast<TMacrosExtRgn*>(sources_[k])) macro->SourceChanged(source, code);
  }
  if (form_region_ != nullptr) form_region_->SourceChanged(source, code);
}

void TFRCoordinator::Resized() {
  // A text-defined source may use the window's size, so its cache goes before the window text
  // is read again; bitmap sources keep theirs.
  const auto keep_alive = shared_from_this();
  for (std::size_t k = 0; k < sources_.size(); ++k) {
    if (auto* macro = dynamic_cast<TMacrosExtRgn*>(sources_[k])) macro->RegionChanged();
  }
  if (form_region_ != nullptr) form_region_->SizeChanged();
}

bool TFRCoordinator::ClientDrag() const {
  return form_region_ != nullptr && form_region_->ClientDrag();
}

// Form region -------------------------------------------------------------------------------

TFormRegion::TFormRegion(Component* owner, std::string_view name)
    : Component("TFormRegion", owner, name) {
  if (owner != nullptr) {
    for (Component* component : owner->Components()) {
      if (component != this && dynamic_cast<TFormRegion*>(component) != nullptr) {
        throw EDuplicateComponent("Only one TFormRegion component on a form is allowed");
      }
    }
  }
  coordinator_ = TFRCoordinator::CoordinatorFor(FormOf(owner, ClassName()));
  coordinator_->form_region_ = this;
}

TFormRegion::~TFormRegion() { coordinator_->form_region_ = nullptr; }

void TFormRegion::SetRegion(std::string_view text) {
  region_ = std::string(text);
  if (Loading()) return;
  evaluated_.Reset();
  evaluated_ = TranslateRegionText(*coordinator_, region_, Name());
  ApplyRegion();
}

void TFormRegion::Loaded() { SetRegion(region_); }

void TFormRegion::SizeChanged() {
  std::string text = region_;
  if (on_size_changed_) on_size_changed_(*this, text);
  SetRegion(text);
}

void TFormRegion::ApplyRegion() {
  FormHost& form = coordinator_->Form();
  if (evaluated_) {
    skin::Region copy = coordinator_->Regions().Copy(evaluated_);
    if (copy) form.SetWindowRegion(std::move(copy), form.Visible());
  } else if (draw_on_designing_) {
    form.Invalidate();
  }
}

void TFormRegion::SourceChanged(const TExternalRegion& source, RegionChange code) {
  if (std::optional<std::string> text = TextAfterSourceChange(region_, source, code)) {
    SetRegion(*text);
  }
}

// Sources -----------------------------------------------------------------------------------

TExternalRegion::TExternalRegion(std::string_view class_name, Component* owner,
                                 std::string_view name)
    : Component(class_name, owner, name),
      coordinator_(TFRCoordinator::CoordinatorFor(FormOf(owner, class_name))) {
  coordinator_->sources_.push_back(this);
}

TExternalRegion::~TExternalRegion() {
  region_cache_.Reset();
  std::erase(coordinator_->sources_, this);
}

void TExternalRegion::SetName(std::string_view name) {
  old_name_ = Name();
  Component::SetName(name);
  try {
    coordinator_->NotifyRegionChange(*this, RegionChange::kRenamed);
  } catch (...) {
    old_name_.clear();
    throw;
  }
  old_name_.clear();
}

skin::Region TExternalRegion::GetRegionCopy() {
  RegionOps& ops = coordinator_->Regions();
  if (region_cache_) return ops.Copy(region_cache_);
  skin::Region built = CreateRegion();
  if (!own_region_ || !built) return built;
  region_cache_ = std::move(built);
  return ops.Copy(region_cache_);
}

void TExternalRegion::RegionChanged() {
  region_cache_.Reset();
  coordinator_->NotifyRegionChange(*this, RegionChange::kRegionChanged);
}

TMacrosExtRgn::TMacrosExtRgn(Component* owner, std::string_view name)
    : TExternalRegion("TMacrosExtRgn", owner, name) {}

void TMacrosExtRgn::SetRegion(std::string_view text) {
  if (text == region_) return;
  region_ = std::string(text);
  RegionChanged();
}

void TMacrosExtRgn::SourceChanged(const TExternalRegion& source, RegionChange code) {
  if (std::optional<std::string> text = TextAfterSourceChange(region_, source, code)) {
    SetRegion(*text);
  }
}

skin::Region TMacrosExtRgn::CreateRegion() {
  return TranslateRegionText(Coordinator(), region_, Name());
}

}  // namespace ozl::skin
