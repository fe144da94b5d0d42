// A region source made from a skin bitmap: the outline of its pixels that differ from the
// transparent colour. The T command aligns either that outline's bounding box (raResult) or the
// bitmap's whole frame (raSource), per axis.
#pragma once

#include "skin/bitmap_region.h"
#include "skin/form_region.h"

namespace ozl::skin {

enum class TRegionAlignment { raResult, raSource };

// Gray, red 128, green 128, blue 128.
inline constexpr TColor kDefaultTransColor = 32896;

class TPictExtRgn final : public TExternalRegion {
 public:
  TPictExtRgn(Component* owner, std::string_view name);

  const PixelImage& Glyph() const { return glyph_; }
  // Each setter that changes something drops the cached outline and re-evaluates the window's
  // texts that mention this source (the alignments only when there is a bitmap).
  void SetGlyph(PixelImage glyph);
  TColor TransColor() const { return trans_color_; }
  void SetTransColor(TColor color);
  bool Inverted() const { return inverted_; }
  void SetInverted(bool inverted);
  TRegionAlignment HorAlign() const { return alignments_[0]; }
  void SetHorAlign(TRegionAlignment alignment) { SetAlign(0, alignment); }
  TRegionAlignment VertAlign() const { return alignments_[1]; }
  void SetVertAlign(TRegionAlignment alignment) { SetAlign(1, alignment); }

  Size GetSourceSize() const override;

 protected:
  skin::Region CreateRegion() override;

 private:
  void SetAlign(int index, TRegionAlignment alignment);

  PixelImage glyph_;
  TColor trans_color_ = kDefaultTransColor;
  bool inverted_ = false;
  TRegionAlignment alignments_[2] = {TRegionAlignment::raResult, TRegionAlignment::raResult};
};

// The colour (red low) of a TColor, system colours looked up now.
std::uint32_t ColorToRgb(TColor color, SkinPlatform& platform);

}  // namespace ozl::skin
