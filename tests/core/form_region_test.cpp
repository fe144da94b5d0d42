#include "skin/form_region.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "skin/pict_ext_rgn.h"
#include "skin/portable_skin.h"
#include "skin_test_support.h"

namespace ozl::skin {
namespace {

using testing::Drawing;
using testing::Lines;
using Rects = std::vector<Rect>;

// The skins' colour as the windows store it.
constexpr TColor kSkinTransColor = 10107954;

class SkinComponents : public ::testing::Test {
 protected:
  Rects WindowRects() {
    const Region& region = form.WindowRegion();
    return region ? platform.Regions().Rectangles(region) : Rects{};
  }
  Rect WindowBox() {
    const Region& region = form.WindowRegion();
    return region ? platform.Regions().BoundingBox(region) : Rect{};
  }
  std::unique_ptr<TPictExtRgn> Cartoon(std::string_view name, PixelImage glyph) {
    auto cartoon = std::make_unique<TPictExtRgn>(&form, name);
    cartoon->SetTransColor(kSkinTransColor);
    cartoon->SetHorAlign(TRegionAlignment::raSource);
    cartoon->SetVertAlign(TRegionAlignment::raSource);
    cartoon->SetGlyph(std::move(glyph));
    return cartoon;
  }

  PortableSkinPlatform platform;
  PortableForm form{platform, "StartForm", 197, 215};
};

template <typename Error, typename Make>
std::string ErrorOf(Make make) {
  try {
    make();
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

TEST_F(SkinComponents, OnlyAWindowOwnsRegionComponentsAndOnlyOneFormRegion) {
  Component panel("TPanel", &form, "Panel1");
  EXPECT_EQ(ErrorOf<EOwnerMustBeForm>([&] { TFormRegion region(&panel, "FormRegion1"); }),
            "The owner of TFormRegion component must be the TForm descendant");
  EXPECT_EQ(ErrorOf<EOwnerMustBeForm>([&] { TPictExtRgn cartoon(&panel, "Cartoon"); }),
            "The owner of TPictExtRgn component must be the TForm descendant");
  EXPECT_EQ(ErrorOf<EOwnerMustBeForm>([&] { TMacrosExtRgn macro(nullptr, "Macro"); }),
            "The owner of TMacrosExtRgn component must be the TForm descendant");
  EXPECT_FALSE(form.Hooked());
  EXPECT_EQ(form.Components().size(), 1u) << "a refused component leaves its owner's list";

  TFormRegion first(&form, "FormRegion1");
  EXPECT_EQ(ErrorOf<EDuplicateComponent>([&] { TFormRegion second(&form, "FormRegion2"); }),
            "Only one TFormRegion component on a form is allowed");
  EXPECT_EQ(ErrorOf<EDuplicateComponent>([&] { TFormRegion second(&form, "FormRegion2"); }),
            "Only one TFormRegion component on a form is allowed");
}

TEST_F(SkinComponents, TheWindowIsHookedWhileAnyRegionComponentLives) {
  auto region = std::make_unique<TFormRegion>(&form, "FormRegion1");
  auto macro = std::make_unique<TMacrosExtRgn>(&form, "Macro");
  EXPECT_TRUE(form.Hooked());
  PortableForm other(platform, "ListForm", 180, 768);
  TMacrosExtRgn elsewhere(&other, "Macro");
  EXPECT_NE(TFRCoordinator::CoordinatorFor(form), TFRCoordinator::CoordinatorFor(other));
  EXPECT_EQ(TFRCoordinator::CoordinatorFor(form)->Sources().size(), 1u);
  region.reset();
  EXPECT_TRUE(form.Hooked());
  macro.reset();
  EXPECT_FALSE(form.Hooked());
  EXPECT_TRUE(other.Hooked());
}

TEST_F(SkinComponents, TheWorkedReadingPutsTheSkinOnTheBottomRightCorner) {
  PixelImage skin(196, 213, testing::kSkinTransparentPixel);
  for (int y = 10; y < 213; ++y) {
    for (int x = 0; x < 190; ++x) skin.Set(x, y, testing::kOpaquePixel);
  }
  auto cartoon = Cartoon("Cartoon", std::move(skin));
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("TRBR,B,Cartoon");
  EXPECT_EQ(WindowRects(), (Rects{{1, 12, 191, 215}}));
  EXPECT_TRUE(form.last_redraw);
}

TEST_F(SkinComponents, SettingATextAppliesItOrKeepsTheOutline) {
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("R0,0,W/2,H");
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 98, 215}}));
  EXPECT_EQ(form.regions_set, 1);

