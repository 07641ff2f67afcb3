#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathStatUtils.h>
#include <tarvekmath/TCMathUtils.h>

using P = TCGenPoint<double>;
using PI = TCGenPoint<int>;

TEST(AngleHelpers, AngleDiffIsUnsignedAndDefinedForEqualAngles)
{
  EXPECT_NEAR(TCMathUtils::AngleDiff(0.1, 0.1 + M_PI / 2), M_PI / 2, 1e-12);
  EXPECT_NEAR(TCMathUtils::AngleDiff(3.0, -3.0), 2 * M_PI - 6.0, 1e-7);
  for (double a : {0.3, 1.234567, 2.5, -4.0, 100.0})
    EXPECT_FALSE(std::isnan(TCMathUtils::AngleDiff(a, a))) << a;
}

TEST(AngleHelpers, TranslateToIntervalShiftsByWholePeriods)
{
  EXPECT_EQ(TCMathUtils::TranslateToInterval(0, 360, 725), 5.0);
  EXPECT_EQ(TCMathUtils::TranslateToInterval(0, 360, -30), 330.0);
  EXPECT_EQ(TCMathUtils::TranslateToInterval(0, 360, 360), 360.0);
  EXPECT_EQ(TCMathUtils::TranslateToInterval(0, 360, 720), 360.0);
  EXPECT_EQ(TCMathUtils::TranslateToInterval(0, 360, 0), 0.0);
  EXPECT_EQ(TCMathUtils::TranslateToInterval(0, 360, -360), 0.0);
  EXPECT_EQ(TCMathUtils::TranslateToInterval(-180, 180, 190), -170.0);
  EXPECT_TRUE(std::isnan(TCMathUtils::TranslateToInterval(0, 0, 5)));
  EXPECT_TRUE(std::isnan(TCMathUtils::TranslateToInterval(1, 0, 5)));
}

TEST(AngleHelpers, TranslateToIntervalTerminatesForExtremeValues)
{
  const double r = TCMathUtils::TranslateToInterval(0, 1, 1e300);
  EXPECT_GE(r, 0.0);
  EXPECT_LE(r, 1.0);
  EXPECT_NEAR(TCMathUtils::TranslateToInterval(0, 360, 3.6e12 + 7), 7.0, 1e-3);
  EXPECT_TRUE(std::isnan(TCMathUtils::TranslateToInterval(0, 1, INFINITY)));
  EXPECT_TRUE(std::isnan(TCMathUtils::TranslateToInterval(0, 1, NAN)));
}

TEST(AngleHelpers, NextPowerOf2ReturnsTheExponent)
{
  EXPECT_EQ(TCMathUtils::NextPowerOf2(8), 3.0);
  EXPECT_EQ(TCMathUtils::NextPowerOf2(9), 4.0);
  EXPECT_EQ(TCMathUtils::NextPowerOf2(-9), 4.0);
  EXPECT_EQ(TCMathUtils::NextPowerOf2(0.3), -1.0);
  EXPECT_EQ(TCMathUtils::NextPowerOf2(1), 0.0);
  EXPECT_EQ(TCMathUtils::NextPowerOf2(0), -INFINITY);
  EXPECT_EQ(TCMathUtils::NextPowerOf2(-INFINITY), INFINITY);
  EXPECT_TRUE(std::isnan(TCMathUtils::NextPowerOf2(NAN)));
}

TEST(PointLists, RotateAndTranslate)
{
  const P r = TCMathUtils::Rotate(P(2, 1), P(1, 1), M_PI / 2);
  EXPECT_NEAR(r.GetX(), 1, 1e-15);
  EXPECT_NEAR(r.GetY(), 2, 1e-15);
  std::vector<P> pts = {{1, 0}, {0, 2}};
  TCMathUtils::Rotate(&pts, M_PI);
  EXPECT_NEAR(pts[0].GetX(), -1, 1e-15);
  EXPECT_NEAR(pts[1].GetY(), -2, 1e-15);
  TCMathUtils::Translate(&pts, P(1, 1));
  EXPECT_NEAR(pts[0].GetX(), 0, 1e-15);
  TCMathUtils::Rotate(nullptr, 1.0);
  TCMathUtils::Translate(nullptr, P(1, 1));
}

TEST(PointLists, PointsOnCircle)
{
  std::vector<P> out(10);
  TCMathUtils::GetPointsOnCircle(P(1, 2), 3, 4, &out);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_NEAR(out[0].GetX(), 4, 1e-15);
  EXPECT_NEAR(out[1].GetY(), 5, 1e-15);
  EXPECT_NEAR(out[2].GetX(), -2, 1e-15);
  TCMathUtils::GetPointsOnCircle(P(0, 0), 1, -5, &out);
  EXPECT_TRUE(out.empty());
}

