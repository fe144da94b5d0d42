// Plain windows for the region suites: a popup of a chosen size that region components can own,
// bitmaps drawn pixel by pixel, and the window region read back.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/bitmap.h"
#include "platform/handles.h"
#include "platform/bitmap_region.h"
#include "skin/component.h"
#include "platform/skin_platform.h"
#include "platform/gdi_region.h"

namespace ozl::skin::testing {

// The skins' transparent colour: red 50, green 60, blue 154.
inline constexpr COLORREF kSkinTransparent = RGB(50, 60, 154);

class RegionTestWindow final : public Component, public HwndFormHost {
 public:
  RegionTestWindow(SkinPlatform& platform, int width, int height, DWORD style = WS_POPUP,
                   DWORD ex_style = 0)
      : Component("TForm", nullptr, "TestForm"), HwndFormHost(platform) {
    window_.reset(CreateWindowExW(ex_style, ClassName(), L"", style, 100, 100, width, height,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  }

  HWND FormHandle() const override { return window_.get(); }

  // The wParam of the last WM_PAINT the window's own procedure received.
  static WPARAM& LastPaintContext() {
    static WPARAM context = 0;
    return context;
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
      LastPaintContext() = wparam;
      if (wparam == 0) {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
      }
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  static const wchar_t* ClassName() {
    static const ATOM atom = [] {
      WNDCLASSEXW window_class{};
      window_class.cbSize = sizeof window_class;
      window_class.lpfnWndProc = Procedure;
      window_class.hInstance = GetModuleHandleW(nullptr);
      window_class.lpszClassName = L"OzlRegionTestWindow";
      return RegisterClassExW(&window_class);
    }();
    return atom != 0 ? L"OzlRegionTestWindow" : nullptr;
  }

  platform::UniqueWindow window_;
};

// A 24-bit bitmap whose pixel (x, y) has the colour paint(x, y).
inline platform::UniqueBitmap Painted(int width, int height,
                                      const std::function<COLORREF(int x, int y)>& paint) {
  // The skins are 24-bit bitmaps; reading them converts them to 32 bits per pixel.
  BITMAPINFO format = platform::TopDown32BitFormat(width, height);
  format.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  platform::UniqueBitmap bitmap(
      CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  const int stride = (width * 3 + 3) & ~3;
  auto* bytes = static_cast<BYTE*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF colour = paint(x, y);
      BYTE* pixel = bytes + y * stride + x * 3;
      pixel[0] = GetBValue(colour);
      pixel[1] = GetGValue(colour);
      pixel[2] = GetRValue(colour);
    }
  }
  GdiFlush();
  return bitmap;
}

// The window's region as GetWindowRgn gives it, or none when it has no region.
inline Region WindowRegionOf(HWND window) {
  Region region = GdiRegions().CreateRect({0, 0, 0, 0});
  if (GetWindowRgn(window, GdiRegionOps::HandleOf(region)) == ERROR) return {};
  return region;
}

// The points of the list that the region contains, as text for readable failures.
inline std::string Inside(const Region& region, const std::vector<POINT>& points) {
  std::string inside;
  for (const POINT& point : points) {
    if (PtInRegion(GdiRegionOps::HandleOf(region), point.x, point.y)) {
      inside += "(" + std::to_string(point.x) + "," + std::to_string(point.y) + ")";
    }
  }
  return inside;
}

}  // namespace ozl::skin::testing