  // The window receives a copy; the component keeps its own.
  ASSERT_TRUE(region.EvaluatedRegion());
  EXPECT_NE(region.EvaluatedRegion().Handle(), form.WindowRegion().Handle());

  region.SetRegion("");
  EXPECT_EQ(form.regions_set, 1);
  EXPECT_EQ(form.invalidations, 1);
  EXPECT_FALSE(region.EvaluatedRegion());
  region.SetDrawOnDesigning(false);
  region.SetRegion("TLT0,0,Nowhere");
  EXPECT_EQ(form.invalidations, 1);
  EXPECT_EQ(platform.messages.size(), 1u);

  EXPECT_EQ(ErrorOf<ECannotTranslate>([&] { region.SetRegion("R0,0,1,1\r\nQ"); }),
            "FormRegion1, line2: Unknown command");
  EXPECT_EQ(region.Region(), "R0,0,1,1\r\nQ");
  EXPECT_FALSE(region.EvaluatedRegion());
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 98, 215}}));

  form.visible = false;
  region.SetRegion("R0,0,5,5");
  EXPECT_FALSE(form.last_redraw);
}

TEST_F(SkinComponents, SymbolsMeasureTheClientAreaFromTheWindowCorner) {
  // A framed window at (100, 100): 4-pixel borders and a 22-pixel caption above the client area.
  form.geometry = {100, 100, 200, 215, BorderStyle::kSingle, {104, 126}, 192, 185};
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("RX,Y,R,B");
  EXPECT_EQ(WindowRects(), (Rects{{4, 8, 196, 211}}));  // Y: 26 less the 18-pixel caption
  form.geometry.border_style = BorderStyle::kSizeToolWin;
  region.SetRegion("RX,Y,W,H");
  EXPECT_EQ(WindowRects(), (Rects{{4, 11, 200, 215}}));  // tool windows: the 15-pixel caption
}

TEST_F(SkinComponents, WhileLoadingTextsAreOnlyStored) {
  form.BeginLoading();
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("TLT0,0,Cartoon");
  auto cartoon = Cartoon("Cartoon", Drawing({"##", "#."}));
  EXPECT_EQ(form.regions_set, 0);
  EXPECT_TRUE(platform.messages.empty()) << "the source did not exist yet";
  form.EndLoading();
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 2, 1}, {0, 1, 1, 2}}));
}

TEST_F(SkinComponents, EveryResizeReadsTheTextAgain) {
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("R0,0,W/2,H");
  form.Resize(300, 100);
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 150, 100}}));

  int calls = 0;
  region.SetOnSizeChanged([&](TFormRegion& sender, std::string& text) {
    EXPECT_EQ(&sender, &region);
    ++calls;
    text = "R0,0,W,H/" + std::to_string(calls);
  });
  form.Resize(200, 100);
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 200, 100}}));
  EXPECT_EQ(region.Region(), "R0,0,W,H/1") << "the rewritten text is kept";
  form.Resize(200, 100);
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 200, 50}}));

  region.SetClientDrag(true);
  EXPECT_EQ(form.HitTestClient(), 2);
  region.SetClientDrag(false);
  EXPECT_EQ(form.HitTestClient(), 1);
}

