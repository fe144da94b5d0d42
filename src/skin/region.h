// Regions as the skin toolkit sees them: owned handles over a set of region operations. In the
// program the operations are the platform's GDI regions; natively they are the portable regions
// of portable_region.h, so everything above this interface is tested without Windows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ozl::skin {

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom edges excluded. The layout is the platform's RECT, so lists of rectangles
// pass to the platform without conversion.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// The values of the platform's CombineRgn modes.
enum class CombineMode : int { kAnd = 1, kOr = 2, kXor = 3, kDiff = 4 };
// The values of the platform's polygon fill modes.
enum class FillMode : int { kAlternate = 1, kWinding = 2 };

using RegionHandle = std::uintptr_t;

class RegionOps;

// One region, freed when the owner goes. An empty Region is "no region", which is not the same
// thing as a region that covers no pixel.
class Region {
 public:
  Region() = default;
  Region(RegionOps& ops, RegionHandle handle) noexcept;
  Region(Region&& other) noexcept;
  Region& operator=(Region&& other) noexcept;
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  ~Region();

  explicit operator bool() const { return handle_ != 0; }
  RegionHandle Handle() const { return handle_; }
  RegionOps* Ops() const { return ops_; }

  // Hands the handle over to a new owner (the window system, for a window region).
  RegionHandle Release() noexcept;
  void Reset() noexcept;

 private:
  RegionOps* ops_ = nullptr;
  RegionHandle handle_ = 0;
};

class RegionOps {
 public:
  virtual ~RegionOps() = default;

  // Each Create gives no region when the platform cannot make one. Rectangles with left > right
  // or top > bottom are normalised, as the platform does.
  virtual Region CreateRect(const Rect& rect) = 0;
  virtual Region CreateEllipse(const Rect& bounds) = 0;
  virtual Region CreateRoundRect(const Rect& bounds, std::int32_t corner_width,
                                 std::int32_t corner_height) = 0;
  virtual Region CreatePolygon(std::span<const Point> points, FillMode mode) = 0;
  // The union of the rectangles in one region; no rectangle gives an empty region. Unlike the
  // single shapes, rectangles with left >= right or top >= bottom are skipped.
  virtual Region CreateFromRects(std::span<const Rect> rects) = 0;
  virtual Region Copy(const Region& region) = 0;

  // destination := destination <mode> operand (difference: destination minus operand). False
  // when the platform failed; the destination then keeps no defined content.
  virtual bool Combine(Region& destination, const Region& operand, CombineMode mode) = 0;
  virtual bool Offset(Region& region, std::int32_t dx, std::int32_t dy) = 0;
  // (0, 0, 0, 0) for a region that covers no pixel.
  virtual Rect BoundingBox(const Region& region) = 0;
  virtual bool Contains(const Region& region, Point point) = 0;
  // The region as disjoint rectangles sorted by top, then left, in bands of equal top and
  // bottom, with vertically adjacent equal bands merged, as the platform reports it.
  virtual std::vector<Rect> Rectangles(const Region& region) = 0;

 protected:
  friend class Region;
  virtual void Free(RegionHandle handle) noexcept = 0;
  // The region went to a new owner, which frees it.
  virtual void HandedOver(RegionHandle /*handle*/) noexcept {}
};

}  // namespace ozl::skin
