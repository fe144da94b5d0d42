// The region components on real windows: the Windows platform of the toolkit, a FormHost for
// any window handle, and the hook on a window's procedure.
//
// A window that carries region components derives from skin::Component (the owner) and from
// HwndFormHost, and says which window it is. The window must exist before the first component
// is made. The program's windows are skin::ShapedForm (platform/skinned_form.h), whose own
// procedure tells the components of its messages; any other window is hooked as below.
//
// The hook subclasses the window while any region component lives. It handles WM_SIZE (the
// outline is evaluated again before the window's procedure sees the message), WM_NCHITTEST
// (client hits become caption hits with ClientDrag) and WM_PAINT without a device context: it
// calls BeginPaint itself and passes the context in wParam, so a hooked window's procedure must
// paint into the wParam context when there is one instead of calling BeginPaint again.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "skin/form_region.h"
#include "platform/gdi_region.h"

namespace ozl::skin {

class Win32SkinPlatform final : public SkinPlatform {
 public:
  using MessageHandler = std::function<void(std::string_view text)>;

  // Messages go to a message box titled with the program's name.
  Win32SkinPlatform();
  // Messages go to the handler instead (the tests collect them).
  explicit Win32SkinPlatform(MessageHandler show_message);

  RegionOps& Regions() override { return GdiRegions(); }
  std::uint32_t SystemColor(int index) override { return GetSysColor(index); }
  CaptionMetrics Captions() override { return captions_; }
  void ShowMessage(std::string_view text) override { show_message_(text); }
  void SetMessageHandler(MessageHandler show_message) { show_message_ = std::move(show_message); }

 private:
  CaptionMetrics captions_;
  MessageHandler show_message_;
};

// The platform the program's windows share.
Win32SkinPlatform& DefaultSkinPlatform();

class HwndFormHost : public FormHost {
 public:
  explicit HwndFormHost(SkinPlatform& platform = DefaultSkinPlatform()) : platform_(platform) {}

  virtual HWND FormHandle() const = 0;

  FormGeometry Geometry() const override;
  bool Visible() const override;
  void Invalidate() override;
  // After a successful SetWindowRgn the system owns the region; a refused one is freed here.
  void SetWindowRegion(Region region, bool redraw) override;
  std::unique_ptr<MessageHook> HookMessages(FormMessageSink& sink) override;
  SkinPlatform& Platform() override { return platform_; }

 protected:
  ~HwndFormHost() = default;

 private:
  SkinPlatform& platform_;
};

// Routes the window's WM_SIZE, WM_NCHITTEST and WM_PAINT as described above until the hook is
// destroyed or the window is. An exception from the sink is shown through the platform.
// std::runtime_error when the window cannot be hooked (it does not exist).
std::unique_ptr<MessageHook> HookWindowMessages(HWND window, FormMessageSink& sink,
                                                SkinPlatform& platform);

}  // namespace ozl::skin
