// A region as a value: horizontal bands of equal spans, the same y-x banded form the platform
// keeps, so a rectangle list read from it matches the platform's list exactly. Shapes made of
// rectangles, offsets and combinations agree with the platform pixel for pixel; curved and
// slanted edges are rasterised at pixel centres, close to but not always the platform's pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "skin/region.h"

namespace ozl::skin {

// Units of work an operation may still do: spans and bands read or written, rows rasterised.
// Operations spend as they go and give up when it runs out, so a budget bounds the time.
class WorkBudget {
 public:
  WorkBudget() = default;
  explicit WorkBudget(std::uint64_t units) : left_(units) {}

  bool Spend(std::uint64_t units) {
    if (units > left_) {
      left_ = 0;
      return false;
    }
    left_ -= units;
    return true;
  }

 private:
  std::uint64_t left_ = UINT64_MAX;
};

class RegionShape {
 public:
  struct Span {
    std::int32_t left = 0;
    std::int32_t right = 0;
    friend bool operator==(const Span&, const Span&) = default;
  };

  // Curved and slanted shapes are drawn row by row; beyond these limits a shape is refused, as
  // the platform refuses what it has no memory for.
  struct RasterLimits {
    std::int64_t max_rows = 1 << 16;
    std::int64_t max_row_edges = 1 << 24;  // rows times polygon edges
  };

  RegionShape() = default;

  // Each operation gives none when it exceeds its limits or runs out of budget; max_spans bounds
  // the result.
  static RegionShape FromRect(const Rect& rect);
  // Rectangles with left >= right or top >= bottom are left out, not normalised.
  static std::optional<RegionShape> FromRects(std::span<const Rect> rects, WorkBudget& budget,
                                              std::size_t max_spans = SIZE_MAX);
  static std::optional<RegionShape> RoundRect(const Rect& bounds, std::int32_t corner_width,
                                              std::int32_t corner_height,
                                              const RasterLimits& limits, WorkBudget& budget);
  static std::optional<RegionShape> Ellipse(const Rect& bounds, const RasterLimits& limits,
                                            WorkBudget& budget);
  static std::optional<RegionShape> Polygon(std::span<const Point> points, FillMode mode,
                                            const RasterLimits& limits, WorkBudget& budget);
  static std::optional<RegionShape> Combine(const RegionShape& first, const RegionShape& second,
                                            CombineMode mode, WorkBudget& budget,
                                            std::size_t max_spans = SIZE_MAX);
  // False, leaving the shape as it was, when a coordinate would leave the 32-bit range.
  bool Offset(std::int32_t dx, std::int32_t dy);

  bool Empty() const { return bands_.empty(); }
  Rect BoundingBox() const;
  bool Contains(Point point) const;
  std::vector<Rect> Rectangles() const;
  std::size_t SpanCount() const { return spans_.size(); }
  std::size_t BandCount() const { return bands_.size(); }

  friend bool operator==(const RegionShape&, const RegionShape&) = default;

 private:
  struct Band {
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    std::size_t first_span = 0;
    std::size_t span_count = 0;
    friend bool operator==(const Band&, const Band&) = default;
  };
  friend class ShapeBuilder;

  std::span<const Span> SpansOf(const Band& band) const {
    return std::span<const Span>(spans_).subspan(band.first_span, band.span_count);
  }

  std::vector<Band> bands_;
  std::vector<Span> spans_;
};

}  // namespace ozl::skin
