// Region operations without the platform, for the native tests, the fuzzer and the benchmarks.
// Regions live in this object's slots and are handed out as handles, so a handle from another
// set of operations or a freed one is caught instead of followed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "skin/region.h"
#include "skin/region_shape.h"

namespace ozl::skin {

class PortableRegionOps final : public RegionOps {
 public:
  // Bounds on what one set of operations may cost. An operation beyond them fails as a platform
  // call fails when it runs out of memory: creation gives no region, a combination gives false.
  struct Limits {
    RegionShape::RasterLimits raster;
    std::size_t max_spans = std::size_t{1} << 22;  // per region
    // The work of all operations together (see WorkBudget).
    std::uint64_t work_budget = std::numeric_limits<std::uint64_t>::max();
  };

  PortableRegionOps() = default;
  explicit PortableRegionOps(Limits limits) : limits_(limits), budget_(limits.work_budget) {}
  PortableRegionOps(const PortableRegionOps&) = delete;
  PortableRegionOps& operator=(const PortableRegionOps&) = delete;

  Region CreateRect(const Rect& rect) override;
  Region CreateEllipse(const Rect& bounds) override;
  Region CreateRoundRect(const Rect& bounds, std::int32_t corner_width,
                         std::int32_t corner_height) override;
  Region CreatePolygon(std::span<const Point> points, FillMode mode) override;
  Region CreateFromRects(std::span<const Rect> rects) override;
  Region Copy(const Region& region) override;
  bool Combine(Region& destination, const Region& operand, CombineMode mode) override;
  bool Offset(Region& region, std::int32_t dx, std::int32_t dy) override;
  Rect BoundingBox(const Region& region) override;
  bool Contains(const Region& region, Point point) override;
  std::vector<Rect> Rectangles(const Region& region) override;

  const RegionShape& Shape(const Region& region) const;
  // Regions made here and not yet freed.
  std::size_t LiveRegions() const { return slots_.size() - free_slots_.size(); }

 protected:
  void Free(RegionHandle handle) noexcept override;

 private:
  std::size_t SlotOf(const Region& region) const;
  RegionShape& ShapeOf(const Region& region);
  Region Store(std::optional<RegionShape> shape);

  Limits limits_;
  WorkBudget budget_;
  std::vector<std::optional<RegionShape>> slots_;
  std::vector<std::size_t> free_slots_;
};

}  // namespace ozl::skin
