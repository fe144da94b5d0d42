#include "skin/bitmap_region.h"

#include <stdexcept>
#include <utility>

namespace ozl::skin {

PixelImage::PixelImage(std::int32_t width, std::int32_t height, std::uint32_t fill)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
  if (width_ == 0 || height_ == 0) width_ = height_ = 0;
  const std::uint64_t count =
      std::uint64_t{static_cast<std::uint32_t>(width_)} * static_cast<std::uint32_t>(height_);
  if (count > pixels_.max_size()) throw std::length_error("bitmap too large");
  pixels_.assign(static_cast<std::size_t>(count), fill);
}

PixelImage PixelImageOf(const Picture& picture) {
  PixelImage image(picture.width(), picture.height());
  for (int y = 0; y < image.Height(); ++y) {
    for (int x = 0; x < image.Width(); ++x) {
      const Rgb colour = picture.At(x, y);
      image.Set(x, y,
                std::uint32_t{colour.red} << 16 | std::uint32_t{colour.green} << 8 | colour.blue);
    }
  }
  return image;
}

Region BuildRegionFromPixels(RegionOps& ops, const PixelView& pixels,
                             std::uint32_t transparent_pixel, bool inverted,
                             std::size_t batch_size) {
  // A binary counter of partial unions: slot k holds the union of 2^k batches, so every run
  // takes part in a logarithmic number of unions instead of one union per later batch.
  std::vector<Region> partial;
  bool failed = false;
  ScanRuns(pixels, transparent_pixel, inverted, batch_size, [&](std::span<const Rect> batch) {
    if (failed) return;
    Region carry = ops.CreateFromRects(batch);
    if (!carry) {
      failed = true;
      return;
    }
    std::size_t slot = 0;
    for (; slot < partial.size() && partial[slot]; ++slot) {
      if (!ops.Combine(partial[slot], carry, CombineMode::kOr)) {
        failed = true;
        return;
      }
      carry = std::move(partial[slot]);
    }
    if (slot == partial.size()) partial.emplace_back();
    partial[slot] = std::move(carry);
  });
  if (failed) return {};
  Region result;
  for (Region& region : partial) {
    if (!region) continue;
    if (!result) {
      result = std::move(region);
    } else if (!ops.Combine(result, region, CombineMode::kOr)) {
      return {};
    }
  }
  return result;
}

}  // namespace ozl::skin
