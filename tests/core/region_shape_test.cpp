#include <gtest/gtest.h>

#include <vector>

#include "skin/portable_region.h"

namespace ozl::skin {
namespace {

using Rects = std::vector<Rect>;

class PortableRegions : public ::testing::Test {
 protected:
  Rects Combined(const Rect& first, const Rect& second, CombineMode mode) {
    Region destination = ops.CreateRect(first);
    Region operand = ops.CreateRect(second);
    EXPECT_TRUE(ops.Combine(destination, operand, mode));
    return ops.Rectangles(destination);
  }

  PortableRegionOps ops;
};

TEST_F(PortableRegions, CombineModesGiveBandedRectangleLists) {
  const Rect a{0, 0, 10, 10};
  const Rect b{5, 5, 15, 15};
  EXPECT_EQ(Combined(a, b, CombineMode::kOr),
            (Rects{{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}));
  EXPECT_EQ(Combined(a, b, CombineMode::kAnd), (Rects{{5, 5, 10, 10}}));
  EXPECT_EQ(Combined(a, b, CombineMode::kXor),
            (Rects{{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}));
  EXPECT_EQ(Combined(a, b, CombineMode::kDiff), (Rects{{0, 0, 10, 5}, {0, 5, 5, 10}}));
  EXPECT_EQ(Combined(a, a, CombineMode::kXor), Rects{});
  // Touching bands with equal spans merge, as the platform keeps them.
  EXPECT_EQ(Combined({0, 0, 10, 5}, {0, 5, 10, 9}, CombineMode::kOr), (Rects{{0, 0, 10, 9}}));
  EXPECT_EQ(Combined({0, 0, 4, 4}, {4, 0, 8, 4}, CombineMode::kOr), (Rects{{0, 0, 8, 4}}));
  EXPECT_EQ(Combined({0, 0, 4, 4}, {10, 20, 14, 24}, CombineMode::kOr),
            (Rects{{0, 0, 4, 4}, {10, 20, 14, 24}}));
}

TEST_F(PortableRegions, RectanglesAreNormalisedAndEmptyIsNotNone) {
  Region swapped = ops.CreateRect({10, 20, 0, 5});
  EXPECT_EQ(ops.Rectangles(swapped), (Rects{{0, 5, 10, 20}}));
  Region empty = ops.CreateRect({3, 3, 3, 10});
  ASSERT_TRUE(empty);
  EXPECT_EQ(ops.Rectangles(empty), Rects{});
  EXPECT_EQ(ops.BoundingBox(empty), (Rect{0, 0, 0, 0}));
  Region extreme = ops.CreateRect({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
  EXPECT_TRUE(ops.Contains(extreme, {0, 0}));
  EXPECT_FALSE(ops.Contains(extreme, {INT32_MAX, 0}));
}

TEST_F(PortableRegions, OffsetMovesEverythingOrNothing) {
  Region region = ops.CreateRect({0, 0, 10, 10});
  Region other = ops.CreateRect({20, 0, 30, 5});
  ASSERT_TRUE(ops.Combine(region, other, CombineMode::kOr));
  ASSERT_TRUE(ops.Offset(region, -5, 7));
  EXPECT_EQ(ops.Rectangles(region), (Rects{{-5, 7, 5, 12}, {15, 7, 25, 12}, {-5, 12, 5, 17}}));
  EXPECT_EQ(ops.BoundingBox(region), (Rect{-5, 7, 25, 17}));
  EXPECT_FALSE(ops.Offset(region, INT32_MAX, 0));
  EXPECT_EQ(ops.BoundingBox(region), (Rect{-5, 7, 25, 17}));
}

TEST_F(PortableRegions, PointTestExcludesRightAndBottomEdges) {
  Region region = ops.CreateRect({2, 3, 6, 8});
  EXPECT_TRUE(ops.Contains(region, {2, 3}));
  EXPECT_TRUE(ops.Contains(region, {5, 7}));
  EXPECT_FALSE(ops.Contains(region, {6, 7}));
  EXPECT_FALSE(ops.Contains(region, {5, 8}));
  EXPECT_FALSE(ops.Contains(region, {1, 3}));
}

TEST_F(PortableRegions, PolygonsFillByTheirMode) {
  const std::vector<Point> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  Region polygon = ops.CreatePolygon(square, FillMode::kAlternate);
  EXPECT_EQ(ops.Rectangles(polygon), (Rects{{0, 0, 10, 10}}));

  // A five-pointed star: its centre is crossed twice, so alternate filling leaves it out.
  const std::vector<Point> star{{50, 0}, {79, 90}, {2, 34}, {97, 34}, {20, 90}};
  Region alternate = ops.CreatePolygon(star, FillMode::kAlternate);
  Region winding = ops.CreatePolygon(star, FillMode::kWinding);
  EXPECT_FALSE(ops.Contains(alternate, {50, 50}));
  EXPECT_TRUE(ops.Contains(winding, {50, 50}));
  EXPECT_TRUE(ops.Contains(alternate, {50, 10}));
  EXPECT_TRUE(ops.Contains(winding, {50, 10}));
  EXPECT_FALSE(ops.Contains(winding, {5, 80}));

  Region triangle =
      ops.CreatePolygon(std::vector<Point>{{0, 0}, {10, 0}, {10, 10}}, FillMode::kAlternate);
  EXPECT_TRUE(ops.Contains(triangle, {9, 1}));
  EXPECT_FALSE(ops.Contains(triangle, {1, 9}));
  EXPECT_EQ(ops.BoundingBox(triangle), (Rect{0, 0, 10, 10}));
}

TEST_F(PortableRegions, EllipsesAndRoundRectanglesKeepTheirBoundsAndCutCorners) {
  Region ellipse = ops.CreateEllipse({0, 0, 40, 20});
  EXPECT_EQ(ops.BoundingBox(ellipse), (Rect{0, 0, 40, 20}));
  EXPECT_TRUE(ops.Contains(ellipse, {20, 10}));
  EXPECT_TRUE(ops.Contains(ellipse, {0, 10}));
  EXPECT_FALSE(ops.Contains(ellipse, {0, 0}));
  EXPECT_FALSE(ops.Contains(ellipse, {39, 19}));

  Region round = ops.CreateRoundRect({0, 0, 100, 50}, 20, 20);
  EXPECT_EQ(ops.BoundingBox(round), (Rect{0, 0, 100, 50}));
  EXPECT_FALSE(ops.Contains(round, {0, 0}));
  EXPECT_TRUE(ops.Contains(round, {0, 25}));
  EXPECT_TRUE(ops.Contains(round, {50, 0}));
  // Corners too small to round leave the rectangle.
  Region square = ops.CreateRoundRect({0, 0, 10, 10}, 1, 30);
  EXPECT_EQ(ops.Rectangles(square), (Rects{{0, 0, 10, 10}}));
}

TEST_F(PortableRegions, RectangleListsUniteInOneRegion) {
  const Rects rows{{0, 0, 3, 1}, {5, 0, 6, 1},   {0, 1, 3, 2}, {5, 1, 6, 2},
                   {1, 1, 4, 2}, {20, 0, 10, 5}, {0, 5, 1, 5}};
  Region region = ops.CreateFromRects(rows);
  EXPECT_EQ(ops.Rectangles(region),
            (Rects{{0, 0, 3, 1}, {5, 0, 6, 1}, {0, 1, 4, 2}, {5, 1, 6, 2}}));
  Region none = ops.CreateFromRects({});
  ASSERT_TRUE(none);
  EXPECT_EQ(ops.Rectangles(none), Rects{});
}

TEST(PortableRegionLimits, ShapesBeyondTheLimitsAreRefusedNotTruncated) {
  PortableRegionOps::Limits limits;
  limits.raster.max_rows = 1000;
  limits.work_budget = 100;
  PortableRegionOps ops(limits);
  EXPECT_FALSE(ops.CreateEllipse({0, 0, 10, 2000000000}));
  EXPECT_FALSE(
      ops.CreatePolygon(std::vector<Point>{{0, 0}, {1, 5000}, {2, 0}}, FillMode::kWinding));
  // A tall rectangle needs no rasterising.
  Region tall = ops.CreateRect({0, INT32_MIN, 10, INT32_MAX});
  EXPECT_TRUE(tall);
  Region wide = ops.CreateRoundRect({0, 0, 2000000000, 2000000000}, 8, 8);
  EXPECT_TRUE(wide);

  std::vector<Rect> many;
  for (int k = 0; k < 200; ++k) many.push_back({2 * k, 0, 2 * k + 1, 1});
  EXPECT_FALSE(ops.CreateFromRects(many));
  EXPECT_FALSE(ops.CreateRect({0, 0, 1, 1}));  // the budget is spent
  tall.Reset();
  wide.Reset();
  EXPECT_EQ(ops.LiveRegions(), 0u);
}

TEST(PortableRegionLimits, ACombinationBeyondTheSpanLimitLeavesTheDestination) {
  PortableRegionOps::Limits limits;
  limits.max_spans = 13;
  PortableRegionOps ops(limits);
  // Six columns crossed by a rectangle: united, three bands of six, one and six spans; the
  // symmetric difference has five more in the middle band.
  Region columns = ops.CreateFromRects(std::vector<Rect>{
      {0, 0, 1, 9}, {2, 0, 3, 9}, {4, 0, 5, 9}, {6, 0, 7, 9}, {8, 0, 9, 9}, {10, 0, 11, 9}});
  Region bar = ops.CreateRect({0, 3, 11, 6});
  EXPECT_FALSE(ops.Combine(columns, bar, CombineMode::kXor));
  EXPECT_EQ(ops.Rectangles(columns).size(), 6u);
  EXPECT_TRUE(ops.Combine(columns, bar, CombineMode::kOr));
  EXPECT_EQ(ops.Rectangles(columns).size(), 6u + 1u + 6u);
}

TEST(PortableRegionHandles, ForeignAndFreedHandlesAreRefused) {
  PortableRegionOps ops;
  PortableRegionOps other;
  Region mine = ops.CreateRect({0, 0, 1, 1});
  Region theirs = other.CreateRect({0, 0, 1, 1});
  EXPECT_THROW(ops.BoundingBox(theirs), std::invalid_argument);
  EXPECT_THROW(ops.Combine(mine, theirs, CombineMode::kOr), std::invalid_argument);
  Region copy = ops.Copy(mine);
  mine.Reset();
  EXPECT_EQ(ops.LiveRegions(), 1u);
  EXPECT_EQ(ops.Rectangles(copy), (Rects{{0, 0, 1, 1}}));
}

}  // namespace
}  // namespace ozl::skin
