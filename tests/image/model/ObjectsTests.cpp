#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <set>

#include <opencv2/core.hpp>

#include <pixolan/pixolan.h>

namespace
{
struct ContourList
{
  std::list<TCPxContour*> items;
  ~ContourList()
  {
    for (TCPxContour* c : items)
      delete c;
  }
};

TCPx8bitImage Shapes()
{
  TCPx8bitImage image(80, 60);
  image.Rectangle(TCGenRect<int>(5, 5, 24, 14), 255);          // 20 x 10 block
  image.Circle(TCGenPoint<int>(50, 30), 8, 255, 1, true);      // disc
  image.Rectangle(TCGenRect<int>(10, 35, 39, 54), 255);        // ring: 30 x 20 ...
  image.Rectangle(TCGenRect<int>(15, 40, 34, 49), 0);          // ... with a 20 x 10 hole
  return image;
}
} // namespace

TEST(Objects, ListFormFindsOutlinesByMode)
{
  const TCPx8bitImage image = Shapes();
  ContourList external, all, none, largest;
  image.FindContours(external.items, Px::FindContoursExternal, false);
  image.FindContours(all.items, Px::FindContoursList, false);
  image.FindContours(none.items, static_cast<Px::EFindContourFlags>(2), false);
  image.FindContours(largest.items, Px::FindContoursExternal, true);
  EXPECT_EQ(external.items.size(), 3u);
  EXPECT_EQ(all.items.size(), 4u); // the hole too
  EXPECT_TRUE(none.items.empty());
  ASSERT_EQ(largest.items.size(), 1u);
  // The ring's outline (30 x 20 pixels) is the largest: |area| + N/2 + 1 counts its pixels.
  EXPECT_EQ(largest.items.front()->GetArea(), 600.0);

  // Points are relative to the ROI, which each contour records.
  TCPx8bitImage roiImage = Shapes();
  roiImage.SetROI(TCGenRect<int>(2, 3, 30, 20));
  ContourList inRoi;
  roiImage.FindContours(inRoi.items, Px::FindContoursExternal, false);
  ASSERT_EQ(inRoi.items.size(), 1u);
  const TCGenRect<int> box = inRoi.items.front()->GetBoundingRect();
  EXPECT_EQ(box.GetLeft(), 3);
  EXPECT_EQ(box.GetTop(), 2);
}

TEST(Objects, TwoLevelFormPairsOutlinesWithTheirHolesAndLeavesOldEntriesToTheCaller)
{
  const TCPx8bitImage image = Shapes();
  const auto earlierOuter = std::make_unique<TCPxContour>(std::vector<cv::Point>{{1, 1}, {2, 1}, {2, 2}});
  const auto earlierHole = std::make_unique<TCPxContour>();
  std::vector<TCPxContour*> outer{earlierOuter.get()};
  std::vector<std::vector<TCPxContour*>> holes{{earlierHole.get()}};
  image.FindContours(outer, holes, false);
  EXPECT_EQ(earlierOuter->GetSize(), 3); // still the caller's, still valid
  ASSERT_EQ(outer.size(), 3u);
  ASSERT_EQ(holes.size(), 3u);
  int withHole = 0;
  for (std::size_t i = 0; i < outer.size(); ++i)
    if (!holes[i].empty())
    {
      ++withHole;
      EXPECT_GT(outer[i]->GetArea(), holes[i].front()->GetArea());
    }
  EXPECT_EQ(withHole, 1);
  const std::vector<TCPxContour*> first = outer;
  const std::vector<std::vector<TCPxContour*>> firstHoles = holes;
  image.FindContours(outer, holes, true);
  for (TCPxContour* c : first)
    delete c;
  for (const auto& group : firstHoles)
    for (TCPxContour* c : group)
      delete c;
  ASSERT_EQ(outer.size(), 1u);
  EXPECT_EQ(holes.size(), 1u);
  EXPECT_EQ(holes[0].size(), 1u);
  for (TCPxContour* c : outer)
    delete c;
  for (auto& group : holes)
    for (TCPxContour* c : group)
      delete c;
}

TEST(Objects, LargestContourRanksAllOutlinesWithTheCallersComparator)
{
  const TCPx8bitImage image = Shapes();
  std::unique_ptr<TCPxContour> largest(image.FindLargestContour(TCPxContourAreaLess()));
  ASSERT_NE(largest, nullptr);
  EXPECT_EQ(largest->GetArea(), 600.0);
  std::unique_ptr<TCPxContour> smallest(image.FindLargestContour(TCPxContourAreaGreater()));
  ASSERT_NE(smallest, nullptr);
  EXPECT_LT(smallest->GetArea(), 220.0); // the 20 x 10 block (200 pixels) or the disc
  std::unique_ptr<TCPxContour> plain(image.FindLargestContour(nullptr));
  EXPECT_EQ(plain->GetArea(), 600.0);
  EXPECT_EQ(TCPx8bitImage(10, 10).FindLargestContour(TCPxContourAreaLess()), nullptr);
}

