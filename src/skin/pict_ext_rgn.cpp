#include "skin/pict_ext_rgn.h"

#include <utility>

namespace ozl::skin {

std::uint32_t ColorToRgb(TColor color, SkinPlatform& platform) {
  if (color < 0) return platform.SystemColor(color & 0xFF);
  return static_cast<std::uint32_t>(color);
}

TPictExtRgn::TPictExtRgn(Component* owner, std::string_view name)
    : TExternalRegion("TPictExtRgn", owner, name) {}

void TPictExtRgn::SetGlyph(PixelImage glyph) {
  glyph_ = std::move(glyph);
  RegionChanged();
}

void TPictExtRgn::SetTransColor(TColor color) {
  if (color == trans_color_) return;
  trans_color_ = color;
  RegionChanged();
}

void TPictExtRgn::SetInverted(bool inverted) {
  if (inverted == inverted_) return;
  inverted_ = inverted;
  RegionChanged();
}

void TPictExtRgn::SetAlign(int index, TRegionAlignment alignment) {
  if (alignments_[index] == alignment) return;
  alignments_[index] = alignment;
  if (!glyph_.Empty()) RegionChanged();
}

RegionSource::Size TPictExtRgn::GetSourceSize() const {
  Size size;
  if (glyph_.Empty()) return size;
  if (HorAlign() == TRegionAlignment::raSource) size.width = glyph_.Width();
  if (VertAlign() == TRegionAlignment::raSource) size.height = glyph_.Height();
  return size;
}

skin::Region TPictExtRgn::CreateRegion() {
  if (glyph_.Empty()) return {};
  SkinPlatform& platform = Coordinator().Form().Platform();
  return BuildRegionFromPixels(platform.Regions(), glyph_.View(),
                               PixelOfColor(ColorToRgb(trans_color_, platform)), inverted_);
}

}  // namespace ozl::skin
