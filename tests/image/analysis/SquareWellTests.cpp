// The well-plate detector's rectangular model and the choice between models:
// the steps one by one, then rendered plates.
#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <tbb/global_control.h>

#include <general/TCGenMathUtils.h>
#include <general/TCGenRect.h>
#include <pixolan/analysis/TCPxAquavistWellDetector.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <tarvekmath/TCMathUblasUtils.h>

#include "PxRectGrid.h"
#include "Scenes.h"

namespace
{
using Selections = std::vector<std::vector<int>>;

Math::Vector Values(const std::vector<double>& v)
{
  Math::Vector out(v.size());
  std::copy(v.begin(), v.end(), out.begin());
  return out;
}

std::vector<double> Plain(const Math::Vector& v) { return std::vector<double>(v.begin(), v.end()); }

long long Binomial(int n, int k)
{
  long long c = 1;
  for (int i = 1; i <= k; ++i)
    c = c * (n - k + i) / i;
  return c;
}

TCPxAquavistGridInfoRect RectGrid(int rows, int cols, double cx, double cy, double dx, double dy, double hw,
                                  double hh)
{
  TCPxAquavistGridInfoRect g;
  g.rows = rows;
  g.cols = cols;
  g.centre = TCGenPoint<double>(cx, cy);
  g.dx = dx;
  g.dy = dy;
  g.halfWidth = hw;
  g.halfHeight = hh;
  return g;
}

/// The outline score as first stated: every rectangle drawn on a cleared
/// full frame, ANDed with the edge image, the frame summed.
double DrawnScore(const TCPx8bitImage& edges, const TCPxAquavistGridInfoRect& g)
{
  TCPx8bitImage scratch(edges.GetWidth(), edges.GetHeight());
  scratch.Fill(0);
  for (int i = 0; i < g.cols; ++i)
    for (int j = 0; j < g.rows; ++j)
    {
      const double x = g.centre.GetX() + (i - (g.cols - 1) / 2.0) * g.dx;
      const double y = g.centre.GetY() + (j - (g.rows - 1) / 2.0) * g.dy;
      scratch.Rectangle(TCGenRect<int>(TCGenMathUtils::Round(x - g.halfWidth), TCGenMathUtils::Round(y - g.halfHeight),
                                       TCGenMathUtils::Round(x + g.halfWidth), TCGenMathUtils::Round(y + g.halfHeight)),
                        255, 1);
    }
  scratch.And(edges);
  return scratch.Sum();
}

void ExpectSameGrid(const TCPxAquavistGridInfoRect& a, const TCPxAquavistGridInfoRect& b)
{
  EXPECT_EQ(a.rows, b.rows);
  EXPECT_EQ(a.cols, b.cols);
  EXPECT_EQ(a.centre.GetX(), b.centre.GetX());
  EXPECT_EQ(a.centre.GetY(), b.centre.GetY());
  EXPECT_EQ(a.dx, b.dx);
  EXPECT_EQ(a.dy, b.dy);
  EXPECT_EQ(a.halfWidth, b.halfWidth);
  EXPECT_EQ(a.halfHeight, b.halfHeight);
}

/// A plate on a frame with blur, a lighting gradient and a little noise.
struct PlateScene
{
  std::string name;
  scenes::Scene scene;
  scenes::Plate plate;
};

PlateScene SquarePlate(const std::string& name, int width, int height, int rows, int cols, double pitch, double wall,
                       double corner, double gradient, double noise, std::uint32_t seed)
{
  PlateScene s{name, {}, {}};
  s.scene.width = width;
  s.scene.height = height;
  s.scene.background = 150;
  s.scene.gradient = gradient;
  s.scene.blurSigma = 1;
  s.scene.noiseSigma = noise;
  s.scene.seed = seed;
  s.plate.rows = rows;
  s.plate.cols = cols;
  s.plate.cx = width / 2.0 + 0.6;
  s.plate.cy = height / 2.0 - 0.3;
  s.plate.dx = pitch;
  s.plate.dy = pitch * 0.99;
  s.plate.square = true;
  s.plate.halfWidth = s.plate.dx / 2 - wall / 2;
  s.plate.halfHeight = s.plate.dy / 2 - wall / 2;
  s.plate.cornerRadius = corner;
  s.plate.wellLevel = 70;
  scenes::AddPlate(s.plate, &s.scene);
  return s;
}

void ExpectRectFound(const TCPxAquavistGridInfoRect& g, const scenes::Plate& p)
{
  ASSERT_EQ(g.rows, p.rows);
  ASSERT_EQ(g.cols, p.cols);
  EXPECT_NEAR(g.centre.GetX(), p.cx, 1.5);
  EXPECT_NEAR(g.centre.GetY(), p.cy, 1.5);
  EXPECT_NEAR(g.dx, p.dx, 0.015 * p.dx);
  EXPECT_NEAR(g.dy, p.dy, 0.015 * p.dy);
  EXPECT_NEAR(g.halfWidth, p.halfWidth, 2.0);
  EXPECT_NEAR(g.halfHeight, p.halfHeight, 2.0);
  EXPECT_LE(2 * g.halfWidth, g.dx);
  EXPECT_LE(2 * g.halfHeight, g.dy);
}

bool IsZero(const TCPxAquavistGridInfoCircle& g)
{
  return g.rows == 0 && g.cols == 0 && g.dx == 0 && g.dy == 0 && g.radius == 0 && g.centre.GetX() == 0 &&
         g.centre.GetY() == 0;
}

bool IsZero(const TCPxAquavistGridInfoRect& g)
{
  return g.rows == 0 && g.cols == 0 && g.dx == 0 && g.dy == 0 && g.halfWidth == 0 && g.halfHeight == 0 &&
         g.centre.GetX() == 0 && g.centre.GetY() == 0;
}
}  // namespace