TEST(Thinning, BarBecomesALineWithTwoEnds)
{
  TCPx8bitImage image(30, 15);
  image.Rectangle(TCGenRect<int>(5, 5, 24, 9), 255); // 20 x 5
  image.SetROI(TCGenRect<int>(2, 2, 28, 13));
  TCPx8bitImage unchanged(image);
  const auto ends = image.GetEndPoints();
  EXPECT_TRUE(image == unchanged);
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_LT(ends[0].GetX(), ends[1].GetX()); // row-major order of a horizontal line

  const auto thinEnds = image.Thin(true, INT_MAX);
  EXPECT_EQ(thinEnds.size(), 2u);
  image.SetFullROI();
  EXPECT_EQ(image.GetMaximumValue(), 1);
  int set = 0;
  for (int x = 0; x < 30; ++x)
  {
    int column = 0;
    for (int y = 0; y < 15; ++y)
      column += image.GetPixelFast(x, y);
    EXPECT_LE(column, 1) << x; // one pixel wide
    set += column;
  }
  EXPECT_GE(set, 14);
  EXPECT_EQ(image.GetPixelFast(0, 0), 0);
}

TEST(Thinning, DegenerateInputs)
{
  TCPx8bitImage dot(9, 9);
  dot.SetPixelFast(4, 4, 255);
  const auto ends = dot.GetEndPoints();
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], TCGenPoint<int>(4, 4));

  TCPx8bitImage zero(9, 9);
  EXPECT_TRUE(zero.GetEndPoints().empty());
  EXPECT_TRUE(zero.Thin(true, INT_MAX).empty());
  TCPx8bitImage bar(9, 9);
  bar.Fill(255);
  TCPx8bitImage before(bar);
  EXPECT_TRUE(bar.Thin(true, 0).empty());
  EXPECT_TRUE(bar == before);
  bar.SetROI(TCGenRect<int>(3, 3, 3, 3));
  EXPECT_TRUE(bar.Thin(true, INT_MAX).empty());
  TCPx8bitImage column(1, 20);
  column.Fill(255);
  column.Thin(true, INT_MAX);
  EXPECT_LE(column.GetMaximumValue(), 1);
}

// A frame goes from grey through threshold and morphology to measured objects.
TEST(Objects, FromGreyFrameToMeasuredObjects)
{
  TCPx8bitImage frame(160, 120);
  frame.Fill(30);
  frame.Rectangle(TCGenRect<int>(10, 10, 49, 29), 200); // 40 x 20
  frame.Circle(TCGenPoint<int>(100, 40), 15, 180, 1, true);
  frame.Rectangle(TCGenRect<int>(60, 80, 139, 109), 220); // 80 x 30
  // Salt noise that the opening must remove.
  for (int i = 0; i < 40; ++i)
    frame.SetPixelFast((i * 37) % 160, 60 + (i * 13) % 15, 255);

  TCPx8bitImage mask(frame);
  // Foreground lies above the Otsu level.
  TCPxFilterDoubleThreshold(mask.GetOtsuThreshold() + 1, 255).ProcessImage(&mask, nullptr);
  TCPxFilterMorphology(Px::Open, 1, true).ProcessImage(&mask, nullptr);

  ContourList objects;
  mask.FindContours(objects.items, Px::FindContoursExternal, false);
  ASSERT_EQ(objects.items.size(), 3u);
  std::multiset<std::pair<int, int>> centres;
  std::multiset<double> areas;
  for (const TCPxContour* c : objects.items)
  {
    const TCGenPoint<double> cog = c->GetCOG();
    centres.insert({static_cast<int>(std::lround(cog.GetX())), static_cast<int>(std::lround(cog.GetY()))});
    areas.insert(c->GetArea());
  }
  EXPECT_EQ(centres.count({30, 20}), 1u);  // 10..49 x 10..29
  EXPECT_EQ(centres.count({100, 40}), 1u);
  EXPECT_EQ(centres.count({100, 95}), 1u); // 60..139 x 80..109
  EXPECT_EQ(areas.count(800.0), 1u);
  EXPECT_EQ(areas.count(2400.0), 1u);
  areas.erase(800.0);
  areas.erase(2400.0);
  ASSERT_EQ(areas.size(), 1u);
  // The disc's outline area counts the pixels the cleaned mask holds there.
  const double discPixels = cv::countNonZero((*mask.GetFullMatPtr())(cv::Rect(80, 20, 41, 41)));
  EXPECT_NEAR(*areas.begin(), discPixels, 0.02 * discPixels);
  EXPECT_NEAR(discPixels, M_PI * 15.5 * 15.5, 80.0);
}

