// A top-level borderless window painted with its skin, and the panel that hosts buttons.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/controls.h"
#include "platform/window.h"
#include "skin/form_region.h"

namespace ozl::platform {

// A child window with a background colour that hosts windowless controls and gives them the mouse.
class Panel : public Window, public ControlHost {
 public:
  Panel(Window& parent, int left, int top, int width, int height, COLORREF colour);
  HWND HostWindow() const override { return hwnd(); }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  COLORREF colour_;
};

class Form : public Window, public ControlHost {
 public:
  // Every window but two is borderless; those two have the system's frame and title bar.
  enum class Frame { kNone, kFixed, kSizeable };

  struct Options {
    int client_width = 0;
    int client_height = 0;
    COLORREF background = GetSysColor(COLOR_INFOBK);
    bool stay_on_top = false;
    bool show_in_taskbar = true;
    // Every hit test on the window's own surface answers "caption": drag it by any free point.
    bool drag_by_surface = true;
    // Placed in the middle of the screen the first time it is shown.
    bool centred = true;
    HCURSOR cursor = nullptr;
    const wchar_t* skin = nullptr;  // the BITMAP resource painted as the window's face
    std::string title{};  // Windows-1251
    Frame frame = Frame::kNone;
    // Where the window's top-left corner first shows on the screen, rather than the middle.
    std::optional<POINT> position{};
  };

  HWND HostWindow() const override { return hwnd(); }

  void Show();
  void Hide();
  bool visible() const { return IsWindowVisible(hwnd()) != FALSE; }
  void BringToTop();
  // Asks the window to close, as the user would.
  void Close();
  // Shows the window and returns once it is hidden or gone; meanwhile the program's other windows
  // take no input.
  void ShowModal();

  int ClientWidth() const;
  int ClientHeight() const;
  const Bitmap& skin() const { return skin_; }

  // The region components learn of the window's resizes and hit tests through its own procedure,
  // until the returned hook is destroyed: WM_SIZE reaches `sink` before the form handles it, and
  // a hit on the client area counts as a caption hit while the sink says ClientDrag. Failures of
  // the sink are shown through `platform`.
  std::unique_ptr<skin::MessageHook> RouteRegionMessages(skin::FormMessageSink& sink,
                                                         skin::SkinPlatform& platform);

  // Minimising to the tray hides every visible form; the tray's double-click shows them again.
  static void HideAllToTray();
  static void ShowAllFromTray();

 protected:
  explicit Form(Options options);
  ~Form() override;

  enum class CloseAction { kHide, kDestroy, kKeep };
  virtual void FormShow() {}
  virtual void FormActivate() {}
  virtual CloseAction FormClose() { return CloseAction::kHide; }
  // Paints the skin with its bottom-right corner on the window's bottom-right corner.
  virtual void FormPaint(HDC dc);

  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  class RegionRoute;

  Options options_;
  skin::FormMessageSink* region_sink_ = nullptr;
  skin::SkinPlatform* region_platform_ = nullptr;
  Bitmap skin_;
  bool shown_before_ = false;
  bool modal_ = false;
};

// Places a window of the given outer size in the middle of the primary screen.
POINT CentredOnScreen(int width, int height);

// The program's own top-level window with exactly this title, or none. Titles are not unique on
// a desktop: a second copy of the program names its message windows with the same ids.
HWND FindOwnWindow(const std::string& title);

}  // namespace ozl::platform
