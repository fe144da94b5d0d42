// Arbitrary region texts on a window with a bitmap source, a source without a bitmap and two
// text-defined sources, one of whose text comes from the input too. Input: the macro source's
// text, a NUL byte, the window's text. Errors of the language are expected; anything else, a
// sanitizer report, a region left behind or a stack left non-empty is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "skin/form_region.h"
#include "skin/pict_ext_rgn.h"
#include "skin/portable_skin.h"

namespace {

using namespace ozl::skin;

constexpr std::size_t kMaxMacroText = 256;

PixelImage SkinPicture() {
  // A 24 x 16 outline with a notch and a hole.
  PixelImage image(24, 16, 0x00FFFFFF);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) {
      const bool notch = x + y < 5;
      const bool hole = x >= 10 && x < 14 && y >= 6 && y < 9;
      if (notch || hole) image.Set(x, y, PixelOfColor(kDefaultTransColor));
    }
  }
  return image;
}

PortableRegionOps::Limits FuzzLimits() {
  PortableRegionOps::Limits limits;
  limits.raster.max_rows = 4096;
  limits.raster.max_row_edges = 1 << 20;
  limits.max_spans = 1 << 16;
  limits.work_budget = 1 << 17;
  return limits;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string_view macro_text = split == std::string_view::npos
                                          ? std::string_view{}
                                          : input.substr(0, std::min(split, kMaxMacroText));
  const std::string_view window_text =
      split == std::string_view::npos ? input : input.substr(split + 1);

  PortableSkinPlatform platform(FuzzLimits());
  {
    PortableForm form(platform, "Form", 197, 215);
    TPictExtRgn cartoon(&form, "Cartoon");
    cartoon.SetHorAlign(TRegionAlignment::raSource);
    cartoon.SetGlyph(SkinPicture());
    TPictExtRgn empty(&form, "Empty");
    TMacrosExtRgn macro(&form, "Macro");
    macro.SetRegion(macro_text);
    TMacrosExtRgn rebuilt(&form, "Rebuilt");
    rebuilt.SetOwnRegion(false);
    rebuilt.SetRegion("TCC0,0,Cartoon\r\nX\r\nE-5,-5,W/20,H/20\r\nTLT3,3,Macro");
    TFormRegion region(&form, "FormRegion1");
    const auto coordinator = TFRCoordinator::CoordinatorFor(form);

    try {
      region.SetRegion(window_text);
    } catch (const SkinError&) {
    }
    Check(coordinator->TranslationStack().empty());
    try {
      form.Resize(90, 1000);
    } catch (const SkinError&) {
    }
    Check(coordinator->TranslationStack().empty());
    try {
      cartoon.SetName("Picture");
    } catch (const SkinError&) {
    }
    Check(coordinator->TranslationStack().empty());
  }
  Check(platform.Regions().LiveRegions() == 0);
  return 0;
}