TEST_F(SkinComponents, TextDefinedSourcesFollowTheWindowSize) {
  TMacrosExtRgn frame(&form, "Frame");
  frame.SetRegion(Lines({"R0,0,W,H", "D", "R10,10,W-10,H-10"}));
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("TLT0,0,Frame");
  EXPECT_EQ(WindowBox(), (Rect{0, 0, 197, 215}));
  EXPECT_TRUE(frame.HasRegionCache());
  form.Resize(50, 40);
  EXPECT_EQ(WindowRects(),
            (Rects{{0, 0, 50, 10}, {0, 10, 10, 30}, {40, 10, 50, 30}, {0, 30, 50, 40}}));

  // An unchanged text keeps the cache; a new one drops it and re-reads the window text.
  const int applied = form.regions_set;
  frame.SetRegion(frame.Region());
  EXPECT_EQ(form.regions_set, applied);
  frame.SetRegion("R0,0,5,5");
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 5, 5}}));
}

TEST_F(SkinComponents, ABitmapSourceChangeReadsTextsThatMentionItsName) {
  auto cartoon = Cartoon("Cartoon", Drawing({"#.", ".#"}));
  auto cartoon1 = Cartoon("Cartoon1", Drawing({"###"}));
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("TLT0,0,Cartoon1");
  const int applied = form.regions_set;

  // "Cartoon" is part of "Cartoon1": the text is read again although it does not use it.
  cartoon->SetTransColor(0);
  EXPECT_EQ(form.regions_set, applied + 1);
  cartoon->SetTransColor(0);
  cartoon->SetInverted(false);
  EXPECT_EQ(form.regions_set, applied + 1) << "equal values change nothing";
  cartoon1->SetInverted(true);
  EXPECT_EQ(form.regions_set, applied + 2);
  EXPECT_EQ(WindowRects(), Rects{});
  EXPECT_TRUE(form.WindowRegion()) << "an empty outline is still an outline";
}

TEST_F(SkinComponents, AlignmentsMatterOnlyWithABitmap) {
  TPictExtRgn cartoon(&form, "Cartoon");
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("R0,0,1,1\r\nTRBR,B,Cartoon");
  const int applied = form.regions_set;
  cartoon.SetHorAlign(TRegionAlignment::raSource);
  cartoon.SetVertAlign(TRegionAlignment::raSource);
  EXPECT_EQ(form.regions_set, applied);
  EXPECT_EQ(cartoon.HorAlign(), TRegionAlignment::raSource);
  EXPECT_EQ(cartoon.GetSourceSize().width, -1);
  EXPECT_EQ(cartoon.GetSourceSize().height, -1);
  EXPECT_FALSE(cartoon.GetRegionCopy());
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 1, 1}})) << "a source without a bitmap adds nothing";

  cartoon.SetTransColor(kSkinTransColor);
  cartoon.SetGlyph(Drawing({"....", ".##.", "...."}));
  EXPECT_EQ(cartoon.GetSourceSize().width, 4);
  EXPECT_EQ(cartoon.GetSourceSize().height, 3);
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 1, 1}, {194, 213, 196, 214}}));
  cartoon.SetHorAlign(TRegionAlignment::raResult);
  EXPECT_EQ(cartoon.GetSourceSize().width, -1);
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 1, 1}, {195, 213, 197, 214}}));
}

TEST_F(SkinComponents, SystemTransparentColoursAreLookedUpWhenTheOutlineIsBuilt) {
  constexpr TColor kButtonFace = static_cast<TColor>(0xFF00000F);
  auto cartoon = Cartoon("Cartoon", Drawing({"#."}));
  cartoon->SetTransColor(kButtonFace);
  platform.system_colors[15] = 10107954;
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("TLT0,0,Cartoon");
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 1, 1}}));
}

TEST_F(SkinComponents, SourcesCacheUnlessTheyDoNotOwnTheirRegion) {
  // Each build of this text reports its missing source once: the messages count the builds.
  TMacrosExtRgn macro(&form, "Macro");
  macro.SetRegion(Lines({"R0,0,5,5", "TLT0,0,Nowhere"}));
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion(Lines({"TLT0,0,Macro", "TLT10,0,Macro"}));
  EXPECT_EQ(platform.messages.size(), 1u);
  EXPECT_EQ(platform.messages[0], "Macro, line 2: External region NOWHERE not found");
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 5, 5}, {10, 0, 15, 5}}));

  macro.SetOwnRegion(false);
  macro.RegionChanged();
  EXPECT_EQ(platform.messages.size(), 3u);
  EXPECT_FALSE(macro.HasRegionCache());
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 5, 5}, {10, 0, 15, 5}}));
}