TEST(ContourUtilities, BuildHullUnionAndInsideTests)
{
  std::unique_ptr<TCPxContour> square(TCPxUtil::CreateContourFromPoints(
      std::vector<TCGenPoint<double>>{{0.0, 0.0}, {10.5, 0.0}, {10.4, 9.6}, {0.0, 10.0}}));
  ASSERT_EQ(square->GetPoints().size(), 4u);
  EXPECT_EQ(square->GetPoints()[1], cv::Point(10, 0)); // 10.5 rounds to even
  EXPECT_EQ(square->GetPoints()[2], cv::Point(10, 10));

  EXPECT_EQ(TCPxUtil::CreateConvexHullContour({}), nullptr);
  std::unique_ptr<TCPxContour> copy(TCPxUtil::CreateConvexHullContour({square.get()}));
  EXPECT_EQ(copy->GetPoints(), square->GetPoints());
  std::unique_ptr<TCPxContour> far(TCPxUtil::CreateContourFromPoints(
      std::vector<TCGenPoint<int>>{{20, 0}, {30, 0}, {30, 10}, {20, 10}}));
  std::unique_ptr<TCPxContour> hull(TCPxUtil::CreateConvexHullContour({square.get(), far.get()}));
  EXPECT_EQ(hull->GetBoundingRect(), TCGenRect<int>(0, 0, 31, 11));

  // Two blobs joined by a line become one outline spanning both.
  auto a = std::shared_ptr<TCPxContour>(TCPxUtil::CreateContourFromPoints(
      std::vector<TCGenPoint<int>>{{2, 2}, {8, 2}, {8, 8}, {2, 8}}));
  auto b = std::shared_ptr<TCPxContour>(TCPxUtil::CreateContourFromPoints(
      std::vector<TCGenPoint<int>>{{20, 2}, {26, 2}, {26, 8}, {20, 8}}));
  auto c = std::shared_ptr<TCPxContour>(TCPxUtil::CreateContourFromPoints(
      std::vector<TCGenPoint<int>>{{2, 20}, {8, 20}, {8, 26}, {2, 26}}));
  const auto joined = TCPxUtil::CreateUnionContour(a, b);
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(joined->GetBoundingRect(), TCGenRect<int>(2, 2, 27, 9));
  const auto all = TCPxUtil::CreateUnionContour(std::vector<std::shared_ptr<TCPxContour>>{a, b, c});
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->GetBoundingRect(), TCGenRect<int>(2, 2, 27, 27));
  EXPECT_EQ(TCPxUtil::CreateUnionContour(std::vector<std::shared_ptr<TCPxContour>>{}), nullptr);
  EXPECT_EQ(TCPxUtil::CreateUnionContour(std::vector<std::shared_ptr<TCPxContour>>{a})->GetPoints(), a->GetPoints());

  const std::vector<TCGenPoint<double>> polygon{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_TRUE(TCPxUtil::PointInPolygon(polygon, TCGenPoint<double>(10, 10))); // corner: on the edge
  EXPECT_TRUE(TCPxUtil::PointInPolygon(polygon, TCGenPoint<double>(5, 5)));
  EXPECT_FALSE(TCPxUtil::PointInPolygon(polygon, TCGenPoint<double>(10.5, 5)));
  EXPECT_FALSE(TCPxUtil::PointInPolygon({}, TCGenPoint<double>(0, 0)));
}

TEST(ContourUtilities, DistanceImageInsideTheMask)
{
  std::unique_ptr<TCPxContour> square(TCPxUtil::CreateContourFromPoints(
      std::vector<TCGenPoint<int>>{{2, 2}, {12, 2}, {12, 12}, {2, 12}}));
  TCPxFloatImage target(16, 16), mask(16, 16);
  mask.Fill(1.0f);
  mask.SetPixel(7, 8, 0.0f);
  TCPxUtil::FillDistImage(&target, mask, *square);
  EXPECT_FLOAT_EQ(target.GetPixel(7, 7), 0.0f);                  // inside the contour
  EXPECT_FLOAT_EQ(target.GetPixel(0, 0), std::sqrt(8.0f));       // outside: distance to the corner (2, 2)
  EXPECT_FLOAT_EQ(target.GetPixel(15, 7), 3.0f);
  EXPECT_FLOAT_EQ(target.GetPixel(7, 8), -1.0f); // masked out
}
