#include "skin/bitmap_region.h"

#include <gtest/gtest.h>

#include <vector>

#include "skin/portable_region.h"
#include "skin_test_support.h"

namespace ozl::skin {
namespace {

using testing::Drawing;
using testing::kOpaquePixel;
using testing::kSkinTransparentPixel;
using Rects = std::vector<Rect>;

std::vector<Rects> Batches(const PixelImage& image, bool inverted, std::size_t batch_size) {
  std::vector<Rects> batches;
  ScanRuns(image.View(), kSkinTransparentPixel, inverted, batch_size,
           [&](std::span<const Rect> batch) { batches.emplace_back(batch.begin(), batch.end()); });
  return batches;
}

TEST(RunScan, RunsAreOnePixelRowsEndingAtTheBitmapEdge) {
  const PixelImage image = Drawing({
      "..##..#",
      ".......",
      "#######",
  });
  EXPECT_EQ(Batches(image, false, 2000),
            (std::vector<Rects>{{{2, 0, 4, 1}, {6, 0, 7, 1}, {0, 2, 7, 3}}}));
  EXPECT_EQ(Batches(image, true, 2000),
            (std::vector<Rects>{{{0, 0, 2, 1}, {4, 0, 6, 1}, {0, 1, 7, 2}}}));
  // Full batches go out as they fill; the last one holds the rest, even nothing.
  EXPECT_EQ(Batches(image, false, 2),
            (std::vector<Rects>{{{2, 0, 4, 1}, {6, 0, 7, 1}}, {{0, 2, 7, 3}}}));
  EXPECT_EQ(Batches(image, false, 3),
            (std::vector<Rects>{{{2, 0, 4, 1}, {6, 0, 7, 1}, {0, 2, 7, 3}}, {}}));
}

TEST(RunScan, OnlyTheExactTransparentColourIsTransparent) {
  PixelImage image(4, 1, kSkinTransparentPixel);
  image.Set(0, 0, kSkinTransparentPixel + 1);           // blue off by one
  image.Set(1, 0, kSkinTransparentPixel - 0x100);       // green off by one
  image.Set(2, 0, kSkinTransparentPixel | 0xFF000000);  // the fourth byte is not a colour
  image.Set(3, 0, kSkinTransparentPixel + 0x10000);     // red off by one
  EXPECT_EQ(Batches(image, false, 2000), (std::vector<Rects>{{{0, 0, 2, 1}, {3, 0, 4, 1}}}));
  // A picture's transparent colour is the same pixel value as the colour the windows store.
  Picture picture(2, 1, FromColorValue(10107954));
  picture.Set(1, 0, FromColorValue(10107955));
  EXPECT_EQ(Batches(PixelImageOf(picture), false, 2000), (std::vector<Rects>{{{1, 0, 2, 1}}}));
  // The windows' colour 10107954 is red 50, green 60, blue 154: blue is the pixel's low byte.
  EXPECT_EQ(PixelOfColor(10107954), 0x00323C9Au);
  EXPECT_EQ(PixelOfColor(0xFF0000FF), 0x00FF0000u);
}

TEST(BitmapRegion, AllTransparentGivesAnEmptyRegionNotNone) {
  PortableRegionOps ops;
  const PixelImage image(5, 3, kSkinTransparentPixel);
  Region outline = BuildRegionFromPixels(ops, image.View(), kSkinTransparentPixel, false);
  ASSERT_TRUE(outline);
  EXPECT_EQ(ops.Rectangles(outline), Rects{});
  Region inverted = BuildRegionFromPixels(ops, image.View(), kSkinTransparentPixel, true);
  EXPECT_EQ(ops.Rectangles(inverted), (Rects{{0, 0, 5, 3}}));
  EXPECT_EQ(Batches(image, true, 2000),
            (std::vector<Rects>{{{0, 0, 5, 1}, {0, 1, 5, 2}, {0, 2, 5, 3}}}));
}

TEST(BitmapRegion, BatchesGiveTheSameRegionAsOneList) {
  // A checkerboard with 2 * 45 * 45 = 4050 runs, more than two full batches.
  PixelImage image(90, 90, kSkinTransparentPixel);
  for (int y = 0; y < 90; ++y) {
    for (int x = (y % 2); x < 90; x += 2) image.Set(x, y, kOpaquePixel);
  }
  PortableRegionOps ops;
  Rects all_runs;
  ScanRuns(image.View(), kSkinTransparentPixel, false, kMaxRunBatch,
           [&](std::span<const Rect> batch) {
             all_runs.insert(all_runs.end(), batch.begin(), batch.end());
           });
  ASSERT_EQ(all_runs.size(), 4050u);
  Region single = ops.CreateFromRects(all_runs);
  for (std::size_t batch : {std::size_t{1}, std::size_t{7}, std::size_t{250}, kRunBatchSize,
                            kMaxRunBatch, std::size_t{100000}}) {
    Region built = BuildRegionFromPixels(ops, image.View(), kSkinTransparentPixel, false, batch);
    ASSERT_TRUE(built);
    EXPECT_EQ(ops.Shape(built), ops.Shape(single)) << "batch " << batch;
  }
}

TEST(BitmapRegion, APlatformFailureGivesNoRegionRatherThanAPartialOne) {
  PortableRegionOps::Limits limits;
  limits.work_budget = 1000;  // enough for the first batches, not for all 800 runs
  PortableRegionOps ops(limits);
  PixelImage image(40, 40, kSkinTransparentPixel);
  for (int y = 0; y < 40; ++y) {
    for (int x = y % 2; x < 40; x += 2) image.Set(x, y, kOpaquePixel);
  }
  EXPECT_FALSE(BuildRegionFromPixels(ops, image.View(), kSkinTransparentPixel, false, 100));
  EXPECT_EQ(ops.LiveRegions(), 0u);
}

}  // namespace
}  // namespace ozl::skin