TEST_F(SkinComponents, RenamingASourceRewritesTheTextsThatUseIt) {
  auto cartoon = Cartoon("Cartoon", Drawing({"#"}));
  TMacrosExtRgn macro(&form, "Macro");
  macro.SetRegion("TLT1,1,cartoon\r\nTLT3,3,CARTOON");
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("TRBR,B,Cartoon\r\nTLT0,0,Macro");

  cartoon->SetName("Cartoon2");
  EXPECT_EQ(region.Region(), "TRBR,B,Cartoon2\r\nTLT0,0,Macro");
  EXPECT_EQ(macro.Region(), "TLT1,1,Cartoon2\r\nTLT3,3,Cartoon2");
  EXPECT_TRUE(cartoon->OldName().empty());
  // The macro's outline is aligned by its own bounding box, which starts at (1, 1).
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 1, 1}, {2, 2, 3, 3}, {196, 214, 197, 215}}));

  // The replacement goes on after the inserted name: a new name containing the old one is
  // inserted once per occurrence.
  cartoon->SetName("Cartoon2Cartoon2");
  EXPECT_EQ(region.Region(), "TRBR,B,Cartoon2Cartoon2\r\nTLT0,0,Macro");

  // Naming a source that was never named rewrites nothing.
  TMacrosExtRgn unnamed(&form, "");
  unnamed.SetName("Macro");
  EXPECT_EQ(region.Region(), "TRBR,B,Cartoon2Cartoon2\r\nTLT0,0,Macro");
}

TEST_F(SkinComponents, TextsThatPlaceThemselvesAreCrossLinks) {
  TMacrosExtRgn first(&form, "First");
  TMacrosExtRgn second(&form, "Second");
  first.SetRegion("TLT0,0,Second");
  second.SetRegion("R0,0,1,1\r\nTLT0,0,First");
  TFormRegion region(&form, "FormRegion1");
  EXPECT_EQ(ErrorOf<EExtRgnCrossLink>([&] { region.SetRegion("TLT0,0,First"); }),
            "Second recursively links to itself in line 2");
  EXPECT_TRUE(TFRCoordinator::CoordinatorFor(form)->TranslationStack().empty());

  TMacrosExtRgn self(&form, "Self");
  self.SetRegion("TLT0,0,SELF");
  EXPECT_EQ(ErrorOf<EExtRgnCrossLink>([&] { region.SetRegion("TLT0,0,Self"); }),
            "Self recursively links to itself in line 1");
  EXPECT_EQ(ErrorOf<EExtRgnCrossLink>([&] { region.SetRegion("TLT0,0,FormRegion1"); }),
            "FormRegion1 recursively links to itself in line 1");
  EXPECT_EQ(platform.Regions().LiveRegions(), form.WindowRegion() ? 1u : 0u);
}

TEST_F(SkinComponents, AFailureInsideANestedTextLeavesTheOuterTextWithoutRegion) {
  TMacrosExtRgn broken(&form, "Broken");
  broken.SetRegion("R0,0,W/(H-H),1");
  TFormRegion region(&form, "FormRegion1");
  region.SetRegion("R0,0,5,5");
  region.SetRegion(Lines({"R0,0,10,10", "TLT0,0,Broken", "R20,0,30,10"}));
  EXPECT_FALSE(region.EvaluatedRegion());
  EXPECT_EQ(WindowRects(), (Rects{{0, 0, 5, 5}}));
  EXPECT_TRUE(TFRCoordinator::CoordinatorFor(form)->TranslationStack().empty());

  TMacrosExtRgn wrong(&form, "Wrong");
  wrong.SetRegion("R0,0");
  EXPECT_EQ(ErrorOf<ECannotTranslate>([&] { region.SetRegion("TLT0,0,Wrong"); }),
            "Wrong, line1: Invalid number of parameters");
}

}  // namespace
}  // namespace ozl::skin
