#include "skin/portable_region.h"

#include <stdexcept>
#include <utility>

namespace ozl::skin {

Region PortableRegionOps::Store(std::optional<RegionShape> shape) {
  if (!shape || shape->SpanCount() > limits_.max_spans || !Charge(shape->SpanCount())) return {};
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

Region PortableRegionOps::Adopt(RegionShape shape) { return Store(std::move(shape)); }

bool PortableRegionOps::Charge(std::uint64_t work) {
  if (work > limits_.work_budget - work_done_) {
    work_done_ = limits_.work_budget;
    return false;
  }
  work_done_ += work;
  return true;
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
  return Store(RegionShape::FromRect(rect));
}

Region PortableRegionOps::CreateEllipse(const Rect& bounds) {
  return Store(RegionShape::Ellipse(bounds, limits_.raster));
}

Region PortableRegionOps::CreateRoundRect(const Rect& bounds, std::int32_t corner_width,
                                          std::int32_t corner_height) {
  return Store(RegionShape::RoundRect(bounds, corner_width, corner_height, limits_.raster));
}

Region PortableRegionOps::CreatePolygon(std::span<const Point> points, FillMode mode) {
  if (!Charge(points.size())) return {};
  return Store(RegionShape::Polygon(points, mode, limits_.raster));
}

Region PortableRegionOps::CreateFromRects(std::span<const Rect> rects) {
  if (!Charge(rects.size())) return {};
  return Store(RegionShape::FromRects(rects));
}

Region PortableRegionOps::Copy(const Region& region) { return Store(ShapeOf(region)); }

bool PortableRegionOps::Combine(Region& destination, const Region& operand, CombineMode mode) {
  RegionShape& target = ShapeOf(destination);
  const RegionShape& other = ShapeOf(operand);
  if (!Charge(target.SpanCount() + other.SpanCount() + target.BandCount() + other.BandCount())) {
    return false;
  }
  RegionShape result = RegionShape::Combine(target, other, mode);
  if (result.SpanCount() > limits_.max_spans || !Charge(result.SpanCount())) return false;
  target = std::move(result);
  return true;
}

bool PortableRegionOps::Offset(Region& region, std::int32_t dx, std::int32_t dy) {
  return ShapeOf(region).Offset(dx, dy);
}

Rect PortableRegionOps::BoundingBox(const Region& region) { return ShapeOf(region).BoundingBox(); }

bool PortableRegionOps::Contains(const Region& region, Point point) {
  return ShapeOf(region).Contains(point);
}

std::vector<Rect> PortableRegionOps::Rectangles(const Region& region) {
  return ShapeOf(region).Rectangles();
}

}  // namespace ozl::skin
