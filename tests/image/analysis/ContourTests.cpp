#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <random>
#include <set>
#include <sstream>

#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>

namespace
{
const double kPi = 3.14159265358979323846;

// Boundary pixels of a w x h block at (x0, y0), clockwise on screen from the
// top-left corner: 2(w - 1) + 2(h - 1) points.
std::vector<cv::Point> Block(int x0, int y0, int w, int h)
{
  std::vector<cv::Point> p;
  for (int x = 0; x < w - 1; ++x) p.emplace_back(x0 + x, y0);
  for (int y = 0; y < h - 1; ++y) p.emplace_back(x0 + w - 1, y0 + y);
  for (int x = w - 1; x > 0; --x) p.emplace_back(x0 + x, y0 + h - 1);
  for (int y = h - 1; y > 0; --y) p.emplace_back(x0, y0 + y);
  return p;
}

// Outline traced by OpenCV of a filled shape drawn by `draw` on a 300 x 300 mask.
template <typename Draw>
TCPxContour Traced(Draw draw)
{
  cv::Mat mask = cv::Mat::zeros(300, 300, CV_8U);
  draw(mask);
  std::vector<std::vector<cv::Point>> found;
  cv::findContours(mask, found, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
  return TCPxContour(found.at(0));
}

TCPxContour Circle() { return Traced([](cv::Mat& m) { cv::circle(m, {100, 100}, 50, 255, cv::FILLED); }); }

// Points of an ellipse with semi-axes a, b rotated by theta about c, starting at parameter t0.
std::vector<cv::Point> EllipsePoints(cv::Point2d c, double a, double b, double theta, double t0, int n)
{
  std::vector<cv::Point> p;
  for (int j = 0; j < n; ++j)
  {
    const double t = t0 + 2 * kPi * j / n;
    const double x = a * std::cos(t), y = b * std::sin(t);
    p.emplace_back(cvRound(c.x + x * std::cos(theta) - y * std::sin(theta)),
                   cvRound(c.y + x * std::sin(theta) + y * std::cos(theta)));
  }
  return p;
}

double MaxDistanceTo(const TCPxContour& reference, const std::vector<cv::Point>& points)
{
  double worst = 0;
  for (const cv::Point& p : points)
    worst = std::max(worst, std::fabs(cv::pointPolygonTest(reference.GetPoints(), cv::Point2f(p), true)));
  return worst;
}
} // namespace

TEST(Contour, AreaCountsBoundaryPixelsIn)
{
  EXPECT_DOUBLE_EQ(TCPxContour(Block(3, 4, 10, 10)).GetArea(), 100.0);
  EXPECT_DOUBLE_EQ(TCPxContour(Block(0, 0, 20, 10)).GetArea(), 200.0);
  EXPECT_DOUBLE_EQ(TCPxContour({{5, 5}}).GetArea(), 1.5);
  EXPECT_DOUBLE_EQ(TCPxContour({{0, 0}, {2, 0}, {4, 0}, {6, 0}}).GetArea(), 3.0); // zero enclosed area: N/2 + 1
  // A traced disc: close to its pixel count.
  cv::Mat disc = cv::Mat::zeros(300, 300, CV_8U);
  cv::circle(disc, {100, 100}, 50, 255, cv::FILLED);
  EXPECT_NEAR(Circle().GetArea(), cv::countNonZero(disc), 0.01 * cv::countNonZero(disc));
}

TEST(Contour, RectangleMeasurements)
{
  const TCPxContour r({{0, 0}, {20, 0}, {20, 10}, {0, 10}}, TCGenRect<int>(7, 9, 100, 100));
  EXPECT_DOUBLE_EQ(r.GetArea(), 203.0);
  EXPECT_DOUBLE_EQ(r.GetPerimeter(), 60.0);
  EXPECT_EQ(r.GetBoundingRect(), TCGenRect<int>(0, 0, 21, 11));
  EXPECT_DOUBLE_EQ(r.GetCOG().GetX(), 10.0);
  EXPECT_DOUBLE_EQ(r.GetCOG().GetY(), 5.0);
  EXPECT_DOUBLE_EQ(r.GetCorrectedCOG().GetX(), 17.0);
  EXPECT_DOUBLE_EQ(r.GetCorrectedCOG().GetY(), 14.0);
  EXPECT_NEAR(r.GetElongation(), 0.6, 1e-12); // (400 - 100) / (400 + 100)
  EXPECT_NEAR(r.GetLengthAxisAngle(), 0.0, 1e-12);
  // Dudani: s^2 = nu20 + nu02 = 1/6 + 1/24; second value (nu20 - nu02)^2 / s^4 = 0.36.
  const std::vector<double> d = r.GetDudaniMoments();
  ASSERT_EQ(d.size(), 7u);
  EXPECT_NEAR(d[0], std::sqrt(5.0 / 24), 1e-12);
  EXPECT_NEAR(d[1], 0.36, 1e-12);
  const TCPxContour big({{0, 0}, {80, 0}, {80, 40}, {0, 40}});
  for (int i = 0; i < 7; ++i)
    EXPECT_NEAR(big.GetDudaniMoments()[i], d[i], 1e-12) << i;

  auto [centre, size, angle] = r.GetMinAreaRect();
  EXPECT_DOUBLE_EQ(centre.GetX(), 10.0);
  EXPECT_DOUBLE_EQ(centre.GetY(), 5.0);
  EXPECT_EQ(std::max(size.GetWidth(), size.GetHeight()), 20);
  EXPECT_EQ(std::min(size.GetWidth(), size.GetHeight()), 10);
  EXPECT_NEAR(std::remainder(angle, kPi / 2), 0.0, 1e-6);
}

TEST(Contour, CircleAndEllipseFits)
{
  const TCPxContour c = Circle();
  EXPECT_NEAR(c.GetCOG().GetX(), 100.0, 0.05);
  EXPECT_NEAR(c.GetCOG().GetY(), 100.0, 0.05);
  EXPECT_NEAR(c.GetPerimeter(), 2 * kPi * 50, 0.06 * 2 * kPi * 50);
  EXPECT_LT(c.GetElongation(), 0.01);
  auto [centre, size, angle] = c.FitEllipse();
  EXPECT_NEAR(centre.GetX(), 100.0, 0.5);
  EXPECT_NEAR(size.GetWidth(), 100, 2);
  EXPECT_NEAR(size.GetHeight(), 100, 2);
  (void)angle;

  for (double deg : {0.0, 30.0})
  {
    const TCPxContour e = Traced([&](cv::Mat& m) { cv::ellipse(m, {150, 150}, {60, 30}, deg, 0, 360, 255, cv::FILLED); });
    auto [ec, es, ea] = e.FitEllipse();
    EXPECT_NEAR(ec.GetX(), 150.0, 0.5);
    EXPECT_NEAR(std::max(es.GetWidth(), es.GetHeight()), 120, 3);
    EXPECT_NEAR(std::min(es.GetWidth(), es.GetHeight()), 60, 3);
    const double major = es.GetWidth() >= es.GetHeight() ? ea : ea + kPi / 2;
    EXPECT_NEAR(std::remainder(major - deg * kPi / 180, kPi), 0.0, 0.03);
    EXPECT_NEAR(std::remainder(e.GetLengthAxisAngle() - deg * kPi / 180, kPi), 0.0, 0.03);
    EXPECT_NEAR(e.GetElongation(), 0.6, 0.02); // (a^2 - b^2) / (a^2 + b^2)
  }
}

TEST(Contour, IndicesWrapFully)
{
  const TCPxContour c({{0, 0}, {1, 0}, {2, 0}});
  EXPECT_EQ(c.GetPoint(-1), TCGenPoint<int>(2, 0));
  EXPECT_EQ(c.GetPoint(3), TCGenPoint<int>(0, 0));
  EXPECT_EQ(c.GetPoint(-4), TCGenPoint<int>(2, 0));
  EXPECT_EQ(c.GetPoint(-7), TCGenPoint<int>(2, 0));
  EXPECT_EQ(c.GetPoint(INT_MIN), c.GetPoint(INT_MIN % 3 + 3));
  EXPECT_EQ(c.GetPoint(INT_MAX), c.GetPoint(INT_MAX % 3));
  EXPECT_EQ(c.IndexOf({2, 0}), 2);
  EXPECT_EQ(c.IndexOf({5, 0}), -1);
}

TEST(Contour, CopyMoveAndEquality)
{
  TCPxContour a(Block(0, 0, 5, 5), TCGenRect<int>(2, 3, 10, 10));
  a.CreateMoments();
  TCPxContour copy(a);
  EXPECT_TRUE(copy == a);
  EXPECT_TRUE(copy.HasMoments());
  copy.SetROIRect(TCGenRect<int>(2, 3, 50, 50));
  EXPECT_TRUE(copy == a); // right and bottom are not compared
  copy.SetROIRect(TCGenRect<int>(2, 4, 10, 10));
  EXPECT_FALSE(copy == a);

  TCPxContour moved(std::move(a));
  EXPECT_EQ(moved.GetSize(), 16);
  EXPECT_TRUE(moved.HasMoments());
  EXPECT_EQ(moved.GetROIRect(), TCGenRect<int>(2, 3, 10, 10));
  EXPECT_EQ(a.GetSize(), 0);
  EXPECT_FALSE(a.HasMoments());
  EXPECT_EQ(a.GetROIRect(), TCGenRect<int>(0, 0, 1, 1));

  TCPxContour target({{1, 1}});
  target = std::move(moved);
  EXPECT_EQ(target.GetSize(), 16);
  EXPECT_TRUE(target.HasMoments());
  EXPECT_EQ(moved.GetSize(), 0);
  EXPECT_FALSE(moved.HasMoments());
  EXPECT_EQ(moved.GetROIRect(), TCGenRect<int>());

  TCPxContour plain({{1, 1}});
  target = plain; // copy assignment drops the cache the source lacks
  EXPECT_FALSE(target.HasMoments());
  EXPECT_TRUE(target == plain);
}

TEST(Contour, MomentsCacheFollowsTransformations)
{
  TCPxContour c({{0, 0}, {8, 0}, {8, 8}, {0, 8}}, TCGenRect<int>(0, 50, 100, 100));
  c.GetArea();
  c.Translate2({1, 1});
  EXPECT_FALSE(c.HasMoments()); // measurements and transformations do not create it
  EXPECT_DOUBLE_EQ(c.GetCOG().GetX(), 3.0);
  EXPECT_TRUE(c.HasMoments());
  c.Translate2({2.5, -1.5}); // rounded halves to even: (2, -2)
  EXPECT_EQ(c.GetPoint(0), TCGenPoint<int>(-3, 1));
  EXPECT_DOUBLE_EQ(c.GetCOG().GetX(), 1.0);
  c.MoveTo({100.5, 20}); // shift Round(99.5) = 100 (halves away from zero)
  EXPECT_DOUBLE_EQ(c.GetCOG().GetX(), 101.0);
  c.Translate2COG();
  EXPECT_DOUBLE_EQ(c.GetCOG().GetX(), 0.0);
  EXPECT_DOUBLE_EQ(c.GetCOG().GetY(), 0.0);
  c.CorrectForROI();
  EXPECT_DOUBLE_EQ(c.GetCOG().GetY(), 50.0);
  EXPECT_EQ(c.GetPoint(0), TCGenPoint<int>(-4, 46));
  EXPECT_EQ(c.GetROIRect(), TCGenRect<int>());
}

TEST(Contour, RotationTruncatesTowardZero)
{
  TCPxContour c({{10, 0}, {1, 1}, {-1, -1}});
  c.Rotate({0, 0}, kPi / 2);
  EXPECT_EQ(c.GetPoint(0), TCGenPoint<int>(0, 10));
  c = TCPxContour({{1, 1}, {-1, -1}});
  c.Rotate({0, 0}, kPi / 4);
  EXPECT_EQ(c.GetPoint(0), TCGenPoint<int>(0, 1));
  EXPECT_EQ(c.GetPoint(1), TCGenPoint<int>(0, -1));

  // About the centre of gravity (10, 5): each corner within a pixel of its exact image.
  const std::vector<cv::Point> corners{{0, 0}, {20, 0}, {20, 10}, {0, 10}};
  TCPxContour rect(corners);
  rect.Rotate(kPi / 2);
  for (int i = 0; i < 4; ++i)
  {
    const TCGenPoint<double> exact(10 - (corners[i].y - 5), 5 + (corners[i].x - 10));
    EXPECT_LE(exact.Distance(TCGenPoint<double>(rect.GetPoint(i).GetX(), rect.GetPoint(i).GetY())), 1.0) << i;
  }
}

TEST(Contour, DistancesAndInsideTests)
{
  const TCPxContour s({{0, 0}, {8, 0}, {8, 8}, {0, 8}});
  EXPECT_DOUBLE_EQ(s.GetDistance(TCGenPoint<int>(4, 0)), 0.0);
  EXPECT_TRUE(s.IsInside({4, 0}));
  EXPECT_DOUBLE_EQ(s.GetDistance(TCGenPoint<double>(4, 3)), 3.0);
  EXPECT_DOUBLE_EQ(s.GetDistance(TCGenPoint<int>(12, 4)), -4.0);
  EXPECT_FALSE(s.IsInside({12, 4}));
  EXPECT_DOUBLE_EQ(s.GetDistanceToNearestPoint({11, 12}), 5.0);
  EXPECT_EQ(s.PointNearestTo(TCGenPoint<int>(4, 4)), TCGenPoint<int>(0, 0)); // four ties: first wins
  EXPECT_EQ(s.PointNearestTo(TCGenPoint<double>(7.2, 7.9)), TCGenPoint<double>(8, 8));
  EXPECT_EQ(s.GetMaxDistancePointInside(), TCGenPoint<int>(4, 4));
  EXPECT_EQ(s.ApproxMaxDistancePointInside(), TCGenPoint<int>(4, 4));

  const TCPxContour c = Circle();
  const TCGenPoint<int> deep = c.ApproxMaxDistancePointInside();
  EXPECT_NEAR(deep.GetX(), 100, 1);
  EXPECT_NEAR(deep.GetY(), 100, 1);
  const TCGenPoint<double> opposite = c.GetPointOppositeOf({40, 100});
  EXPECT_NEAR(opposite.GetX(), 150, 3);
  EXPECT_NEAR(opposite.GetY(), 100, 3);

  const std::vector<TCGenPoint<int>> onRect = TCPxContour({{0, 0}, {10, 4}, {20, 0}, {20, 20}, {0, 20}}).GetPointsOnBoundingRect();
  EXPECT_EQ(onRect.size(), 4u); // all but the notch (10, 4)
}

TEST(Contour, HullAndDefects)
{
  std::list<TCGenPoint<int>> hull;
  TCPxContour(Block(0, 0, 9, 9)).GetConvexHull(&hull);
  const std::set<std::pair<int, int>> corners{{0, 0}, {8, 0}, {8, 8}, {0, 8}};
  std::set<std::pair<int, int>> got;
  for (const auto& p : hull) got.insert({p.GetX(), p.GetY()});
  EXPECT_EQ(hull.size(), 4u);
  EXPECT_EQ(got, corners);

  // Two notches: 6 deep at the top, 3 deep at the bottom.
  const TCPxContour notched({{0, 0}, {8, 0}, {10, 6}, {12, 0}, {20, 0}, {20, 20}, {12, 20}, {10, 17}, {8, 20}, {0, 20}});
  std::list<TCGenPoint<int>> deepestFirst;
  notched.GetConvexityDefects(&deepestFirst);
  ASSERT_EQ(deepestFirst.size(), 2u);
  EXPECT_EQ(deepestFirst.front(), TCGenPoint<int>(10, 6));
  EXPECT_EQ(deepestFirst.back(), TCGenPoint<int>(10, 17));
  EXPECT_EQ(notched.GetConvexityDefects(2.9).size(), 2u);
  ASSERT_EQ(notched.GetConvexityDefects(5.0).size(), 1u);
  EXPECT_EQ(notched.GetConvexityDefects(5.0)[0], TCGenPoint<int>(10, 6));
  EXPECT_TRUE(notched.GetConvexityDefects(6.1).empty());

  // A self-touching outline that OpenCV rejects has no defects rather than throwing.
  const TCPxContour touching({{0, 0}, {10, 0}, {10, 10}, {5, 5}, {0, 10}, {10, 10}, {5, 12}, {0, 0}, {-3, 4}});
  std::vector<int> hullIdx;
  cv::convexHull(touching.GetPoints(), hullIdx, true, false);
  std::vector<cv::Vec4i> raw;
  EXPECT_ANY_THROW(cv::convexityDefects(touching.GetPoints(), hullIdx, raw));
  std::list<TCGenPoint<int>> none;
  EXPECT_NO_THROW(touching.GetConvexityDefects(&none));
  EXPECT_TRUE(none.empty());
  EXPECT_TRUE(touching.GetConvexityDefects(0.0).empty());
}

TEST(Contour, CurvatureOfSquareCornersAndEdges)
{
  // 32 points anticlockwise on screen from the top-left corner: offset 4.
  std::vector<cv::Point> p = Block(0, 0, 9, 9);
  std::reverse(p.begin() + 1, p.end());
  const TCPxContour s(p);
  ASSERT_EQ(s.GetCurvOffset(), 4);
  EXPECT_DOUBLE_EQ(s.GetCurvature(0), -kPi / 2);
  EXPECT_DOUBLE_EQ(s.GetCurvature(TCGenPoint<int>(0, 8)), -kPi / 2);
  EXPECT_DOUBLE_EQ(s.GetCurvature(TCGenPoint<int>(0, 4)), 0.0);
  EXPECT_EQ(s.GetCurvature(TCGenPoint<int>(4, 4)), DBL_MAX);
  for (int i = 0; i < 32; ++i) // against the exact turning angle, within the table's resolution
  {
    const cv::Point a = p[(i + 28) % 32], q = p[i], b = p[(i + 4) % 32];
    const cv::Point u = q - a, v = b - q;
    EXPECT_NEAR(s.GetCurvature(i), std::atan2(u.cross(v), u.dot(v)), 0.05) << i;
  }
  EXPECT_EQ(s.GetMaxCurvPoint(), TCGenPoint<int>(0, 0));
  EXPECT_EQ(s.GetMaxCurvaturePointWithinDistance({8, 7}, 2.0), TCGenPoint<int>(8, 8));
  EXPECT_EQ(s.GetMaxCurvaturePointWithinDistance({50, 50}, 2.0), TCGenPoint<int>(-1, -1));
  EXPECT_DOUBLE_EQ(s.GetDirection({0, 4}), kPi);        // left edge faces left
  EXPECT_DOUBLE_EQ(s.GetDirection({-3, 4}), kPi);       // via the nearest vertex
  EXPECT_DOUBLE_EQ(s.GetDirection({4, 8}), kPi / 2);    // bottom edge faces down (y grows downward)
  EXPECT_DOUBLE_EQ(s.GetDirection({8, 4}), 0.0);

  EXPECT_EQ(TCPxContour(std::vector<cv::Point>(27)).GetCurvOffset(), 3);
  EXPECT_EQ(TCPxContour(std::vector<cv::Point>(90)).GetCurvOffset(), 10);
  const TCPxContour five({{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}});
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(std::isnan(five.GetCurvature(i)));
  EXPECT_TRUE(std::isnan(five.GetBendingEnergy()));
  EXPECT_EQ(five.GetMaxCurvPoint(), TCGenPoint<int>(-1, -1));
}

TEST(Contour, CurvatureOfCircleIsUniform)
{
  const TCPxContour c = Circle();
  const int n = c.GetSize(), k = c.GetCurvOffset();
  const double expected = 2 * kPi * k / n; // turning angle of chords spanning k steps each
  const double sign = c.GetCurvature(0) < 0 ? -1 : 1;
  for (int i = 0; i < n; ++i)
    ASSERT_NEAR(sign * c.GetCurvature(i), expected, 0.12) << i;
  EXPECT_NEAR(c.GetBendingEnergy(), expected * expected, 0.1 * expected * expected);
}

TEST(Contour, SpectrumMatchesDirectTransform)
{
  for (int n : {7, 8})
  {
    std::vector<cv::Point> p;
    for (int j = 0; j < n; ++j) p.emplace_back(j * j % 11, 3 * j % 5 + j);
    TCPxContour::TDftCoefs X, Y;
    TCPxContour(p).GetXYDftCoefs(&X, &Y);
    ASSERT_EQ(X.size(), static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
    {
      std::complex<double> x, y;
      for (int j = 0; j < n; ++j)
      {
        const std::complex<double> e = std::polar(1.0, -2 * kPi * j * k / n);
        x += double(p[j].x) * e;
        y += double(p[j].y) * e;
      }
      EXPECT_NEAR(std::abs(std::complex<double>(X[k]) - x), 0.0, 1e-4) << n << ' ' << k;
      EXPECT_NEAR(std::abs(std::complex<double>(Y[k]) - y), 0.0, 1e-4) << n << ' ' << k;
    }
    if (n % 2) // odd N has no Nyquist term: exact reconstruction
    {
      TCPxContour back;
      back.ReconstructFromXYDftCoefs(X, Y);
      EXPECT_EQ(back.GetPoints(), p);
    }
  }
}

TEST(Contour, LowPassAndSampledOutlines)
{
  const TCPxContour c = Circle();
  TCPxContour out({{1, 1}});
  c.DFT(&out, c.GetSize() / 2);
  EXPECT_EQ(out.GetPoints(), c.GetPoints()); // every harmonic kept
  c.DFT(&out, 1);
  for (const cv::Point& p : out.GetPoints())
    EXPECT_NEAR(cv::norm(p - cv::Point(100, 100)), 50, 1.5);
  std::list<TCGenPoint<double>> smooth;
  c.DFT(&smooth, 1);
  EXPECT_EQ(smooth.size(), static_cast<std::size_t>(c.GetSize()));

  const TCPxContour e = Traced([](cv::Mat& m) { cv::ellipse(m, {150, 150}, {60, 30}, 20, 0, 360, 255, cv::FILLED); });
  e.DFT(&out, 10);
  EXPECT_LT(MaxDistanceTo(e, out.GetPoints()), 1.5);

  const TCPxContour sampled(EllipsePoints({100, 100}, 50, 50, 0, 0, 64));
  TCPxContour::TDftCoefs X, Y;
  sampled.GetXYDftCoefs(&X, &Y);
  TCPxContour rebuilt({{7, 7}});
  rebuilt.ConstructFromDFTCoefs(2, 64, X, Y);
  EXPECT_EQ(rebuilt.GetSize(), 64);
  for (const cv::Point& p : rebuilt.GetPoints())
    EXPECT_NEAR(cv::norm(p - cv::Point(100, 100)), 50, 1.0);
  rebuilt.ConstructFromDFTCoefs(32, 64, X, Y); // all harmonics below Nyquist: the samples again
  EXPECT_LT(MaxDistanceTo(sampled, rebuilt.GetPoints()), 1.0);
  rebuilt.ConstructFromDFTCoefs(1000, 64, X, Y); // a count beyond the coefficients is bounded
  EXPECT_GE(rebuilt.GetSize(), 1);
  rebuilt.ConstructFromDFTCoefs(2, 0, X, Y);
  EXPECT_EQ(rebuilt.GetSize(), 0);
}

TEST(Contour, NormalisedDescriptorsIgnorePoseAndStart)
{
  const double a = 60, b = 25;
  const auto descriptors = [&](cv::Point2d c, double theta, double t0) {
    const TCPxContour e(EllipsePoints(c, a, b, theta, t0, 200));
    TCPxContour::TDftCoefs X, Y;
    e.CalcNormalizedDftCoefs({c.x + (a + 20) * std::cos(theta), c.y + (a + 20) * std::sin(theta)}, &X, &Y);
    return std::make_pair(X, Y);
  };
  const auto first = descriptors({100, 80}, 0.0, 0.0);
  const auto second = descriptors({300, 200}, 0.7, 1.1);
  const double scale = std::abs(first.first[1]);
  for (int k = 1; k <= 5; ++k)
  {
    EXPECT_NEAR(std::abs(first.first[k] - second.first[k]), 0.0, 0.01 * scale) << k;
    EXPECT_NEAR(std::abs(first.second[k] - second.second[k]), 0.0, 0.01 * scale) << k;
  }
  // The first harmonic ends up on the x axis: Y1 real part 0, X1 real part > 0.
  EXPECT_NEAR(first.second[1].real(), 0.0, 1e-3 * scale);
  EXPECT_GT(first.first[1].real(), 0.0f);
}

TEST(Contour, ShiftToMaxCurvatureStartsOutlineThere)
{
  std::vector<cv::Point> p = EllipsePoints({100, 100}, 40, 40, 0, 0, 61);
  p[20] = cv::Point(100, 100) + (p[20] - cv::Point(100, 100)) * 0.6; // a dent: the most negative turn
  const TCPxContour c(p);
  ASSERT_EQ(c.GetMaxCurvPoint(), TCGenPoint<int>(p[20].x, p[20].y));
  TCPxContour::TDftCoefs X, Y;
  c.GetXYDftCoefs(&X, &Y);
  c.Shift2MaxCurvPoint(&X, &Y);
  TCPxContour shifted;
  shifted.ReconstructFromXYDftCoefs(X, Y);
  EXPECT_EQ(shifted.GetPoint(0), c.GetMaxCurvPoint());
  EXPECT_EQ(shifted.GetPoint(1), c.GetPoint(21));
}

TEST(Contour, TextFormRoundTrip)
{
  for (const TCPxContour& c : {Circle(), Traced([](cv::Mat& m) { cv::ellipse(m, {150, 150}, {90, 40}, 35, 0, 360, 255, cv::FILLED); })})
  {
    std::stringstream s;
    s << c;
    EXPECT_EQ(s.str().find('\n'), std::string::npos);
    TCPxContour back;
    s >> back;
    ASSERT_FALSE(s.fail());
    ASSERT_EQ(back.GetSize(), c.GetSize());
    EXPECT_TRUE(back.HasMoments());
    for (int i = 0; i < c.GetSize(); ++i)
      ASSERT_LE(c.GetPoint(i).Distance(back.GetPoint(i)), 1.5) << i;
  }
  std::stringstream s;
  s << TCPxContour({{1, 2}, {3, 4}, {5, 7}});
  EXPECT_EQ(s.str(), "2;3;9;0;-3;1.73205;2;3;13;0;-3.5;2.59808;");
  TCPxContour target({{9, 9}});
  s >> target; // appends
  EXPECT_EQ(target.GetPoints(), (std::vector<cv::Point>{{9, 9}, {1, 2}, {3, 4}, {5, 7}}));
  std::stringstream empty;
  empty << TCPxContour();
  EXPECT_EQ(empty.str(), "0;0;0;0;");
  empty >> target;
  EXPECT_FALSE(empty.fail());
  EXPECT_EQ(target.GetSize(), 4);
}

TEST(Contour, MalformedTextFailsAndLeavesContourUnchanged)
{
  const std::string good = "2;3;9;0;-3;1.73205;2;3;13;0;-3.5;2.59808;";
  const std::vector<std::string> bad = {
      "", "abc", "2;3;9;0;-3;-1.73205;", "2;3;9;0;-3;-1.73205;2;3;13;0;-4.5;-2.59808",
      "1000000000;1000000000;1;2;", "2;3;nan;0;-3;-1;2;3;13;0;-4.5;-2;", "2;3;inf;0;-3;-1;2;3;13;0;-4.5;-2;",
      "2;3;1e300;0;-3;-1;2;3;13;0;-4.5;-2;", "-1;3;", "2.5;3;", "4;3;", "1;5;1;1;", "2;3;9x;0;-3;-1;2;3;13;0;-4.5;-2;",
      "2;3;9;0;-3;-1;1;2;1;1;", "2;3;;0;-3;-1;2;3;13;0;-4.5;-2;", std::string(1 << 20, '7')};
  for (const std::string& text : bad)
  {
    TCPxContour c({{4, 4}, {5, 5}});
    std::istringstream in(text);
    in >> c;
    EXPECT_TRUE(in.fail()) << text.substr(0, 60);
    EXPECT_EQ(c, TCPxContour({{4, 4}, {5, 5}}));
    EXPECT_FALSE(c.HasMoments());
  }
  // Random and mutated text: either a clean read or a failure with nothing changed.
  std::mt19937 rng(7);
  const std::string alphabet = "0123456789;;;.-e+ naif";
  for (int iter = 0; iter < 3000; ++iter)
  {
    std::string text = good;
    if (iter % 3 == 0)
    {
      text.assign(rng() % 80, ' ');
      for (char& ch : text) ch = alphabet[rng() % alphabet.size()];
    }
    else
      for (int m = 0, count = 1 + rng() % 4; m < count && !text.empty(); ++m)
      {
        const std::size_t at = rng() % text.size();
        switch (rng() % 3)
        {
        case 0: text[at] = alphabet[rng() % alphabet.size()]; break;
        case 1: text.erase(at, 1 + rng() % 4); break;
        default: text.insert(at, 1, alphabet[rng() % alphabet.size()]);
        }
      }
    TCPxContour c({{4, 4}});
    std::istringstream in(text);
    in >> c;
    if (in.fail())
      ASSERT_EQ(c, TCPxContour({{4, 4}})) << text;
    else
      ASSERT_GE(c.GetSize(), 1) << text;
  }
}

TEST(Contour, EmptyAndTinyContoursGiveSentinels)
{
  TCPxContour e;
  EXPECT_EQ(e.GetArea(), 0.0);
  EXPECT_EQ(e.GetPerimeter(), 0.0);
  EXPECT_EQ(e.GetBoundingRect(), TCGenRect<int>());
  EXPECT_EQ(e.GetPoint(0), TCGenPoint<int>(-1, -1));
  EXPECT_EQ(e.GetPoint(-5), TCGenPoint<int>(-1, -1));
  EXPECT_EQ(e.GetCOG(), TCGenPoint<double>(-1, -1));
  EXPECT_EQ(e.GetElongation(), -1.0);
  EXPECT_TRUE(std::isnan(e.GetDudaniMoments()[0]));
  EXPECT_EQ(std::get<0>(e.FitEllipse()), TCGenPoint<double>(-1, -1));
  EXPECT_EQ(std::get<0>(e.GetMinAreaRect()), TCGenPoint<double>(-1, -1));
  EXPECT_EQ(e.GetDistance(TCGenPoint<int>(0, 0)), -DBL_MAX);
  EXPECT_FALSE(e.IsInside({0, 0}));
  EXPECT_TRUE(std::isnan(e.GetDistanceToNearestPoint({0, 0})));
  EXPECT_EQ(e.PointNearestTo(TCGenPoint<int>(3, 3)), TCGenPoint<int>(-1, -1));
  EXPECT_EQ(e.PointNearestTo(TCGenPoint<double>(3, 3)), TCGenPoint<double>(-1, -1));
  EXPECT_EQ(e.GetMaxDistancePointInside(), TCGenPoint<int>(-1, -1));
  EXPECT_EQ(e.ApproxMaxDistancePointInside(), TCGenPoint<int>(-1, -1));
  EXPECT_EQ(e.GetPointOppositeOf({1, 1}), TCGenPoint<double>(-1, -1));
  EXPECT_TRUE(std::isnan(e.GetCurvature(0)));
  EXPECT_TRUE(std::isnan(e.GetBendingEnergy()));
  EXPECT_TRUE(std::isnan(e.GetDirection({0, 0})));
  EXPECT_EQ(e.GetMaxCurvPoint(), TCGenPoint<int>(-1, -1));
  std::list<TCGenPoint<int>> list;
  e.GetConvexHull(&list);
  e.GetConvexityDefects(&list);
  EXPECT_TRUE(list.empty());
  TCPxContour::TDftCoefs X, Y;
  e.CalcNormalizedDftCoefs({0, 0}, &X, &Y);
  e.Shift2MaxCurvPoint(&X, &Y);
  EXPECT_TRUE(X.empty());
  TCPxContour out({{1, 1}});
  e.DFT(&out, 3);
  EXPECT_EQ(out.GetSize(), 0);
  e.Translate2COG();
  e.MoveTo({5, 5});
  e.Rotate(1.0);
  EXPECT_EQ(e.GetSize(), 0);

  // A line (m00 = 0): the centre is the mean of the points; no ellipse from two points.
  const TCPxContour line({{0, 0}, {2, 0}, {4, 0}, {6, 0}});
  EXPECT_EQ(line.GetCOG(), TCGenPoint<double>(3, 0));
  EXPECT_EQ(line.GetElongation(), -1.0);
  EXPECT_TRUE(std::isnan(line.GetDudaniMoments()[3]));
  EXPECT_EQ(std::get<1>(TCPxContour({{0, 0}, {3, 3}}).FitEllipse()), TCGenSize<int>(0, 0));
  EXPECT_EQ(TCPxContour({{3, 3}}).GetPointOppositeOf({0, 0}), TCGenPoint<double>(3, 3));
}

TEST(Contour, AreaFunctionObjects)
{
  auto small = std::make_shared<TCPxContour>(Block(0, 0, 10, 10)); // area 100
  auto large = std::make_shared<TCPxContour>(Block(0, 0, 20, 10)); // area 200
  auto tiny = std::make_shared<TCPxContour>(std::vector<cv::Point>{{0, 0}});
  std::vector<TCPxContour*> raw{large.get(), small.get(), nullptr, tiny.get()};
  std::sort(raw.begin(), raw.end(), TCPxContourAreaLess());
  EXPECT_EQ(raw, (std::vector<TCPxContour*>{nullptr, tiny.get(), small.get(), large.get()}));
  std::sort(raw.begin(), raw.end(), TCPxContourAreaGreater());
  EXPECT_EQ(raw, (std::vector<TCPxContour*>{large.get(), small.get(), tiny.get(), nullptr}));
  std::vector<std::shared_ptr<TCPxContour>> shared{large, small, tiny};
  std::sort(shared.begin(), shared.end(), TCPxContourSmartAreaLess());
  EXPECT_EQ(shared.front(), tiny);
  const TCPxContourAreaInRange inRange(100, 200);
  EXPECT_TRUE(inRange(small));
  EXPECT_TRUE(inRange(large.get()));
  EXPECT_FALSE(inRange(tiny));
  EXPECT_FALSE(inRange(static_cast<TCPxContour*>(nullptr)));
  EXPECT_FALSE(TCPxContourAreaInRange(101, 199)(small));
}
