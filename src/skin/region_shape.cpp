#include "skin/region_shape.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace ozl::skin {

// Appends bands from top to bottom, dropping empty ones and merging a band into the one above
// when they touch and have equal spans, which keeps every shape in its one canonical form.
class ShapeBuilder {
 public:
  void AddBand(std::int32_t top, std::int32_t bottom, std::span<const RegionShape::Span> spans) {
    if (spans.empty() || top >= bottom) return;
    auto& bands = shape_.bands_;
    if (!bands.empty()) {
      RegionShape::Band& last = bands.back();
      if (last.bottom == top && std::ranges::equal(shape_.SpansOf(last), spans)) {
        last.bottom = bottom;
        return;
      }
    }
    bands.push_back({top, bottom, shape_.spans_.size(), spans.size()});
    shape_.spans_.insert(shape_.spans_.end(), spans.begin(), spans.end());
  }

  std::size_t SpanCount() const { return shape_.spans_.size(); }
  RegionShape Finish() { return std::move(shape_); }

 private:
  RegionShape shape_;
};

namespace {

using Span = RegionShape::Span;

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kBeyond = std::numeric_limits<std::int64_t>::max();

std::int32_t ClampToInt32(double value) {
  if (!(value > static_cast<double>(kInt32Min))) return static_cast<std::int32_t>(kInt32Min);
  if (value >= static_cast<double>(kInt32Max)) return static_cast<std::int32_t>(kInt32Max);
  return static_cast<std::int32_t>(value);
}

Rect Normalised(const Rect& rect) {
  return {std::min(rect.left, rect.right), std::min(rect.top, rect.bottom),
          std::max(rect.left, rect.right), std::max(rect.top, rect.bottom)};
}

bool Inside(CombineMode mode, bool in_first, bool in_second) {
  switch (mode) {
    case CombineMode::kAnd: return in_first && in_second;
    case CombineMode::kOr: return in_first || in_second;
    case CombineMode::kXor: return in_first != in_second;
    case CombineMode::kDiff: return in_first && !in_second;
  }
  return false;
}

// The k-th edge of a span list: left of span k / 2 for even k, its right for odd k.
std::int64_t EdgeAt(std::span<const Span> spans, std::size_t k) {
  const Span& span = spans[k / 2];
  return k % 2 == 0 ? span.left : span.right;
}

void CombineSpans(std::span<const Span> first, std::span<const Span> second, CombineMode mode,
                  std::vector<Span>& out) {
  out.clear();
  const std::size_t first_edges = first.size() * 2;
  const std::size_t second_edges = second.size() * 2;
  std::size_t i = 0;
  std::size_t j = 0;
  bool open = false;
  std::int64_t start = 0;
  while (i < first_edges || j < second_edges) {
    const std::int64_t x_first = i < first_edges ? EdgeAt(first, i) : kBeyond;
    const std::int64_t x_second = j < second_edges ? EdgeAt(second, j) : kBeyond;
    const std::int64_t x = std::min(x_first, x_second);
    if (x_first == x) ++i;
    if (x_second == x) ++j;
    const bool inside = Inside(mode, i % 2 == 1, j % 2 == 1);
    if (inside && !open) {
      start = x;
      open = true;
    } else if (!inside && open) {
      out.push_back({static_cast<std::int32_t>(start), static_cast<std::int32_t>(x)});
      open = false;
    }
  }
}

// Spans of pixels whose centres lie between crossing pairs, sorted and merged.
void SpansBetween(const std::vector<std::pair<double, double>>& pairs, std::vector<Span>& out) {
  out.clear();
  for (const auto& [from, to] : pairs) {
    const std::int32_t left = ClampToInt32(std::ceil(from - 0.5));
    const std::int32_t right = ClampToInt32(std::ceil(to - 0.5));
    if (left >= right) continue;
    if (!out.empty() && left <= out.back().right) {
      out.back().right = std::max(out.back().right, right);
    } else {
      out.push_back({left, right});
    }
  }
}

}  // namespace

RegionShape RegionShape::FromRect(const Rect& rect) {
  const Rect normal = Normalised(rect);
  ShapeBuilder builder;
  const Span span{normal.left, normal.right};
  if (normal.left < normal.right) builder.AddBand(normal.top, normal.bottom, std::span(&span, 1));
  return builder.Finish();
}

std::optional<RegionShape> RegionShape::FromRects(std::span<const Rect> rects, WorkBudget& budget,
                                                  std::size_t max_spans) {
  // Pairwise unions, level by level: n log n span work for any list.
  if (!budget.Spend(rects.size())) return std::nullopt;
  std::vector<RegionShape> level;
  level.reserve(rects.size());
  for (const Rect& rect : rects) {
    if (rect.left < rect.right && rect.top < rect.bottom) level.push_back(FromRect(rect));
  }
  if (level.empty()) return RegionShape{};
  while (level.size() > 1) {
    std::vector<RegionShape> next;
    next.reserve((level.size() + 1) / 2);
    for (std::size_t k = 0; k + 1 < level.size(); k += 2) {
      std::optional<RegionShape> united =
          Combine(level[k], level[k + 1], CombineMode::kOr, budget, max_spans);
      if (!united) return std::nullopt;
      next.push_back(std::move(*united));
    }
    if (level.size() % 2 == 1) next.push_back(std::move(level.back()));
    level = std::move(next);
  }
  return std::move(level.front());
}

