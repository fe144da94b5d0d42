#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "region_test_window.h"
#include "platform/bitmap_region.h"
#include "skin/form_region.h"
#include "skin/pict_ext_rgn.h"

namespace ozl::skin {
namespace {

using testing::Inside;
using testing::kSkinTransparent;
using testing::Painted;
using testing::RegionTestWindow;
using testing::WindowRegionOf;

class RegionForm : public ::testing::Test {
 protected:
  // A bitmap source aligned by its frame, as the skinned windows use them.
  std::unique_ptr<TPictExtRgn> Cartoon(RegionTestWindow& window, std::string_view name,
                                       HBITMAP bitmap) {
    auto cartoon = std::make_unique<TPictExtRgn>(&window, name);
    cartoon->SetTransColor(static_cast<TColor>(kSkinTransparent));
    cartoon->SetHorAlign(TRegionAlignment::raSource);
    cartoon->SetVertAlign(TRegionAlignment::raSource);
    cartoon->SetGlyph(ReadBitmapPixels(bitmap));
    return cartoon;
  }

  static void Resize(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  std::vector<std::string> messages;
  Win32SkinPlatform platform{[this](std::string_view text) { messages.emplace_back(text); }};
};

TEST_F(RegionForm, TheLoginReadingPutsTheSkinCornerOnTheWindowCorner) {
  RegionTestWindow window(platform, 197, 215);
  // The skin's top-left corner is cut off diagonally and it has a hole.
  const auto skin = Painted(196, 213, [](int x, int y) {
    const bool hole = x >= 50 && x < 60 && y >= 100 && y < 110;
    return x + y < 20 || hole ? kSkinTransparent : RGB(200, 10, 10);
  });
  auto cartoon = Cartoon(window, "Cartoon", skin.get());
  TFormRegion region(&window, "FormRegion1");
  region.SetRegion("TRBR,B,Cartoon");

  // The bitmap lies 1 pixel right and 2 down: its pixel (x, y) is the window's (x + 1, y + 2).
  const Region outline = WindowRegionOf(window.FormHandle());
  ASSERT_TRUE(outline);
  EXPECT_EQ(Inside(outline, {{0, 0}, {0, 100}, {1, 2}, {10, 11}, {100, 1}, {56, 107}, {196, 1}}),
            "");
  EXPECT_EQ(
      Inside(outline, {{1, 100}, {31, 32}, {50, 107}, {61, 107}, {196, 214}, {100, 2}, {11, 12}}),
      "(1,100)(31,32)(50,107)(61,107)(196,214)(100,2)(11,12)");
  EXPECT_TRUE(messages.empty());
}

TEST_F(RegionForm, TheListWindowTextJoinsTwoCapsAndABody) {
  constexpr int kScreenHeight = 768;
  RegionTestWindow window(platform, 180, kScreenHeight);
  // Rounded corners: the top cap's at its top, the bottom cap's at its bottom.
  const auto top = Painted(180, 44, [](int x, int y) {
    return x + y < 10 || (179 - x) + y < 10 ? kSkinTransparent : RGB(0, 0, 0);
  });
  const auto bottom = Painted(180, 111, [](int x, int y) {
    return x + (110 - y) < 10 || (179 - x) + (110 - y) < 10 ? kSkinTransparent : RGB(0, 0, 0);
  });
  auto cartoon1 = Cartoon(window, "Cartoon1", top.get());
  auto cartoon2 = Cartoon(window, "Cartoon2", bottom.get());
  TFormRegion region(&window, "FormRegion1");
  region.SetRegion("TLT0,0,Cartoon1\r\nTLB0,B,Cartoon2\r\nR0,44,180," +
                   std::to_string(kScreenHeight - 28));

  const Region outline = WindowRegionOf(window.FormHandle());
  ASSERT_TRUE(outline);
  EXPECT_EQ(Inside(outline, {{0, 0},
                             {5, 2},
                             {179, 0},
                             {176, 3},
                             {0, 767},
                             {179, 767},
                             {180, 300},
                             {3, 762},
                             {90, 768}}),
            "");
  EXPECT_EQ(Inside(outline, {{10, 0},
                             {90, 20},
                             {0, 44},
                             {0, 300},
                             {179, 656},
                             {179, 739},
                             {0, 740},
                             {5, 760},
                             {90, 767},
                             {169, 767}}),
            "(10,0)(90,20)(0,44)(0,300)(179,656)(179,739)(0,740)(5,760)(90,767)(169,767)");
  EXPECT_EQ(GdiRegions().BoundingBox(outline), (Rect{0, 0, 180, 768}));
}

TEST_F(RegionForm, AResizedWindowReadsItsTextsAgain) {
  RegionTestWindow window(platform, 200, 100);
  TMacrosExtRgn frame(&window, "Frame");
  frame.SetRegion("R0,0,W,H\r\nD\r\nR10,10,W-10,H-10");
  TFormRegion region(&window, "FormRegion1");
  region.SetRegion("TLT0,0,Frame\r\nR0,0,W/2,10");
  EXPECT_EQ(Inside(WindowRegionOf(window.FormHandle()), {{195, 95}, {50, 50}, {250, 5}}),
            "(195,95)");

  Resize(window.FormHandle(), 300, 150);
  EXPECT_EQ(
      Inside(WindowRegionOf(window.FormHandle()), {{295, 145}, {195, 95}, {149, 5}, {150, 12}}),
      "(295,145)(149,5)");

  // A text error at a resize cannot leave the window procedure; it is shown. The window text
  // was read once more before, when the text-defined source dropped its cache.
  region.SetOnSizeChanged([](TFormRegion&, std::string& text) { text = "Q"; });
  Resize(window.FormHandle(), 250, 150);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "FormRegion1, line1: Unknown command");
  EXPECT_EQ(Inside(WindowRegionOf(window.FormHandle()), {{245, 145}, {295, 145}}), "(245,145)");
}

TEST_F(RegionForm, SymbolsFollowTheFrameAndCaptionOfTheWindow) {
  for (const DWORD ex_style : {DWORD{0}, DWORD{WS_EX_TOOLWINDOW}}) {
    RegionTestWindow window(platform, 300, 200, WS_OVERLAPPEDWINDOW, ex_style);
    RECT frame;
    GetWindowRect(window.FormHandle(), &frame);
    RECT client;
    GetClientRect(window.FormHandle(), &client);
    POINT origin{0, 0};
    ClientToScreen(window.FormHandle(), &origin);
    const int x = origin.x - frame.left;
    const int c = origin.y - frame.top;
    const int caption = GetSystemMetrics(ex_style ? SM_CYSMCAPTION : SM_CYCAPTION);

    TFormRegion region(&window, "FormRegion1");
    region.SetRegion("RX,Y,R,B");
    EXPECT_EQ(GdiRegions().BoundingBox(WindowRegionOf(window.FormHandle())),
              (Rect{x, c - caption, x + client.right, c + client.bottom}));
    region.SetRegion("R0,0,W,H");
    EXPECT_EQ(GdiRegions().BoundingBox(WindowRegionOf(window.FormHandle())),
              (Rect{0, 0, frame.right - frame.left, frame.bottom - frame.top}));
  }
}

TEST_F(RegionForm, ClientDragTurnsClientHitsIntoCaptionHits) {
  RegionTestWindow window(platform, 300, 200, WS_OVERLAPPEDWINDOW);
  const HWND handle = window.FormHandle();
  RECT frame;
  GetWindowRect(handle, &frame);
  POINT client{50, 50};
  ClientToScreen(handle, &client);
  auto hit = [&](POINT point) {
    return SendMessageW(handle, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
  };
  const POINT on_caption{(frame.left + frame.right) / 2,
                         frame.top + GetSystemMetrics(SM_CYFRAME) + 3};
  const POINT on_left_border{frame.left + 1, (frame.top + frame.bottom) / 2};
  const LRESULT border_hit = hit(on_left_border);

  TFormRegion region(&window, "FormRegion1");
  EXPECT_EQ(hit(client), HTCLIENT);
  region.SetClientDrag(true);
  EXPECT_EQ(hit(client), HTCAPTION);
  EXPECT_EQ(hit(on_caption), HTCAPTION);
  EXPECT_EQ(hit(on_left_border), border_hit);
  EXPECT_NE(border_hit, HTCLIENT);
  region.SetClientDrag(false);
  EXPECT_EQ(hit(client), HTCLIENT);
}

TEST_F(RegionForm, TheWindowProcedureIsPutBackWhenTheLastComponentGoes) {
  RegionTestWindow window(platform, 100, 100);
  const LONG_PTR procedure = GetWindowLongPtrW(window.FormHandle(), GWLP_WNDPROC);
  auto region = std::make_unique<TFormRegion>(&window, "FormRegion1");
  auto macro = std::make_unique<TMacrosExtRgn>(&window, "Macro");
  EXPECT_NE(GetWindowLongPtrW(window.FormHandle(), GWLP_WNDPROC), procedure);
  region.reset();
  EXPECT_NE(GetWindowLongPtrW(window.FormHandle(), GWLP_WNDPROC), procedure);
  macro.reset();
  EXPECT_EQ(GetWindowLongPtrW(window.FormHandle(), GWLP_WNDPROC), procedure);
}

TEST_F(RegionForm, APaintWithoutAContextReachesTheWindowWithOne) {
  RegionTestWindow window(platform, 100, 100);
  ShowWindow(window.FormHandle(), SW_SHOWNOACTIVATE);
  UpdateWindow(window.FormHandle());
  RegionTestWindow::LastPaintContext() = 1;
  InvalidateRect(window.FormHandle(), nullptr, TRUE);
  UpdateWindow(window.FormHandle());
  EXPECT_EQ(RegionTestWindow::LastPaintContext(), 0u) << "unhooked, the window paints by itself";

  TFormRegion region(&window, "FormRegion1");
  InvalidateRect(window.FormHandle(), nullptr, TRUE);
  UpdateWindow(window.FormHandle());
  EXPECT_NE(RegionTestWindow::LastPaintContext(), 0u);
  RECT update;
  EXPECT_FALSE(GetUpdateRect(window.FormHandle(), &update, FALSE)) << "the paint cycle was closed";
}

TEST_F(RegionForm, MissingSourcesAreToldAndTheOutlineStays) {
  RegionTestWindow window(platform, 100, 100);
  TFormRegion region(&window, "FormRegion1");
  region.SetRegion("R0,0,50,50");
  region.SetRegion("TLT0,0,Nowhere");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "FormRegion1, line 1: External region NOWHERE not found");
  EXPECT_EQ(GdiRegions().BoundingBox(WindowRegionOf(window.FormHandle())), (Rect{0, 0, 50, 50}));
}

}  // namespace
}  // namespace ozl::skin
