#include "skin/portable_skin.h"

#include <utility>

namespace ozl::skin {

std::uint32_t PortableSkinPlatform::SystemColor(int index) {
  return index >= 0 && static_cast<std::size_t>(index) < system_colors.size()
             ? system_colors[static_cast<std::size_t>(index)]
             : 0;
}

class PortableForm::Hook final : public MessageHook {
 public:
  Hook(PortableForm& form, FormMessageSink& sink) : form_(form) { form_.sink_ = &sink; }
  ~Hook() override { form_.sink_ = nullptr; }

 private:
  PortableForm& form_;
};

PortableForm::PortableForm(PortableSkinPlatform& platform, std::string_view name,
                           std::int32_t width, std::int32_t height)
    : Component("TForm", nullptr, name), platform_(platform) {
  geometry = {100, 100, width, height, BorderStyle::kNone, {100, 100}, width, height};
}

void PortableForm::SetWindowRegion(Region region, bool redraw) {
  window_region_ = std::move(region);
  ++regions_set;
  last_redraw = redraw;
}

std::unique_ptr<MessageHook> PortableForm::HookMessages(FormMessageSink& sink) {
  return std::make_unique<Hook>(*this, sink);
}

void PortableForm::Resize(std::int32_t width, std::int32_t height) {
  geometry.width = geometry.client_width = width;
  geometry.height = geometry.client_height = height;
  if (sink_ != nullptr) sink_->Resized();
}

int PortableForm::HitTestClient() const {
  constexpr int kClient = 1;
  constexpr int kCaption = 2;
  return sink_ != nullptr && sink_->ClientDrag() ? kCaption : kClient;
}

}  // namespace ozl::skin