TEST(SquareWells, SelectionsComeInLexicographicOrderAndInFull)
{
  EXPECT_EQ(pxdetect::GenerateSelections(5, 3, 0),
            (Selections{{0, 1, 2}, {0, 1, 3}, {0, 1, 4}, {0, 2, 3}, {0, 2, 4}, {0, 3, 4}, {1, 2, 3}, {1, 2, 4},
                        {1, 3, 4}, {2, 3, 4}}));
  EXPECT_EQ(pxdetect::GenerateSelections(6, 2, 3), (Selections{{3, 4}, {3, 5}, {4, 5}}));
  EXPECT_EQ(pxdetect::GenerateSelections(4, 1, 1), (Selections{{1}, {2}, {3}}));
  EXPECT_EQ(pxdetect::GenerateSelections(4, 4, 0), (Selections{{0, 1, 2, 3}}));
  EXPECT_TRUE(pxdetect::GenerateSelections(3, 4, 0).empty());
  EXPECT_TRUE(pxdetect::GenerateSelections(5, 3, 3).empty());
  EXPECT_TRUE(pxdetect::GenerateSelections(5, 0, 0).empty());
  // Counts are binomial, and every list ascends and follows the previous one
  // in lexicographic order (so none repeats), also where nothing is stored.
  for (const auto& [n, k] : std::vector<std::pair<int, int>>{{9, 4}, {12, 6}, {18, 12}, {30, 24}})
  {
    pxdetect::SelectionEnumerator selections(n, k, 0);
    std::vector<int> previous;
    long long count = 0;
    while (selections.Next())
    {
      const std::vector<int>& s = selections.Current();
      ASSERT_EQ(static_cast<int>(s.size()), k);
      ASSERT_TRUE(std::is_sorted(s.begin(), s.end()) && std::adjacent_find(s.begin(), s.end()) == s.end());
      ASSERT_TRUE(previous.empty() || previous < s);
      ASSERT_TRUE(s.front() >= 0 && s.back() < n);
      previous = s;
      ++count;
    }
    EXPECT_EQ(count, Binomial(n, k)) << n << " " << k;
    EXPECT_FALSE(selections.Next());
  }
}

