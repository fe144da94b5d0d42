// The region operations on GDI regions: what the windows of the program are shaped with.
#pragma once

#include <windows.h>

#include "platform/handles.h"
#include "skin/region.h"

namespace ozl::skin {

class GdiRegionOps final : public RegionOps {
 public:
  // The region handle inside a Region made by GdiRegionOps (std::invalid_argument otherwise).
  static HRGN HandleOf(const Region& region);
  Region Adopt(HRGN region);

  Region CreateRect(const Rect& rect) override;
  Region CreateEllipse(const Rect& bounds) override;
  Region CreateRoundRect(const Rect& bounds, std::int32_t corner_width,
                         std::int32_t corner_height) override;
  Region CreatePolygon(std::span<const Point> points, FillMode mode) override;
  // One ExtCreateRegion call; the platform unites the rectangles one by one.
  Region CreateFromRects(std::span<const Rect> rects) override;
  Region Copy(const Region& region) override;
  bool Combine(Region& destination, const Region& operand, CombineMode mode) override;
  bool Offset(Region& region, std::int32_t dx, std::int32_t dy) override;
  Rect BoundingBox(const Region& region) override;
  bool Contains(const Region& region, Point point) override;
  std::vector<Rect> Rectangles(const Region& region) override;

 protected:
  void Free(RegionHandle handle) noexcept override;
  void HandedOver(RegionHandle handle) noexcept override;
};

// The process's GDI region operations. Never destroyed, so regions held by objects of static
// lifetime can still be freed at exit.
GdiRegionOps& GdiRegions();

}  // namespace ozl::skin
