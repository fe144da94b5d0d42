// How long window outlines take to build from skin bitmaps without the platform: the run scan
// alone, and the scan with the portable regions uniting the batches. Two bitmaps: a 613 x 418
// skin with one run per row (416 runs) and a 1024 x 1024 checkerboard (524,288 runs).
//
//   cmake --preset release -B build/<dir> && cmake --build build/<dir> --target region_bench
//   build/<dir>/region_bench
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "skin/bitmap_region.h"
#include "skin/portable_region.h"

namespace {

using namespace ozl::skin;

constexpr std::uint32_t kTransparent = PixelOfColor(10107954);
constexpr std::uint32_t kOpaque = 0x00808080;

// A rounded skin: transparent margins and corners, about one run per row.
PixelImage Skin() {
  PixelImage image(613, 418, kTransparent);
  for (int y = 1; y < 417; ++y) {
    const int corner = std::max(0, 12 - std::min(y - 1, 416 - y));
    for (int x = 1 + corner; x < 612 - corner; ++x) image.Set(x, y, kOpaque);
  }
  return image;
}

PixelImage Checkerboard(int size) {
  PixelImage image(size, size, kTransparent);
  for (int y = 0; y < size; ++y) {
    for (int x = y % 2; x < size; x += 2) image.Set(x, y, kOpaque);
  }
  return image;
}

// The median of a few runs, in milliseconds.
double MedianMilliseconds(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int k = 0; k < runs; ++k) {
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::ranges::sort(times);
  return times[times.size() / 2];
}

std::size_t CountRuns(const PixelImage& image) {
  std::size_t runs = 0;
  ScanRuns(image.View(), kTransparent, false, kMaxRunBatch,
           [&](std::span<const Rect> batch) { runs += batch.size(); });
  return runs;
}

void Measure(const char* name, const PixelImage& image, int runs) {
  const std::size_t run_count = CountRuns(image);
  std::printf("%s %dx%d, %zu runs\n", name, image.Width(), image.Height(), run_count);
  std::printf("  run scan alone:                %9.3f ms\n",
              MedianMilliseconds(runs, [&] { CountRuns(image); }));
  for (std::size_t batch : {std::size_t{16}, kRunBatchSize, std::size_t{250}, kMaxRunBatch}) {
    std::size_t spans = 0;
    const double time = MedianMilliseconds(runs, [&] {
      PortableRegionOps ops;
      Region region = BuildRegionFromPixels(ops, image.View(), kTransparent, false, batch);
      spans = ops.Rectangles(region).size();
    });
    std::printf("  scan + portable region, batch %4zu: %9.3f ms (%zu rectangles)\n", batch, time,
                spans);
  }
}

}  // namespace

int main() {
  Measure("skin", Skin(), 21);
  Measure("checkerboard", Checkerboard(1024), 5);
  return 0;
}