TEST(SquareWells, CentreChoosersPickEvenlySpacedOrMiddleMostPeaks)
{
  using pxdetect::CalcMaxCentersFromDist;
  using pxdetect::CalcMaxCentersFromPeaks;
  // Costs by hand (gap error + distance of the mean from 15): (0,1) 10, (0,2) 15,
  // (0,3) 20, (1,2) 0, (1,3) 15, (2,3) 10.
  EXPECT_EQ(Plain(CalcMaxCentersFromDist(Values({0, 10, 20, 30}), 2, 10, 30)), (std::vector<double>{10, 20}));
  // (0,1) and (2,3) tie at 6 (length 31 halves to 15): the first wins.
  EXPECT_EQ(Plain(CalcMaxCentersFromDist(Values({4, 14, 16, 26}), 2, 10, 31)), (std::vector<double>{4, 14}));
  // The chosen peaks are rounded, halves away from zero; k >= n keeps them as they are.
  EXPECT_EQ(Plain(CalcMaxCentersFromDist(Values({2.5, 12.5, 40.2}), 2, 10, 15)), (std::vector<double>{3, 13}));
  EXPECT_EQ(Plain(CalcMaxCentersFromDist(Values({1.5, 2.5}), 2, 10, 15)), (std::vector<double>{1.5, 2.5}));

  // Length 100, margin 10: 5 and 95 lie outside, 10 and 90 inside. Distances
  // from 50: 10 -> 40, 45 -> 5, 55 -> 5, 60 -> 10, 40 -> 10, 90 -> 40.
  const Math::Vector peaks = Values({5, 10, 45, 55, 60, 40, 90, 95});
  // Three kept: 60 replaces 10; 40 ties with the farthest kept (60) and stays out.
  EXPECT_EQ(Plain(CalcMaxCentersFromPeaks(peaks, 3, 100, 10)), (std::vector<double>{60, 45, 55}));
  // Four kept: 40 replaces 10 and goes after 60, its equal; equals keep their order.
  EXPECT_EQ(Plain(CalcMaxCentersFromPeaks(peaks, 4, 100, 10)), (std::vector<double>{60, 40, 45, 55}));
  EXPECT_EQ(Plain(CalcMaxCentersFromPeaks(peaks, 6, 100, 10)), (std::vector<double>{10, 90, 60, 40, 45, 55}));
  EXPECT_TRUE(CalcMaxCentersFromPeaks(peaks, 7, 100, 10).empty());
  EXPECT_EQ(Plain(CalcMaxCentersFromPeaks(Values({20.5, 49.5}), 2, 100, 10)), (std::vector<double>{20.5, 49.5}));
}

TEST(SquareWells, SmoothingWidensUntilFewEnoughValleysRemain)
{
  // Walls every 40 rows with a ripple on top: more than 8 + 6 valleys at
  // sigma 5 and 6. The columns have one broad bump and few valleys from the start.
  const int height = 400, width = 300, margin = 12, rows = 8;
  Math::Vector rowProfile(height), colProfile(width);
  for (int y = 0; y < height; ++y)
  {
    const double d = std::fmod(y, 40.0) - 20;
    rowProfile(y) = y >= margin && y < height - margin
                        ? 1000 + 4000 * std::exp(-d * d / 18) + 4000 * std::cos(2 * 3.14159265358979 * y / 17.0)
                        : 0;
  }
  for (int x = 0; x < width; ++x)
    colProfile(x) = x >= margin && x < width - margin ? 1000 + 4000 * std::exp(-(x - 150.0) * (x - 150.0) / 50) : 0;
  const pxdetect::ProfileValleys v = pxdetect::FindProfileValleys(rowProfile, colProfile, margin, rows, 2);
  ASSERT_TRUE(v.found);
  EXPECT_GE(v.sigma, 7);
  EXPECT_NEAR(1 / v.fy, 40, 1.5);  // the dominant period: the walls

  // Valleys of the raw rows smoothed with sigma, the borders raised to the raw maximum.
  const auto valleys = [&](double sigma) {
    Math::Vector p = TCMathUblasUtils::Convolve(rowProfile, TCMathUblasUtils::CreateGaussian1D(sigma));
    const double top = *std::max_element(rowProfile.begin(), rowProfile.end());
    for (int i = 0; i < margin; ++i)
      p(i) = p(height - 1 - i) = top;
    return TCMathUblasUtils::FindPeakCenters(-p);
  };
  for (double sigma = 5; sigma < v.sigma; sigma += 1)
    EXPECT_GT(valleys(sigma).size(), static_cast<std::size_t>(rows + 6)) << sigma;
  const std::vector<double> expected = valleys(v.sigma);
  EXPECT_LE(expected.size(), static_cast<std::size_t>(rows + 6));
  EXPECT_EQ(Plain(v.rowPeaks), expected);
  EXPECT_LE(v.colPeaks.size(), 8u);
}

