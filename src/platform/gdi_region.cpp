#include "platform/gdi_region.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace ozl::skin {
namespace {

static_assert(sizeof(Rect) == sizeof(RECT) && sizeof(Point) == sizeof(POINT),
              "rectangle and point lists pass to GDI unconverted");

RECT ToRect(const Rect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

GdiRegionOps& GdiRegions() {
  union NeverDestroyed {
    NeverDestroyed() : ops() {}
    ~NeverDestroyed() {}
    GdiRegionOps ops;
  };
  static NeverDestroyed holder;
  return holder.ops;
}

HRGN GdiRegionOps::HandleOf(const Region& region) {
  if (region && dynamic_cast<GdiRegionOps*>(region.Ops()) == nullptr) {
    throw std::invalid_argument("not a GDI region");
  }
  return reinterpret_cast<HRGN>(region.Handle());
}

Region GdiRegionOps::Adopt(HRGN region) {
  if (region) platform::LiveObjects::Taken(platform::LiveKind::kRegion);
  return Region(*this, reinterpret_cast<RegionHandle>(region));
}

Region GdiRegionOps::CreateRect(const Rect& rect) {
  const RECT bounds = ToRect(rect);
  return Adopt(CreateRectRgnIndirect(&bounds));
}

Region GdiRegionOps::CreateEllipse(const Rect& bounds) {
  const RECT rect = ToRect(bounds);
  return Adopt(CreateEllipticRgnIndirect(&rect));
}

Region GdiRegionOps::CreateRoundRect(const Rect& bounds, std::int32_t corner_width,
                                     std::int32_t corner_height) {
  return Adopt(CreateRoundRectRgn(bounds.left, bounds.top, bounds.right, bounds.bottom,
                                  corner_width, corner_height));
}

Region GdiRegionOps::CreatePolygon(std::span<const Point> points, FillMode mode) {
  std::vector<POINT> vertices;
  vertices.reserve(points.size());
  for (const Point& point : points) vertices.push_back({point.x, point.y});
  return Adopt(CreatePolygonRgn(vertices.data(), static_cast<int>(vertices.size()),
                                mode == FillMode::kWinding ? WINDING : ALTERNATE));
}

Region GdiRegionOps::CreateFromRects(std::span<const Rect> rects) {
  RGNDATAHEADER header{};
  header.dwSize = sizeof(RGNDATAHEADER);
  header.iType = RDH_RECTANGLES;
  header.nCount = static_cast<DWORD>(rects.size());
  header.nRgnSize = static_cast<DWORD>(rects.size_bytes());
  if (!rects.empty()) {
    header.rcBound = ToRect(rects.front());
    for (const Rect& rect : rects) {
      header.rcBound.left = std::min<LONG>(header.rcBound.left, rect.left);
      header.rcBound.top = std::min<LONG>(header.rcBound.top, rect.top);
      header.rcBound.right = std::max<LONG>(header.rcBound.right, rect.right);
      header.rcBound.bottom = std::max<LONG>(header.rcBound.bottom, rect.bottom);
    }
  }
  // The header and the rectangles in one block, as RGNDATA lays them out.
  std::vector<RECT> block(rects.size() + sizeof(RGNDATAHEADER) / sizeof(RECT));
  std::memcpy(block.data(), &header, sizeof header);
  if (!rects.empty()) {
    std::memcpy(block.data() + sizeof(RGNDATAHEADER) / sizeof(RECT), rects.data(),
                rects.size_bytes());
  }
  return Adopt(ExtCreateRegion(nullptr, static_cast<DWORD>(block.size() * sizeof(RECT)),
                               reinterpret_cast<const RGNDATA*>(block.data())));
}

Region GdiRegionOps::Copy(const Region& region) {
  Region copy = Adopt(CreateRectRgn(0, 0, 1, 1));
  if (copy && CombineRgn(HandleOf(copy), HandleOf(region), nullptr, RGN_COPY) == ERROR) {
    return {};
  }
  return copy;
}

bool GdiRegionOps::Combine(Region& destination, const Region& operand, CombineMode mode) {
  const HRGN target = HandleOf(destination);
  return CombineRgn(target, target, HandleOf(operand), static_cast<int>(mode)) != ERROR;
}

bool GdiRegionOps::Offset(Region& region, std::int32_t dx, std::int32_t dy) {
  return OffsetRgn(HandleOf(region), dx, dy) != ERROR;
}

Rect GdiRegionOps::BoundingBox(const Region& region) {
  RECT box{};
  if (GetRgnBox(HandleOf(region), &box) == NULLREGION) return {};
  return {box.left, box.top, box.right, box.bottom};
}

bool GdiRegionOps::Contains(const Region& region, Point point) {
  return PtInRegion(HandleOf(region), point.x, point.y) != FALSE;
}

std::vector<Rect> GdiRegionOps::Rectangles(const Region& region) {
  const HRGN handle = HandleOf(region);
  const DWORD size = GetRegionData(handle, 0, nullptr);
  if (size < sizeof(RGNDATAHEADER)) return {};
  std::vector<RECT> block((size + sizeof(RECT) - 1) / sizeof(RECT));
  if (GetRegionData(handle, size, reinterpret_cast<RGNDATA*>(block.data())) == 0) return {};
  RGNDATAHEADER header;
  std::memcpy(&header, block.data(), sizeof header);
  const std::size_t first = sizeof(RGNDATAHEADER) / sizeof(RECT);
  const std::size_t count = std::min<std::size_t>(header.nCount, block.size() - first);
  std::vector<Rect> rects;
  rects.reserve(count);
  for (std::size_t k = first; k < first + count; ++k) {
    rects.push_back({block[k].left, block[k].top, block[k].right, block[k].bottom});
  }
  return rects;
}

void GdiRegionOps::Free(RegionHandle handle) noexcept {
  platform::LiveObjects::Gone(platform::LiveKind::kRegion);
  DeleteObject(reinterpret_cast<HRGN>(handle));
}

void GdiRegionOps::HandedOver(RegionHandle) noexcept {
  platform::LiveObjects::Gone(platform::LiveKind::kRegion);
}

}  // namespace ozl::skin
