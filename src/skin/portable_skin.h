// A window and a platform without Windows: the portable regions, settable system colours and
// metrics, messages collected instead of shown, and a window whose geometry is plain data and
// whose messages are delivered by calling it. Native tests and the fuzzer shape these windows
// exactly as the program shapes its real ones.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "skin/component.h"
#include "skin/form_region.h"
#include "skin/portable_region.h"

namespace ozl::skin {

class PortableSkinPlatform final : public SkinPlatform {
 public:
  PortableSkinPlatform() = default;
  explicit PortableSkinPlatform(PortableRegionOps::Limits limits) : regions_(limits) {}

  PortableRegionOps& Regions() override { return regions_; }
  std::uint32_t SystemColor(int index) override;
  CaptionMetrics Captions() override { return captions; }
  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }

  std::array<std::uint32_t, 31> system_colors{};
  CaptionMetrics captions{18, 15};
  std::vector<std::string> messages;

 private:
  PortableRegionOps regions_;
};

class PortableForm final : public Component, public FormHost {
 public:
  // A visible borderless window of the given size at (100, 100).
  PortableForm(PortableSkinPlatform& platform, std::string_view name, std::int32_t width,
               std::int32_t height);

  FormGeometry Geometry() const override { return geometry; }
  bool Visible() const override { return visible; }
  void Invalidate() override { ++invalidations; }
  void SetWindowRegion(Region region, bool redraw) override;
  std::unique_ptr<MessageHook> HookMessages(FormMessageSink& sink) override;
  SkinPlatform& Platform() override { return platform_; }

  // A new size for a borderless window, delivered as the system would: a size message.
  void Resize(std::int32_t width, std::int32_t height);
  // The hit-test answer for a point of the client area: 1 (client) or 2 (caption).
  int HitTestClient() const;
  bool Hooked() const { return sink_ != nullptr; }
  const Region& WindowRegion() const { return window_region_; }

  FormGeometry geometry;
  bool visible = true;
  int invalidations = 0;
  int regions_set = 0;
  bool last_redraw = false;

 private:
  class Hook;

  PortableSkinPlatform& platform_;
  FormMessageSink* sink_ = nullptr;
  Region window_region_;
};

}  // namespace ozl::skin