TEST(SquareWells, OutlineScoresEqualTheDrawnOutlinesAlsoAtTheBorder)
{
  // Random edges; random grids reaching over every border, with touching,
  // overlapping and degenerate outlines.
  TCPx8bitImage edges(97, 71);
  cv::RNG(5).fill(*edges.GetFullMatPtr(), cv::RNG::UNIFORM, 0, 256);
  const pxdetect::RectOutlineScorer scorer(edges);
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> position(-15, 112), pitch(0, 30), half(-2, 18);
  for (int t = 0; t < 400; ++t)
  {
    const int rows = 1 + static_cast<int>(rng() % 4), cols = 1 + static_cast<int>(rng() % 5);
    TCPxAquavistGridInfoRect g = RectGrid(rows, cols, position(rng), position(rng) * 0.7, pitch(rng), pitch(rng),
                                          half(rng), half(rng));
    if (t % 4 == 0)
      g.halfWidth = g.dx / 2;  // neighbours share their sides
    ASSERT_EQ(scorer.Score(g), DrawnScore(edges, g)) << t;
  }
  EXPECT_EQ(scorer.Score(RectGrid(2, 2, -500, -500, 10, 10, 3, 3)), 0);
}

TEST(SquareWells, SearchKeepsTheFirstOfTiedCandidatesAndShrinksThePitch)
{
  // On a blank edge image every candidate scores 0: the first candidate of
  // the first task (smallest pitches, centre up and left, both halves one
  // less) must win on every thread count, then the pitch shrinks by 0.4 %.
  TCPx8bitImage blank(120, 90);
  blank.Fill(0);
  const TCPxAquavistGridInfoRect input = RectGrid(3, 4, 60.3, 45.2, 24, 20, 9, 8);
  const double ax = 24 * 0.5 / 4, ay = 20 * 0.5 / 3;
  TCPxAquavistGridInfoRect first;
  {
    const tbb::global_control workers(tbb::global_control::max_allowed_parallelism, 2);
    first = pxdetect::PostFitRectGrid(blank, input);
  }
  EXPECT_DOUBLE_EQ(first.centre.GetX(), 59.3);
  EXPECT_DOUBLE_EQ(first.centre.GetY(), 44.2);
  EXPECT_DOUBLE_EQ(first.dx, (24 - ax) * 0.996);
  EXPECT_DOUBLE_EQ(first.dy, (20 - ay) * 0.996);
  EXPECT_EQ(first.halfWidth, 8);
  EXPECT_EQ(first.halfHeight, 7);
  {
    const tbb::global_control workers(tbb::global_control::max_allowed_parallelism, 1);
    ExpectSameGrid(pxdetect::PostFitRectGrid(blank, input), first);
  }
  // A grid that ends beyond the border: the input comes back unchanged, not shrunk.
  const TCPxAquavistGridInfoRect outside = RectGrid(3, 4, 10, 45.2, 24, 20, 9, 8);
  ExpectSameGrid(pxdetect::PostFitRectGrid(blank, outside), outside);
  // Half a width of 13 on a pitch of 24: the pitches of tasks 0 to 5 are too
  // small for any candidate, so task 6 (the input pitch) wins the tie among
  // tasks 6 to 11; the half width is clamped to half the shrunk pitch.
  const auto wide = pxdetect::PostFitRectGrid(blank, RectGrid(3, 4, 60.3, 45.2, 24, 20, 13, 8));
  EXPECT_DOUBLE_EQ(wide.dx, 24 * 0.996);
  EXPECT_DOUBLE_EQ(wide.halfWidth, wide.dx / 2);
}