std::optional<RegionShape> RegionShape::RoundRect(const Rect& bounds, std::int32_t corner_width,
                                                  std::int32_t corner_height,
                                                  const RasterLimits& limits, WorkBudget& budget) {
  const Rect normal = Normalised(bounds);
  const std::int64_t width = std::int64_t{normal.right} - normal.left;
  const std::int64_t height = std::int64_t{normal.bottom} - normal.top;
  const std::int64_t ellipse_width = std::min(width, std::abs(std::int64_t{corner_width}));
  const std::int64_t ellipse_height = std::min(height, std::abs(std::int64_t{corner_height}));
  if (ellipse_width < 2 || ellipse_height < 2) return FromRect(normal);
  if (ellipse_height > limits.max_rows || !budget.Spend(ellipse_height + 1)) return std::nullopt;

  const double a = static_cast<double>(ellipse_width) / 2;
  const double b = static_cast<double>(ellipse_height) / 2;
  // Rows of the top corner zone: those whose centre lies above the corner ellipses' centres.
  std::vector<std::int64_t> insets;
  for (std::int64_t k = 0; static_cast<double>(k) + 0.5 < b; ++k) {
    const double dy = (b - (static_cast<double>(k) + 0.5)) / b;
    const double extent = a * std::sqrt(std::max(0.0, 1 - dy * dy));
    insets.push_back(static_cast<std::int64_t>(std::floor(a - extent + 0.5)));
  }
  const auto zone = static_cast<std::int64_t>(insets.size());

  ShapeBuilder builder;
  auto add_row = [&](std::int64_t top, std::int64_t bottom, std::int64_t inset) {
    const std::int64_t left = normal.left + inset;
    const std::int64_t right = normal.right - inset;
    if (left >= right) return;
    const Span span{static_cast<std::int32_t>(left), static_cast<std::int32_t>(right)};
    builder.AddBand(static_cast<std::int32_t>(top), static_cast<std::int32_t>(bottom),
                    std::span(&span, 1));
  };
  for (std::int64_t k = 0; k < zone; ++k) add_row(normal.top + k, normal.top + k + 1, insets[k]);
  add_row(normal.top + zone, normal.bottom - zone, 0);
  for (std::int64_t k = zone - 1; k >= 0; --k) {
    add_row(normal.bottom - k - 1, normal.bottom - k, insets[k]);
  }
  return builder.Finish();
}

std::optional<RegionShape> RegionShape::Ellipse(const Rect& bounds, const RasterLimits& limits,
                                                WorkBudget& budget) {
  const Rect normal = Normalised(bounds);
  const std::int64_t width = std::int64_t{normal.right} - normal.left;
  const std::int64_t height = std::int64_t{normal.bottom} - normal.top;
  if (width > kInt32Max || height > kInt32Max) {
    // The corner sizes of a round rectangle are 32-bit; an ellipse this wide is refused.
    return std::nullopt;
  }
  return RoundRect(normal, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                   limits, budget);
}

std::optional<RegionShape> RegionShape::Polygon(std::span<const Point> points, FillMode mode,
                                                const RasterLimits& limits, WorkBudget& budget) {
  if (points.size() < 3) return RegionShape{};
  std::int64_t top = kBeyond;
  std::int64_t bottom = kInt32Min;
  for (const Point& point : points) {
    top = std::min<std::int64_t>(top, point.y);
    bottom = std::max<std::int64_t>(bottom, point.y);
  }
  const std::int64_t rows = bottom - top;
  const auto edges = static_cast<std::int64_t>(points.size());
  if (rows > limits.max_rows || rows * edges > limits.max_row_edges ||
      !budget.Spend(static_cast<std::uint64_t>((rows + 1) * edges))) {
    return std::nullopt;
  }

  ShapeBuilder builder;
  std::vector<std::pair<double, int>> crossings;
  std::vector<std::pair<double, double>> pairs;
  std::vector<Span> spans;
  for (std::int64_t y = top; y < bottom; ++y) {
    const double centre = static_cast<double>(y) + 0.5;
    crossings.clear();
    for (std::size_t k = 0; k < points.size(); ++k) {
      const Point& from = points[k];
      const Point& to = points[(k + 1) % points.size()];
      if (from.y == to.y) continue;
      const double low = std::min(from.y, to.y);
      const double high = std::max(from.y, to.y);
      if (centre < low || centre >= high) continue;
      const double x = from.x + (centre - from.y) * (static_cast<double>(to.x) - from.x) /
                                    (static_cast<double>(to.y) - from.y);
      crossings.emplace_back(x, to.y > from.y ? 1 : -1);
    }
    std::ranges::sort(crossings);
    pairs.clear();
    if (mode == FillMode::kAlternate) {
      for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
        pairs.emplace_back(crossings[k].first, crossings[k + 1].first);
      }
    } else {
      int winding = 0;
      double start = 0;
      for (const auto& [x, direction] : crossings) {
        const int before = winding;
        winding += direction;
        if (before == 0 && winding != 0) start = x;
        if (before != 0 && winding == 0) pairs.emplace_back(start, x);
      }
    }
    SpansBetween(pairs, spans);
    builder.AddBand(static_cast<std::int32_t>(y), static_cast<std::int32_t>(y + 1), spans);
  }
  return builder.Finish();
}

