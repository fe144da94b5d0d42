#include "skin/portable_region.h"

#include <stdexcept>
#include <utility>

namespace ozl::skin {

Region PortableRegionOps::Store(std::optional<RegionShape> shape) {
  if (!shape || shape->SpanCount() > limits_.max_spans) return {};
  std::size_t slot = 0;
  if (free_slots_.empty()) {
    slot = slots_.size();
    slots_.emplace_back(std::move(*shape));
  } else {
    slot = free_slots_.back();
    free_slots_.pop_back();
    slots_[slot].emplace(std::move(*shape));
  }
  return Region(*this, slot + 1);
}

std::size_t PortableRegionOps::SlotOf(const Region& region) const {
  const RegionHandle handle = region.Handle();
  if (region.Ops() != this || handle == 0 || handle > slots_.size() || !slots_[handle - 1]) {
    throw std::invalid_argument("region handle of another set of region operations");
  }
  return handle - 1;
}

RegionShape& PortableRegionOps::ShapeOf(const Region& region) { return *slots_[SlotOf(region)]; }

const RegionShape& PortableRegionOps::Shape(const Region& region) const {
  return *slots_[SlotOf(region)];
}

void PortableRegionOps::Free(RegionHandle handle) noexcept {
  if (handle == 0 || handle > slots_.size() || !slots_[handle - 1]) return;
  slots_[handle - 1].reset();
  free_slots_.push_back(handle - 1);
}

Region PortableRegionOps::CreateRect(const Rect& rect) {
  if (!budget_.Spend(1)) return {};
  return Store(RegionShape::FromRect(rect));
}

Region PortableRegionOps::CreateEllipse(const Rect& bounds) {
  return Store(RegionShape::Ellipse(bounds, limits_.raster, budget_));
}

Region PortableRegionOps::CreateRoundRect(const Rect& bounds, std::int32_t corner_width,
                                          std::int32_t corner_height) {
  return Store(
      RegionShape::RoundRect(bounds, corner_width, corner_height, limits_.raster, budget_));
}

Region PortableRegionOps::CreatePolygon(std::span<const Point> points, FillMode mode) {
  return Store(RegionShape::Polygon(points, mode, limits_.raster, budget_));
}

Region PortableRegionOps::CreateFromRects(std::span<const Rect> rects) {
  return Store(RegionShape::FromRects(rects, budget_, limits_.max_spans));
}

Region PortableRegionOps::Copy(const Region& region) {
  const RegionShape& shape = ShapeOf(region);
  if (!budget_.Spend(1 + shape.SpanCount() + shape.BandCount())) return {};
  return Store(shape);
}

bool PortableRegionOps::Combine(Region& destination, const Region& operand, CombineMode mode) {
  RegionShape& target = ShapeOf(destination);
  std::optional<RegionShape> result =
      RegionShape::Combine(target, ShapeOf(operand), mode, budget_, limits_.max_spans);
  if (!result) return false;
  target = std::move(*result);
  return true;
}

bool PortableRegionOps::Offset(Region& region, std::int32_t dx, std::int32_t dy) {
  RegionShape& shape = ShapeOf(region);
  return budget_.Spend(1 + shape.SpanCount() + shape.BandCount()) && shape.Offset(dx, dy);
}

Rect PortableRegionOps::BoundingBox(const Region& region) {
  const RegionShape& shape = ShapeOf(region);
  budget_.Spend(shape.BandCount());
  return shape.BoundingBox();
}

bool PortableRegionOps::Contains(const Region& region, Point point) {
  return ShapeOf(region).Contains(point);
}

std::vector<Rect> PortableRegionOps::Rectangles(const Region& region) {
  return ShapeOf(region).Rectangles();
}

}  // namespace ozl::skin