TEST(WellModel, ChoiceFollowsTheStrongerOutlinesAndTiesGoToRectangles)
{
  // Circles of radius 8 and rectangles of half size 15 on a pitch of 40: the
  // outlines lie apart, so each can be lit on its own.
  TCPxAquavistGridInfoCircle circles;
  circles.rows = 2;
  circles.cols = 3;
  circles.centre = TCGenPoint<double>(80, 50);
  circles.dx = circles.dy = 40;
  circles.radius = 8.2;
  const TCPxAquavistGridInfoRect rects = RectGrid(2, 3, 80, 50, 40, 40, 15, 15);
  const auto lit = [&](bool ringsLit, bool rectsLit) {
    cv::Mat f(100, 160, CV_32F, cv::Scalar(10));
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 2; ++j)
      {
        const cv::Point c(40 + 40 * i, 30 + 40 * j);
        if (ringsLit)
          cv::circle(f, c, 8, cv::Scalar(200), 3);
        if (rectsLit)
          cv::rectangle(f, c - cv::Point(15, 15), c + cv::Point(15, 15), cv::Scalar(120), 3);
      }
    TCPxFloatImage image(160, 100);
    f.copyTo(*image.GetFullMatPtr());
    return image;
  };
  double c = -1, r = -1;
  auto wells = pxdetect::ChooseWellModel(lit(true, false), circles, rects, &c, &r);
  EXPECT_TRUE(wells.isCircle && !wells.isRect && IsZero(wells.rect));
  EXPECT_EQ(wells.circle.radius, 8.2);
  EXPECT_FLOAT_EQ(c, 200);
  EXPECT_FLOAT_EQ(r, 10);
  wells = pxdetect::ChooseWellModel(lit(true, true), circles, rects, &c, &r);
  EXPECT_TRUE(wells.isCircle && !wells.isRect);
  wells = pxdetect::ChooseWellModel(lit(false, true), circles, rects, &c, &r);
  EXPECT_TRUE(wells.isRect && !wells.isCircle && IsZero(wells.circle));
  EXPECT_EQ(wells.rect.halfWidth, 15);
  EXPECT_FLOAT_EQ(c, 10);
  EXPECT_FLOAT_EQ(r, 120);
  // Equal means: the rectangles.
  wells = pxdetect::ChooseWellModel(lit(false, false), circles, rects, &c, &r);
  EXPECT_TRUE(wells.isRect && !wells.isCircle);
  EXPECT_EQ(c, r);
  // One model found: it wins whatever the other's outlines would collect, and
  // only its score is measured.
  wells = pxdetect::ChooseWellModel(lit(false, true), circles, TCPxAquavistGridInfoRect(), &c, &r);
  EXPECT_TRUE(wells.isCircle && !wells.isRect);
  EXPECT_FLOAT_EQ(c, 10);
  EXPECT_EQ(r, 0);
  wells = pxdetect::ChooseWellModel(lit(true, false), TCPxAquavistGridInfoCircle(), rects, &c, &r);
  EXPECT_TRUE(wells.isRect && !wells.isCircle);
  EXPECT_EQ(c, 0);
  EXPECT_FLOAT_EQ(r, 10);
  wells = pxdetect::ChooseWellModel(lit(true, true), {}, {}, nullptr, nullptr);
  EXPECT_FALSE(wells.isRect || wells.isCircle);
  // A rectangle over the left border is cut to it: its left side is drawn on
  // column 0, lit here, its right side lies beyond the frame's last column.
  cv::Mat f(100, 160, CV_32F, cv::Scalar(0));
  f.col(0).setTo(100);
  TCPxFloatImage border(160, 100);
  f.copyTo(*border.GetFullMatPtr());
  EXPECT_FLOAT_EQ(pxdetect::MeanUnderOutlines(border, RectGrid(1, 1, 2, 50, 10, 10, 5, 5)), 1100 / 34.0);
  EXPECT_FLOAT_EQ(pxdetect::MeanUnderOutlines(border, RectGrid(1, 1, 160, 50, 10, 10, 5, 5)), 0);
}