std::optional<RegionShape> RegionShape::Combine(const RegionShape& first, const RegionShape& second,
                                                CombineMode mode, WorkBudget& budget,
                                                std::size_t max_spans) {
  ShapeBuilder builder;
  std::vector<Span> spans;
  std::size_t i = 0;
  std::size_t j = 0;
  const std::size_t first_count = first.bands_.size();
  const std::size_t second_count = second.bands_.size();
  if (first_count == 0 && second_count == 0) return RegionShape{};
  std::int64_t y = std::min(first_count ? first.bands_[0].top : kBeyond,
                            second_count ? second.bands_[0].top : kBeyond);
  while (i < first_count || j < second_count) {
    const Band* first_band = i < first_count ? &first.bands_[i] : nullptr;
    const Band* second_band = j < second_count ? &second.bands_[j] : nullptr;
    const bool in_first = first_band && first_band->top <= y;
    const bool in_second = second_band && second_band->top <= y;
    const std::int64_t first_next =
        first_band ? (in_first ? first_band->bottom : first_band->top) : kBeyond;
    const std::int64_t second_next =
        second_band ? (in_second ? second_band->bottom : second_band->top) : kBeyond;
    const std::int64_t next = std::min(first_next, second_next);
    if (in_first || in_second) {
      const auto first_spans = in_first ? first.SpansOf(*first_band) : std::span<const Span>{};
      const auto second_spans = in_second ? second.SpansOf(*second_band) : std::span<const Span>{};
      if (!budget.Spend(1 + first_spans.size() + second_spans.size())) return std::nullopt;
      CombineSpans(first_spans, second_spans, mode, spans);
      builder.AddBand(static_cast<std::int32_t>(y), static_cast<std::int32_t>(next), spans);
      if (builder.SpanCount() > max_spans) return std::nullopt;
    }
    y = next;
    if (in_first && first_band->bottom == y) ++i;
    if (in_second && second_band->bottom == y) ++j;
  }
  return builder.Finish();
}

bool RegionShape::Offset(std::int32_t dx, std::int32_t dy) {
  if (Empty()) return true;
  const Rect box = BoundingBox();
  auto fits = [](std::int64_t value) { return value >= kInt32Min && value <= kInt32Max; };
  if (!fits(std::int64_t{box.left} + dx) || !fits(std::int64_t{box.right} + dx) ||
      !fits(std::int64_t{box.top} + dy) || !fits(std::int64_t{box.bottom} + dy)) {
    return false;
  }
  for (Band& band : bands_) {
    band.top += dy;
    band.bottom += dy;
  }
  for (Span& span : spans_) {
    span.left += dx;
    span.right += dx;
  }
  return true;
}

Rect RegionShape::BoundingBox() const {
  if (Empty()) return {};
  Rect box{std::numeric_limits<std::int32_t>::max(), bands_.front().top,
           std::numeric_limits<std::int32_t>::min(), bands_.back().bottom};
  for (const Band& band : bands_) {
    const auto spans = SpansOf(band);
    box.left = std::min(box.left, spans.front().left);
    box.right = std::max(box.right, spans.back().right);
  }
  return box;
}

bool RegionShape::Contains(Point point) const {
  const auto band = std::ranges::partition_point(
      bands_, [&](const Band& candidate) { return candidate.bottom <= point.y; });
  if (band == bands_.end() || band->top > point.y) return false;
  const auto spans = SpansOf(*band);
  const auto span = std::ranges::partition_point(
      spans, [&](const Span& candidate) { return candidate.right <= point.x; });
  return span != spans.end() && span->left <= point.x;
}

std::vector<Rect> RegionShape::Rectangles() const {
  std::vector<Rect> rects;
  rects.reserve(spans_.size());
  for (const Band& band : bands_) {
    for (const Span& span : SpansOf(band)) {
      rects.push_back({span.left, band.top, span.right, band.bottom});
    }
  }
  return rects;
}

}  // namespace ozl::skin
