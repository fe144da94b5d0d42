#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <vector>

#include "region_test_window.h"
#include "platform/bitmap_region.h"
#include "platform/gdi_region.h"
#include "skin/portable_region.h"

namespace ozl::skin {
namespace {

using testing::kSkinTransparent;
using testing::Painted;

// The same operations on GDI regions and on the portable ones, step by step.
class TwinRegions {
 public:
  TwinRegions(const Rect& first)
      : gdi_(GdiRegions().CreateRect(first)), portable_(ops_.CreateRect(first)) {}

  void Combine(const Rect& rect, CombineMode mode) {
    Region gdi = GdiRegions().CreateRect(rect);
    Region portable = ops_.CreateRect(rect);
    EXPECT_TRUE(GdiRegions().Combine(gdi_, gdi, mode));
    EXPECT_TRUE(ops_.Combine(portable_, portable, mode));
  }
  void CombineList(const std::vector<Rect>& rects, CombineMode mode) {
    Region gdi = GdiRegions().CreateFromRects(rects);
    Region portable = ops_.CreateFromRects(rects);
    EXPECT_EQ(GdiRegions().Rectangles(gdi), ops_.Rectangles(portable));
    EXPECT_TRUE(GdiRegions().Combine(gdi_, gdi, mode));
    EXPECT_TRUE(ops_.Combine(portable_, portable, mode));
  }
  void Offset(int dx, int dy) {
    EXPECT_TRUE(GdiRegions().Offset(gdi_, dx, dy));
    EXPECT_TRUE(ops_.Offset(portable_, dx, dy));
  }
  std::vector<Rect> GdiRects() { return GdiRegions().Rectangles(gdi_); }
  std::vector<Rect> PortableRects() { return ops_.Rectangles(portable_); }
  Rect GdiBox() { return GdiRegions().BoundingBox(gdi_); }
  Rect PortableBox() { return ops_.BoundingBox(portable_); }

 private:
  PortableRegionOps ops_;
  Region gdi_;
  Region portable_;
};

TEST(RegionGdi, RectanglesOffsetsAndCombinationsAgreeWithThePortableRegions) {
  std::mt19937 random(20240607);
  std::uniform_int_distribution<int> coordinate(-20, 60);
  std::uniform_int_distribution<int> step(0, 5);
  auto any_rect = [&] {
    return Rect{coordinate(random), coordinate(random), coordinate(random), coordinate(random)};
  };
  const CombineMode modes[] = {CombineMode::kAnd, CombineMode::kOr, CombineMode::kXor,
                               CombineMode::kDiff};
  for (int round = 0; round < 400; ++round) {
    TwinRegions twins(any_rect());
    for (int k = 0; k < 6; ++k) {
      const int choice = step(random);
      if (choice == 5) {
        twins.Offset(coordinate(random), coordinate(random));
      } else if (choice == 4) {
        twins.CombineList({any_rect(), any_rect(), any_rect(), any_rect()},
                          modes[step(random) % 4]);
      } else {
        twins.Combine(any_rect(), modes[choice]);
      }
    }
    ASSERT_EQ(twins.GdiRects(), twins.PortableRects()) << "round " << round;
    ASSERT_EQ(twins.GdiBox(), twins.PortableBox()) << "round " << round;
  }
}

TEST(RegionGdi, AnEmptyOutlineIsARegionAndAnUnreadableBitmapIsNone) {
  Region nothing = GdiRegions().CreateFromRects({});
  ASSERT_TRUE(nothing);
  RECT box;
  EXPECT_EQ(GetRgnBox(GdiRegionOps::HandleOf(nothing), &box), NULLREGION);

  const auto blank = Painted(7, 5, [](int, int) { return kSkinTransparent; });
  Region outline = BitmapToRegion(blank.get(), kSkinTransparent, false);
  ASSERT_TRUE(outline);
  EXPECT_EQ(GetRgnBox(GdiRegionOps::HandleOf(outline), &box), NULLREGION);
  Region inverted = BitmapToRegion(blank.get(), kSkinTransparent, true);
  EXPECT_EQ(GdiRegions().Rectangles(inverted), (std::vector<Rect>{{0, 0, 7, 5}}));

  EXPECT_FALSE(BitmapToRegion(nullptr, kSkinTransparent, false));
  EXPECT_TRUE(ReadBitmapPixels(nullptr).Empty());
}

TEST(RegionGdi, BitmapsAreReadTopRowFirstAndBuiltTheSameInAnyBatches) {
  // A checkerboard with 2 * 35 * 60 = 4200 runs, more than two full batches.
  const auto board = Painted(
      70, 120, [](int x, int y) { return (x + y) % 2 == 0 ? RGB(1, 2, 3) : kSkinTransparent; });
  const PixelImage pixels = ReadBitmapPixels(board.get());
  ASSERT_EQ(pixels.Width(), 70);
  ASSERT_EQ(pixels.Height(), 120);
  EXPECT_EQ(pixels.At(0, 0) & 0xFFFFFFu, PixelOfColor(RGB(1, 2, 3)));
  EXPECT_EQ(pixels.At(1, 0) & 0xFFFFFFu, PixelOfColor(kSkinTransparent));
  EXPECT_EQ(pixels.At(1, 1) & 0xFFFFFFu, PixelOfColor(RGB(1, 2, 3)));

  PortableRegionOps portable;
  Region expected =
      BuildRegionFromPixels(portable, pixels.View(), PixelOfColor(kSkinTransparent), false);
  for (std::size_t batch : {std::size_t{1}, std::size_t{250}, kRunBatchSize, kMaxRunBatch}) {
    Region built = BitmapToRegion(board.get(), kSkinTransparent, false, batch);
    ASSERT_TRUE(built);
    EXPECT_EQ(GdiRegions().Rectangles(built), portable.Rectangles(expected)) << "batch " << batch;
  }
}

}  // namespace
}  // namespace ozl::skin
