#include "platform/skin_platform.h"

#include <commctrl.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/text.h"

namespace ozl::skin {
namespace {

// Message boxes are titled with the program's file name without its extension.
std::wstring ProgramTitle() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring title(path, length);
  title = title.substr(title.find_last_of(L"\\/") + 1);
  return title.substr(0, title.rfind(L'.'));
}

// The border style the window's styles amount to. A window without caption and sizing frame is
// borderless, whether or not it stays off the taskbar as a tool window.
BorderStyle BorderStyleOf(HWND window) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
  const bool sizeable = (style & WS_THICKFRAME) != 0;
  const bool tool = (ex_style & WS_EX_TOOLWINDOW) != 0;
  if ((style & WS_CAPTION) != WS_CAPTION && !sizeable) return BorderStyle::kNone;
  if (sizeable) return tool ? BorderStyle::kSizeToolWin : BorderStyle::kSizeable;
  if (tool) return BorderStyle::kToolWindow;
  if (ex_style & WS_EX_DLGMODALFRAME) return BorderStyle::kDialog;
  return BorderStyle::kSingle;
}

class SubclassHook final : public MessageHook {
 public:
  SubclassHook(HWND window, FormMessageSink& sink, SkinPlatform& platform)
      : window_(window), sink_(sink), platform_(platform) {
    if (!SetWindowSubclass(window_, Procedure, Id(), reinterpret_cast<DWORD_PTR>(this))) {
      throw std::runtime_error("the window's messages cannot be hooked");
    }
  }

  ~SubclassHook() override {
    if (attached_) RemoveWindowSubclass(window_, Procedure, Id());
  }

 private:
  UINT_PTR Id() const { return reinterpret_cast<UINT_PTR>(this); }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                    UINT_PTR id, DWORD_PTR data) {
    auto* hook = reinterpret_cast<SubclassHook*>(data);
    switch (message) {
      case WM_SIZE: {
        // The sink may destroy the last region component, and this hook with it.
        SkinPlatform& platform = hook->platform_;
        try {
          hook->sink_.Resized();
        } catch (const std::exception& error) {
          platform.ShowMessage(error.what());
        }
        break;
      }
      case WM_NCHITTEST: {
        const LRESULT hit = DefSubclassProc(window, message, wparam, lparam);
        return hit == HTCLIENT && hook->sink_.ClientDrag() ? HTCAPTION : hit;
      }
      case WM_PAINT:
        if (wparam == 0) {
          PAINTSTRUCT paint;
          const HDC dc = BeginPaint(window, &paint);
          const LRESULT result =
              DefSubclassProc(window, message, reinterpret_cast<WPARAM>(dc), lparam);
          EndPaint(window, &paint);
          return result;
        }
        break;
      case WM_NCDESTROY:
        hook->attached_ = false;
        RemoveWindowSubclass(window, Procedure, id);
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
  }

  HWND window_;
  FormMessageSink& sink_;
  SkinPlatform& platform_;
  bool attached_ = true;
};

}  // namespace

Win32SkinPlatform::Win32SkinPlatform()
    : Win32SkinPlatform([](std::string_view text) {
        MessageBoxW(GetActiveWindow(), platform::Widen(text).c_str(), ProgramTitle().c_str(),
                    MB_OK);
      }) {}

Win32SkinPlatform::Win32SkinPlatform(MessageHandler show_message)
    : captions_{GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYSMCAPTION)},
      show_message_(std::move(show_message)) {}

Win32SkinPlatform& DefaultSkinPlatform() {
  static Win32SkinPlatform platform;
  return platform;
}

FormGeometry HwndFormHost::Geometry() const {
  const HWND window = FormHandle();
  RECT frame{};
  GetWindowRect(window, &frame);
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  FormGeometry geometry;
  geometry.left = frame.left;
  geometry.top = frame.top;
  geometry.width = frame.right - frame.left;
  geometry.height = frame.bottom - frame.top;
  geometry.border_style = BorderStyleOf(window);
  geometry.client_origin = {origin.x, origin.y};
  geometry.client_width = client.right;
  geometry.client_height = client.bottom;
  return geometry;
}

bool HwndFormHost::Visible() const { return IsWindowVisible(FormHandle()) != FALSE; }

void HwndFormHost::Invalidate() { InvalidateRect(FormHandle(), nullptr, TRUE); }

void HwndFormHost::SetWindowRegion(Region region, bool redraw) {
  if (SetWindowRgn(FormHandle(), GdiRegionOps::HandleOf(region), redraw ? TRUE : FALSE)) {
    region.Release();
  }
}

std::unique_ptr<MessageHook> HwndFormHost::HookMessages(FormMessageSink& sink) {
  return HookWindowMessages(FormHandle(), sink, platform_);
}

std::unique_ptr<MessageHook> HookWindowMessages(HWND window, FormMessageSink& sink,
                                                SkinPlatform& platform) {
  return std::make_unique<SubclassHook>(window, sink, platform);
}

}  // namespace ozl::skin