TEST(PointLists, RasterisedLineRunsFromFirstToSecondPoint)
{
  std::vector<PI> out;
  TCMathUtils::GetPointsOnLine(P(0, 0), P(4, 2), &out);
  EXPECT_EQ(out, (std::vector<PI>{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
  TCMathUtils::GetPointsOnLine(P(4, 2), P(0, 0), &out);
  // Rasterised from the smaller end, stored from p1 to p2.
  EXPECT_EQ(out, (std::vector<PI>{{4, 2}, {3, 2}, {2, 1}, {1, 1}, {0, 0}}));
  TCMathUtils::GetPointsOnLine(P(1, 5), P(0, 1), &out);
  EXPECT_EQ(out, (std::vector<PI>{{1, 5}, {1, 4}, {1, 3}, {0, 2}, {0, 1}}));
  TCMathUtils::GetPointsOnLine(P(2.4, 3.4), P(1.6, 2.6), &out);
  EXPECT_EQ(out, (std::vector<PI>{{2, 3}}));
  TCMathUtils::GetPointsOnLine(P(0, 0), P(3, -3), &out);
  EXPECT_EQ(out, (std::vector<PI>{{0, 0}, {1, -1}, {2, -2}, {3, -3}}));
}

TEST(PointLists, PolygonCentroid)
{
  const P c = TCMathUtils::CalcPolygonCentroid(std::vector<P>{{0, 0}, {4, 0}, {4, 2}, {0, 2}});
  EXPECT_NEAR(c.GetX(), 2, 1e-15);
  EXPECT_NEAR(c.GetY(), 1, 1e-15);
  const P t = TCMathUtils::CalcPolygonCentroid(std::vector<PI>{{0, 0}, {0, 3}, {3, 0}});
  EXPECT_NEAR(t.GetX(), 1, 1e-15);
  EXPECT_NEAR(t.GetY(), 1, 1e-15);
  EXPECT_TRUE(std::isnan(TCMathUtils::CalcPolygonCentroid(std::vector<P>{}).GetX()));
}

TEST(PointLists, NormalsOfSquareAreUnitAndAxisAligned)
{
  // Counter-clockwise in a y-up frame.
  const std::vector<P> sq = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
  const auto n = TCMathUtils::GetNormals(sq);
  ASSERT_EQ(n.size(), 4u);
  for (const auto& v : n)
    EXPECT_NEAR(v.GetX() * v.GetX() + v.GetY() * v.GetY(), 1.0, 1e-12);
  // Vertex (2,0): bisector of the corner; counter-clockwise traversal
  // (orientation not clockwise) negates it to point outward.
  EXPECT_NEAR(n[1].GetX(), std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(n[1].GetY(), -std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(n[0].GetX(), -std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(n[0].GetY(), -std::sqrt(0.5), 1e-12);
  // Clockwise traversal keeps the un-negated direction, which now points inward.
  const std::vector<P> rev = {sq[3], sq[2], sq[1], sq[0]};
  const auto m = TCMathUtils::GetNormals(rev);
  EXPECT_NEAR(m[2].GetX(), -std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(m[2].GetY(), std::sqrt(0.5), 1e-12);
}

TEST(PointLists, PredictPointsRepeatsTheMotion)
{
  const std::vector<P> prev = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  std::vector<P> cur;
  for (const auto& p : prev)
    cur.emplace_back(p.GetX() + 2, p.GetY() - 1);
  const auto next = TCMathUtils::PredictPoints(prev, cur);
  ASSERT_EQ(next.size(), 4u);
  EXPECT_NEAR(next[3].GetX(), 5, 1e-12);
  EXPECT_NEAR(next[3].GetY(), -1, 1e-12);
  const auto failed = TCMathUtils::PredictPoints(std::vector<P>(prev.begin(), prev.begin() + 2),
                                                 std::vector<P>(cur.begin(), cur.begin() + 2));
  EXPECT_EQ(failed[1], P(0, 0));
}

TEST(SummaryStatistics, UndefinedValuesAreNaN)
{
  EXPECT_EQ(TCMathStatUtils::CalculateMean(4, 10.0), 2.5);
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateMean(0, 1.0)));
  // 1,2,3,4: mean 2.5, sum of squares 30.
  EXPECT_NEAR(TCMathStatUtils::CalculateVariance(4, 2.5, 30.0), 5.0 / 3.0, 1e-15);
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateVariance(1, 2.0, 4.0)));
  EXPECT_EQ(TCMathStatUtils::CalculateVariance(3, 2.0, 1.0), 0.0);
  EXPECT_EQ(TCMathStatUtils::CalculateStandardDeviation(4.0), 2.0);
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateStandardDeviation(-1.0)));
  EXPECT_EQ(TCMathStatUtils::CalculateStandardError(4, 2.0), 1.0);
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateStandardError(0, 2.0)));
  const P m = TCMathStatUtils::CalculateMean(std::vector<P>{{1, 2}, {3, 6}});
  EXPECT_EQ(m, P(2, 4));
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateMean(std::vector<P>{}).GetY()));
}

TEST(SummaryStatistics, CircularStatistics)
{
  const std::complex<double> sum = std::polar(1.0, 0.2) + std::polar(1.0, 0.4);
  EXPECT_NEAR(TCMathStatUtils::CalculateCircularMean(2, sum), 0.3, 1e-15);
  EXPECT_NEAR(TCMathStatUtils::CalculateCircularVariance(2, sum), 1 - std::cos(0.1), 1e-15);
  EXPECT_EQ(TCMathStatUtils::CalculateCircularVariance(1, {3.0, 0.0}), 0.0);
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateCircularMean(0, sum)));
  EXPECT_NEAR(TCMathStatUtils::CalculateCircularDeviation(1 - std::exp(-0.5)), 1.0, 1e-15);
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateCircularDeviation(1.0)));
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateCircularDeviation(-0.1)));
}