TEST(WellModel, RenderedPlatesGetTheirModelAndScores)
{
  TCPxAquavistWellDetector detector;
  double circleScore = -1, rectScore = -1;
  detector.GetLastModelScores(&circleScore, &rectScore);
  EXPECT_EQ(circleScore, 0);
  EXPECT_EQ(rectScore, 0);

  // Square wells with thin walls, rounded corners, blur, lighting and noise.
  const std::vector<PlateScene> squares = {
      SquarePlate("8x12, walls 3", 640, 480, 8, 12, 48, 3, 4, 40, 2, 3),
      SquarePlate("8x12, walls 2", 640, 480, 8, 12, 47.3, 2, 3, 30, 1, 4),
      SquarePlate("4x6, walls 3", 480, 360, 4, 6, 70, 3, 6, 20, 2, 5)};
  for (const PlateScene& s : squares)
  {
    SCOPED_TRACE(s.name);
    const TCPx8bitImage image = scenes::Render(s.scene);
    const TCPxAquavistGridInfoWells wells = detector.DetectWellsInGrid(image, s.plate.rows, s.plate.cols);
    ASSERT_TRUE(wells.isRect);
    EXPECT_FALSE(wells.isCircle);
    EXPECT_TRUE(IsZero(wells.circle));
    ExpectRectFound(wells.rect, s.plate);
    detector.GetLastModelScores(&circleScore, &rectScore);
    EXPECT_GT(rectScore, 50);
    EXPECT_EQ(circleScore, 0);  // no circle grid on these plates
    // The square path alone gives the same grid, call after call.
    ExpectSameGrid(detector.DetectSquaresInGrid(image, s.plate.rows, s.plate.cols), wells.rect);
  }

  // Circular wells: the circle model, no rectangles found.
  {
    scenes::Scene scene;
    scene.background = 120;
    scene.gradient = 20;
    scene.blurSigma = 1;
    scene.noiseSigma = 3;
    scenes::Plate p;
    p.cx = 320.4;
    p.cy = 240.2;
    p.radius = 18;
    scenes::AddPlate(p, &scene);
    const auto wells = detector.DetectWellsInGrid(scenes::Render(scene), 8, 12);
    ASSERT_TRUE(wells.isCircle);
    EXPECT_FALSE(wells.isRect);
    EXPECT_TRUE(IsZero(wells.rect));
    EXPECT_NEAR(wells.circle.centre.GetX(), p.cx, 1.5);
    EXPECT_NEAR(wells.circle.dx, p.dx, 0.005 * p.dx);
    EXPECT_NEAR(wells.circle.radius, p.radius, 1.5);
    detector.GetLastModelScores(&circleScore, &rectScore);
    EXPECT_GT(circleScore, 50);
    EXPECT_EQ(rectScore, 0);
  }

  // Rounded squares fit both models; the choice follows the corners.
  for (const auto& [corner, circleWins] : std::vector<std::pair<double, bool>>{{12, false}, {21, true}})
  {
    SCOPED_TRACE(corner);
    scenes::Scene scene;
    scene.background = 150;
    scene.gradient = 30;
    scene.blurSigma = 1;
    scene.noiseSigma = 2;
    scene.seed = 3;
    scenes::Plate p;
    p.cx = 320.6;
    p.cy = 240.3;
    p.square = true;
    p.halfWidth = p.halfHeight = 22.5;
    p.cornerRadius = corner;
    p.wellLevel = 70;
    scenes::AddPlate(p, &scene);
    const auto wells = detector.DetectWellsInGrid(scenes::Render(scene), 8, 12);
    detector.GetLastModelScores(&circleScore, &rectScore);
    EXPECT_GT(circleScore, 50);
    EXPECT_GT(rectScore, 50);
    EXPECT_EQ(wells.isCircle, circleWins);
    EXPECT_EQ(wells.isRect, !circleWins);
    EXPECT_EQ(circleScore > rectScore, circleWins);
  }

  // A blank frame: neither model, both scores 0; one row has no rectangle grid.
  scenes::Scene blank;
  blank.noiseSigma = 5;
  blank.gradient = 30;
  const TCPx8bitImage empty = scenes::Render(blank);
  const auto none = detector.DetectWellsInGrid(empty, 8, 12);
  EXPECT_FALSE(none.isCircle || none.isRect);
  EXPECT_TRUE(IsZero(none.circle) && IsZero(none.rect));
  detector.GetLastModelScores(&circleScore, &rectScore);
  EXPECT_EQ(circleScore, 0);
  EXPECT_EQ(rectScore, 0);
  EXPECT_TRUE(IsZero(detector.DetectSquaresInGrid(scenes::Render(squares[0].scene), 1, 12)));
  detector.GetLastModelScores(nullptr, nullptr);
}
