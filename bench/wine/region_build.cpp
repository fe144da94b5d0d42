// The whole build of a window outline from a skin bitmap under Wine: GetDIBits, the run scan,
// ExtCreateRegion per batch and the unions, for several batch sizes, with the batches united
// in a balanced tree (as the program does) and one after another into a single region. Also
// how the time grows with the number of runs. Built by hand, not by CMake (a *_win.cpp name
// would put it into the program's library):
//
//   mkdir -p build/region-wine-bench
//   i686-w64-mingw32-g++-posix -std=c++20 -O2 -static -Isrc -DNOMINMAX -DWIN32_LEAN_AND_MEAN \
//     bench/wine/region_build.cpp src/skin/bitmap_region.cpp src/platform/bitmap_region.cpp \
//     src/platform/gdi_region.cpp src/skin/region.cpp src/platform/bitmap.cpp \
//     -lgdi32 -lmsimg32 -luser32 \
//     -o build/region-wine-bench/region_build.exe
//   scripts/wine-run build/region-wine-bench/region_build.exe
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/bitmap.h"
#include "platform/handles.h"
#include "platform/bitmap_region.h"
#include "platform/gdi_region.h"

namespace {

using namespace ozl::skin;

constexpr COLORREF kTransparent = RGB(50, 60, 154);
constexpr COLORREF kOpaque = RGB(128, 128, 128);

ozl::platform::UniqueBitmap Painted(int width, int height,
                                    const std::function<bool(int x, int y)>& opaque) {
  const BITMAPINFO format = ozl::platform::TopDown32BitFormat(width, height);
  void* bits = nullptr;
  ozl::platform::UniqueBitmap bitmap(
      CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  auto* pixels = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels[static_cast<std::size_t>(y) * width + x] =
          PixelOfColor(opaque(x, y) ? kOpaque : kTransparent);
    }
  }
  GdiFlush();
  return bitmap;
}

// The 613 x 418 skin: transparent margins and rounded corners, one run per row.
ozl::platform::UniqueBitmap Skin() {
  return Painted(613, 418, [](int x, int y) {
    if (y < 1 || y > 416) return false;
    const int corner = std::max(0, 12 - std::min(y - 1, 416 - y));
    return x >= 1 + corner && x < 612 - corner;
  });
}

ozl::platform::UniqueBitmap Checkerboard(int size) {
  return Painted(size, size, [](int x, int y) { return (x + y) % 2 == 0; });
}

// One run per row, alternating between two columns so that no two rows merge into one band.
ozl::platform::UniqueBitmap Rows(int rows) {
  return Painted(3, rows, [](int x, int y) { return x == y % 2; });
}

// The batches united one after another into one region, as a plain loop would.
Region BuildSequentially(HBITMAP bitmap, std::size_t batch_size) {
  const PixelImage pixels = ReadBitmapPixels(bitmap);
  Region result;
  ScanRuns(pixels.View(), PixelOfColor(kTransparent), false, batch_size,
           [&](std::span<const Rect> batch) {
             Region part = GdiRegions().CreateFromRects(batch);
             if (!result) {
               result = std::move(part);
             } else {
               GdiRegions().Combine(result, part, CombineMode::kOr);
             }
           });
  return result;
}

double Milliseconds(int repeats, const std::function<Region()>& build) {
  std::vector<double> times;
  for (int k = 0; k < repeats; ++k) {
    const auto start = std::chrono::steady_clock::now();
    Region region = build();
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    if (!region) std::printf("  (no region!)\n");
  }
  std::ranges::sort(times);
  return times[times.size() / 2];
}

void ByBatch(const char* name, HBITMAP bitmap, int repeats, bool sequential_too) {
  std::printf("%s\n  batch   balanced ms   sequential ms\n", name);
  for (std::size_t batch : {8u, 16u, 32u, 64u, 128u, 250u, 500u, 1000u, 2000u}) {
    const double balanced =
        Milliseconds(repeats, [&] { return BitmapToRegion(bitmap, kTransparent, false, batch); });
    if (sequential_too) {
      const double sequential =
          Milliseconds(repeats, [&] { return BuildSequentially(bitmap, batch); });
      std::printf("  %5zu %12.2f %15.2f\n", batch, balanced, sequential);
    } else {
      std::printf("  %5zu %12.2f %15s\n", batch, balanced, "-");
    }
    std::fflush(stdout);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1;
  const auto skin = Skin();
  ByBatch("skin 613x418, 416 runs", skin.get(), 21, true);
  const auto rows = Rows(20000);
  ByBatch("one-pixel rows 3x20000, 20000 runs", rows.get(), 3, true);
  const auto small_board = Checkerboard(256);
  ByBatch("checkerboard 256x256, 32768 runs", small_board.get(), 3, true);
  const auto board = Checkerboard(1024);
  ByBatch("checkerboard 1024x1024, 524288 runs", board.get(), quick ? 1 : 3, false);

  std::printf("growth with the number of runs, batch %zu, balanced\n  runs        ms\n",
              kRunBatchSize);
  for (int size : {128, 256, 512, 1024}) {
    const auto grid = Checkerboard(size);
    const double time =
        Milliseconds(3, [&] { return BitmapToRegion(grid.get(), kTransparent, false); });
    std::printf("  %7d %9.2f  (checkerboard %dx%d)\n", size * size / 2, time, size, size);
    std::fflush(stdout);
  }
  for (int count : {5000, 20000, 80000, 320000}) {
    const auto column = Rows(count);
    const double time =
        Milliseconds(3, [&] { return BitmapToRegion(column.get(), kTransparent, false); });
    std::printf("  %7d %9.2f  (one-pixel rows)\n", count, time);
    std::fflush(stdout);
  }
  return 0;
}
