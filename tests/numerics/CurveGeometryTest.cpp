#include <array>
#include <cmath>
#include <limits>
#include <list>
#include <vector>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathGeometricTransform.h>
#include <tarvekmath/TCMathLinearRegression.h>
#include <tarvekmath/TCMathShapes.h>
#include <tarvekmath/TCMathSplSpline.h>
#include <tarvekmath/TCMathSplSplineCurve.h>
#include <tarvekmath/TCMathSplSplineCurveFitter.h>
#include <tarvekmath/TCMathUtils.h>

#include "TestHelpers.h"

using P = TCGenPoint<double>;

namespace
{
constexpr double kLargest = std::numeric_limits<double>::max();

// Textbook uniform cubic B-spline on span s with local parameter u in [0, 1):
// weights of P_s .. P_s+3, and their derivatives with respect to u.
std::array<double, 4> UniformWeights(double u)
{
  return {(1 - u) * (1 - u) * (1 - u) / 6, (3 * u * u * u - 6 * u * u + 4) / 6,
          (-3 * u * u * u + 3 * u * u + 3 * u + 1) / 6, u * u * u / 6};
}
std::array<double, 4> UniformWeightDerivatives(double u)
{
  return {-(1 - u) * (1 - u) / 2, (9 * u * u - 12 * u) / 6, (-9 * u * u + 6 * u + 3) / 6, u * u / 2};
}

// The closed spline of the control values at t, its span found by floor and
// its control indices taken periodically.
double ReferenceSpline(const std::vector<double>& p, double t, bool derivative)
{
  const long n = static_cast<long>(p.size());
  const double f = std::floor(t);
  const long s = ((static_cast<long>(f) % n) + n) % n;
  const auto w = derivative ? UniformWeightDerivatives(t - f) : UniformWeights(t - f);
  double v = 0;
  for (long c = 0; c < 4; ++c)
    v += w[static_cast<size_t>(c)] * p[static_cast<size_t>((s + c) % n)];
  return v;
}

void ExpectNear(const P& a, const P& b, double tol, const char* what = "")
{
  EXPECT_NEAR(a.GetX(), b.GetX(), tol) << what;
  EXPECT_NEAR(a.GetY(), b.GetY(), tol) << what;
}

std::vector<P> Square() { return {{0, 0}, {1, 0}, {1, 1}, {0, 1}}; }
} // namespace

TEST(BSplineCubic, MatchesTheUniformBasisForEveryParameter)
{
  test::Lcg rng;
  for (size_t n : {1u, 2u, 3u, 5u, 9u})
  {
    std::vector<double> p(n);
    TCMathSplBSplineCubic spline;
    for (auto& v : p)
    {
      v = 10 * rng.Next();
      spline.AddControlPoint(v);
    }
    // Parameters well outside [0, n) too: the spline is periodic.
    for (double t = -2.0 * n - 0.3; t < 3.0 * n; t += 0.173)
    {
      EXPECT_NEAR(spline.Evaluate(t), ReferenceSpline(p, t, false), 1e-11) << n << " " << t;
      EXPECT_NEAR(spline.EvaluateDerative(t), ReferenceSpline(p, t, true), 1e-10) << n << " " << t;
    }
    EXPECT_NEAR(spline.Evaluate(-1e-18), ReferenceSpline(p, 0.0, false), 1e-11);
  }

  // Long splines keep their precision far from t = 0.
  std::vector<double> p(20000);
  TCMathSplBSplineCubic longSpline;
  for (size_t i = 0; i < p.size(); ++i)
  {
    p[i] = 100 * std::sin(0.37 * static_cast<double>(i));
    longSpline.AddControlPoint(p[i]);
  }
  for (double t = 19990.05; t < 20000; t += 0.5)
  {
    EXPECT_NEAR(longSpline.Evaluate(t), ReferenceSpline(p, t, false), 1e-9) << t;
    EXPECT_NEAR(longSpline.EvaluateDerative(t), ReferenceSpline(p, t, true), 1e-9) << t;
  }

  TCMathSplBSplineCubic spline;
  EXPECT_EQ(spline.Evaluate(0.5), 0.0);
  EXPECT_EQ(spline.EvaluateDerative(-3.0), 0.0);
  spline.AddControlPoint(1);
  spline.AddControlPoint(2);
  EXPECT_TRUE(std::isnan(spline.Evaluate(std::numeric_limits<double>::infinity())));
  spline.ClearControlPoints();
  EXPECT_EQ(spline.GetNrControlPoints(), 0u);
  EXPECT_EQ(spline.Evaluate(0.5), 0.0);
}

TEST(SplineCurve, SquareGivesAClosedSymmetricLoopInsideTheSquare)
{
  TCMathSplSplineCurve curve;
  for (const P& p : Square())
    curve.AddControlPoint(p);
  std::vector<P> pts;
  curve.EvaluatePoints(8, &pts);
  ASSERT_EQ(pts.size(), 8u);
  // t = 0 gives (P0 + 4·P1 + P2)/6, t = 0.5 gives (P0 + 23·P1 + 23·P2 + P3)/48.
  ExpectNear(pts[0], P(5.0 / 6, 1.0 / 6), 1e-14);
  ExpectNear(pts[1], P(23.0 / 24, 0.5), 1e-14);
  for (size_t i = 0; i < 8; ++i)
  {
    EXPECT_GT(pts[i].GetX(), 0.0);
    EXPECT_LT(pts[i].GetX(), 1.0);
    EXPECT_GT(pts[i].GetY(), 0.0);
    EXPECT_LT(pts[i].GetY(), 1.0);
    // Shifting the control points by one turns the square by 90°.
    ExpectNear(pts[(i + 2) % 8], TCMathUtils::Rotate(pts[i], P(0.5, 0.5), M_PI / 2), 1e-14);
  }

  // Counter-clockwise control points: the normals are unit and point outwards.
  std::vector<P> normals;
  curve.EvaluateNormals(8, &normals);
  ASSERT_EQ(normals.size(), 8u);
  ExpectNear(normals[1], P(1, 0), 1e-14);
  for (size_t i = 0; i < 8; ++i)
  {
    EXPECT_NEAR(normals[i].GetX() * normals[i].GetX() + normals[i].GetY() * normals[i].GetY(), 1.0, 1e-14);
    EXPECT_GT(normals[i].InProduct(pts[i] - P(0.5, 0.5)), 0.0);
  }

  curve.EvaluatePoints(0, &pts);
  EXPECT_TRUE(pts.empty());
  curve.EvaluateNormals(-5, &normals);
  EXPECT_TRUE(normals.empty());
  EXPECT_THROW(curve.GetControlPoint(4), std::out_of_range);

  // Too few control points: the outputs stay as they were.
  TCMathSplSplineCurve small;
  std::vector<P> keep = {P(7, 7)};
  small.EvaluatePoints(5, &keep);
  ASSERT_EQ(keep.size(), 1u);
  small.AddControlPoint(P(1, 1));
  small.AddControlPoint(P(2, 1));
  small.EvaluateNormals(5, &keep);
  ASSERT_EQ(keep.size(), 1u);
  small.EvaluatePoints(3, &keep);
  ASSERT_EQ(keep.size(), 3u);
}

TEST(SplineCurve, TransformsMoveControlPointsAndTheEvaluatedCurve)
{
  TCMathSplSplineCurve curve;
  curve.SetControlPoints({{0, 0}, {2, 0}, {3, 1}, {2, 3}, {0, 2}});
  curve.SetCenter(P(1, 1));
  std::vector<P> before;
  curve.EvaluatePoints(20, &before);

  // B-splines are affine invariant: transforming the control points
  // transforms every evaluated point the same way.
  auto expectCurve = [&](auto map, const char* what) {
    std::vector<P> after;
    curve.EvaluatePoints(20, &after);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
      ExpectNear(after[i], map(before[i]), 1e-12, what);
  };

  curve.Rotate(0.7);
  expectCurve([](const P& p) { return TCMathUtils::Rotate(p, P(1, 1), 0.7); }, "rotate");
  curve.Rotate(-0.7);
  curve.Scale(2, 3);
  expectCurve([](const P& p) { return P(1 + (p.GetX() - 1) * 2, 1 + (p.GetY() - 1) * 3); }, "scale");
  curve.Scale(0.5, 1.0 / 3);
  curve.Translate2Center(P(4, -1));
  ExpectNear(curve.GetCenter(), P(4, -1), 0);
  expectCurve([](const P& p) { return p + P(3, -2); }, "translate");
  ExpectNear(curve.GetControlPoint(1), P(5, -2), 1e-12);

  // Only the listed control points turn; a bad index is skipped.
  const std::vector<P> cp = curve.GetControlPoints();
  curve.Rotate(std::list<int>{1, 3, -1, 99}, M_PI);
  for (size_t i = 0; i < cp.size(); ++i)
  {
    const P expected = (i == 1 || i == 3) ? TCMathUtils::Rotate(cp[i], curve.GetCenter(), M_PI) : cp[i];
    ExpectNear(curve.GetControlPoint(i), expected, 1e-12);
  }
  std::vector<P> after;
  curve.EvaluatePoints(5, &after);
  // t = 0 uses control points 0, 1, 2 with weights 1/6, 4/6, 1/6.
  const std::vector<P> c = curve.GetControlPoints();
  ExpectNear(after[0],
             P((c[0].GetX() + 4 * c[1].GetX() + c[2].GetX()) / 6, (c[0].GetY() + 4 * c[1].GetY() + c[2].GetY()) / 6),
             1e-12);
}

TEST(SplineFitter, RecoversControlPointsOfSampledSplines)
{
  // Samples of a known spline are reproduced exactly by the least-squares
  // fit. The fitter's basis for control k covers [k, k + 4): sample j at
  // x = j·nControl/nSamples is Σk C_k·N(x − k), with N the basis on [0, 4).
  auto basis = [](double u) {
    if (u < 0 || u >= 4)
      return 0.0;
    const double f = std::floor(u);
    return UniformWeights(u - f)[static_cast<size_t>(3 - f)];
  };
  test::Lcg rng;
  for (bool closed : {true, false})
    for (size_t nControl : {3u, 4u, 5u, 6u, 11u})
    {
      const size_t nSamples = 4 * nControl + 1;
      std::vector<P> control(nControl);
      for (auto& c : control)
        c = P(5 * rng.Next(), 5 * rng.Next());
      std::vector<P> samples(nSamples);
      for (size_t j = 0; j < nSamples; ++j)
      {
        const double x = static_cast<double>(j) * nControl / nSamples;
        double sx = 0, sy = 0;
        for (size_t k = 0; k < nControl; ++k)
        {
          // Closed: the basis is periodic with period nControl.
          const double w = closed ? basis(x - k) + basis(x - k + nControl) : basis(x - k);
          sx += w * control[k].GetX();
          sy += w * control[k].GetY();
        }
        samples[j] = P(sx, sy);
      }
      const std::vector<P> fitted = TCMathSplSplineCurveFitter(nControl, nSamples, closed).FitCurve(samples);
      ASSERT_EQ(fitted.size(), nControl) << closed << " " << nControl;
      for (size_t k = 0; k < nControl; ++k)
        ExpectNear(fitted[k], control[k], 1e-9, closed ? "closed" : "open");
    }

  const std::vector<P> three = {{0, 0}, {1, 0}, {0, 1}};
  EXPECT_TRUE(TCMathSplSplineCurveFitter(2, 10, true).FitCurve(std::vector<P>(10)).empty());
  EXPECT_TRUE(TCMathSplSplineCurveFitter(5, 3, true).FitCurve(three).empty());
  EXPECT_TRUE(TCMathSplSplineCurveFitter(3, 4, true).FitCurve(three).empty()); // point count differs
  // Open, one sample per control point: the last basis function is 0 at
  // every sample, so B·Bᵀ is singular and the fitter is empty.
  EXPECT_TRUE(TCMathSplSplineCurveFitter(3, 3, false).FitCurve(three).empty());
}

TEST(SplinePoints, InterpolateCirclePointsStartingThreeSamplesLater)
{
  for (int count : {3, 4, 8, 16})
  {
    std::vector<P> circle;
    TCMathUtils::GetPointsOnCircle(P(2, -1), 5, count, &circle);
    const std::vector<P> out = TCMathUtils::GetSplinePoints(circle, count);
    ASSERT_EQ(out.size(), static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
      ExpectNear(out[static_cast<size_t>(i)], circle[static_cast<size_t>((i + 3) % count)], 1e-9);
    // Twice as many samples: every other one is a data point, the others
    // stay near the circle.
    const std::vector<P> fine = TCMathUtils::GetSplinePoints(circle, 2 * count);
    ASSERT_EQ(fine.size(), static_cast<size_t>(2 * count));
    for (int i = 0; i < count; ++i)
      ExpectNear(fine[static_cast<size_t>(2 * i)], circle[static_cast<size_t>((i + 3) % count)], 1e-9);
    if (count == 16)
    {
      for (const P& p : fine)
        EXPECT_NEAR(p.Distance(P(2, -1)), 5.0, 0.01);
    }
  }
  std::vector<P> circle;
  TCMathUtils::GetPointsOnCircle(P(0, 0), 1, 8, &circle);
  EXPECT_TRUE(TCMathUtils::GetSplinePoints(circle, 0).empty());
  EXPECT_TRUE(TCMathUtils::GetSplinePoints({}, 10).empty());
  EXPECT_TRUE(TCMathUtils::GetSplinePoints({P(1, 2)}, 10).empty());
  EXPECT_TRUE(TCMathUtils::GetSplinePoints({P(1, 2), P(3, 4)}, 10).empty());
}

TEST(LinearRegression, MatchesClosedFormLeastSquares)
{
  // Reference: centred sums, s² = RSS/(n − 2), se(b) = s/√Sxx,
  // se(a) = s·√(1/n + x̄²/Sxx).
  auto check = [](const std::vector<double>& x, const std::vector<double>& y) -> TCMathLinearRegression {
    const double n = static_cast<double>(x.size());
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i)
    {
      mx += x[i] / n;
      my += y[i] / n;
    }
    double sxx = 0, sxy = 0;
    for (size_t i = 0; i < x.size(); ++i)
    {
      sxx += (x[i] - mx) * (x[i] - mx);
      sxy += (x[i] - mx) * (y[i] - my);
    }
    const double b = sxy / sxx, a = my - b * mx;
    double rss = 0;
    for (size_t i = 0; i < x.size(); ++i)
      rss += (y[i] - a - b * x[i]) * (y[i] - a - b * x[i]);
    const double s = std::sqrt(rss / (n - 2));
    TCMathLinearRegression r;
    for (size_t i = 0; i < x.size(); ++i)
      r.AddXY(x[i], y[i]);
    EXPECT_EQ(r.NrPoints(), x.size());
    EXPECT_TRUE(r.Calculate());
    EXPECT_NEAR(r.GetSlope(), b, 1e-10);
    EXPECT_NEAR(r.GetIntercept(), a, 1e-10);
    EXPECT_NEAR(r.GetStdErrSlope(), s / std::sqrt(sxx), 1e-7);
    EXPECT_NEAR(r.GetStdErrIntercept(), s * std::sqrt(1 / n + mx * mx / sxx), 1e-7);
    return r;
  };
  // Hand-worked: slope 0.9, intercept 0.9, RSS 0.7.
  TCMathLinearRegression r = check({0, 1, 2, 3}, {1, 2, 2, 4});
  EXPECT_NEAR(r.GetSlope(), 0.9, 1e-14);
  EXPECT_NEAR(r.GetIntercept(), 0.9, 1e-14);
  EXPECT_NEAR(r.GetStdErrSlope(), std::sqrt(0.07), 1e-12);
  EXPECT_NEAR(r.GetStdErrIntercept(), std::sqrt(0.245), 1e-12);
  r = check({0, 1, 2}, {1, 3, 5});
  EXPECT_NEAR(r.GetSlope(), 2, 1e-14);
  EXPECT_NEAR(r.GetIntercept(), 1, 1e-14);
  EXPECT_NEAR(r.GetStdErrSlope(), 0, 1e-7);
  test::Lcg rng;
  std::vector<double> x(50), y(50);
  for (size_t i = 0; i < x.size(); ++i)
  {
    x[i] = 10 * rng.Next();
    y[i] = 3 - 0.5 * x[i] + rng.Next();
  }
  check(x, y);

  // Two points: false and nothing changes.
  TCMathLinearRegression two;
  two.AddXY(0, 1);
  two.AddXY(1, 3);
  EXPECT_FALSE(two.Calculate());
  EXPECT_EQ(two.GetSlope(), 0.0);
  // No spread in x: false, everything 0.
  TCMathLinearRegression flat;
  for (double yy : {1.0, 3.0, 8.0})
    flat.AddXY(2, yy);
  EXPECT_FALSE(flat.Calculate());
  EXPECT_EQ(flat.GetSlope(), 0.0);
  EXPECT_EQ(flat.GetIntercept(), 0.0);
  EXPECT_EQ(flat.GetStdErrSlope(), 0.0);
  EXPECT_EQ(flat.GetStdErrIntercept(), 0.0);
  r.Reset();
  EXPECT_EQ(r.NrPoints(), 0u);
  EXPECT_EQ(r.GetSlope(), 0.0);
  EXPECT_EQ(r.GetStdErrIntercept(), 0.0);
}

TEST(Shapes, PolygonAreaAndCentroidMatchATriangleFan)
{
  auto fan = [](const std::vector<P>& poly, double* area, P* cog) {
    double a = 0, cx = 0, cy = 0;
    for (size_t k = 1; k + 1 < poly.size(); ++k)
    {
      const P u = poly[k] - poly[0], v = poly[k + 1] - poly[0];
      const double t = (u.GetX() * v.GetY() - u.GetY() * v.GetX()) / 2; // signed
      a += t;
      cx += t * (poly[0].GetX() + poly[k].GetX() + poly[k + 1].GetX()) / 3;
      cy += t * (poly[0].GetY() + poly[k].GetY() + poly[k + 1].GetY()) / 3;
    }
    *area = std::abs(a);
    *cog = P(cx / a, cy / a);
  };
  const std::vector<std::vector<P>> polygons = {
      Square(),
      {{0, 0}, {0, 1}, {1, 1}, {1, 0}},                                 // clockwise square
      {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 3}, {0, 3}},                 // concave L
      {{0, 3}, {1, 3}, {1, 1}, {4, 1}, {4, 0}, {0, 0}},                 // the L clockwise
      {{10, 10}, {13, 11}, {11, 12}, {12, 15}, {9, 13}, {8, 11.5}},     // concave, away from the origin
      {{-2, -1}, {3, -2}, {1, 0.5}, {4, 4}, {-1, 2}}};
  for (const auto& poly : polygons)
  {
    double refArea = 0;
    P refCog;
    fan(poly, &refArea, &refCog);
    double area = -1;
    P cog;
    TCMathShapes::GetPolygonAreaAndCOG(poly, &area, &cog);
    EXPECT_NEAR(area, refArea, 1e-12);
    EXPECT_NEAR(TCMathShapes::GetPolygonArea(poly), refArea, 1e-12);
    ExpectNear(cog, refCog, 1e-12);
    ExpectNear(TCMathShapes::GetPolygonCOG(poly), refCog, 1e-12);
    ExpectNear(TCMathUtils::CalcPolygonCentroid(poly), refCog, 1e-12);
  }
  ExpectNear(TCMathShapes::GetPolygonCOG(Square()), P(0.5, 0.5), 1e-15);
  EXPECT_EQ(TCMathShapes::GetPolygonArea(polygons[1]), 1.0);

  // Fewer than 3 points and collinear points have no centroid.
  for (const std::vector<P>& bad : {std::vector<P>{}, std::vector<P>{{1, 1}, {2, 2}},
                                    std::vector<P>{{0, 0}, {1, 1}, {3, 3}, {2, 2}}})
  {
    double area = -1;
    P cog;
    TCMathShapes::GetPolygonAreaAndCOG(bad, &area, &cog);
    EXPECT_EQ(area, 0.0);
    EXPECT_EQ(cog, P(kLargest, kLargest));
    EXPECT_EQ(TCMathShapes::GetPolygonCOG(bad), P(kLargest, kLargest));
    EXPECT_EQ(TCMathShapes::GetPolygonArea(bad), 0.0);
  }
  TCMathShapes::GetPolygonAreaAndCOG(Square(), nullptr, nullptr);

  EXPECT_EQ(TCMathShapes::GetQuadrangleArea({P(0, 0), P(1, 0), P(1, 1), P(0, 1)}), 1.0);
  EXPECT_EQ(TCMathShapes::GetQuadrangleArea({P(0, 0), P(0, 1), P(1, 1), P(1, 0)}), 1.0);
  EXPECT_EQ(TCMathShapes::GetQuadrangleArea({P(0, 0), P(1, 1), P(1, 0), P(0, 1)}), 0.0); // bow-tie
  const std::vector<P>& l = polygons[4];
  EXPECT_NEAR(TCMathShapes::GetQuadrangleArea({l[0], l[1], l[2], l[3]}),
              TCMathShapes::GetPolygonArea({l[0], l[1], l[2], l[3]}), 1e-12);
}

TEST(Shapes, RayTests)
{
  const P c(0, 1);
  // Origin inside the circle: a hit whatever the direction.
  for (const P& d : {P(1, 0), P(-1, 0), P(0, -1), P(0, 0)})
    EXPECT_TRUE(TCMathShapes::RayIntersectsCircle(c, 1, P(0.2, 1.5), d));
  EXPECT_TRUE(TCMathShapes::RayIntersectsCircle(c, 1, P(-5, 0), P(1, 0)));   // tangent
  EXPECT_TRUE(TCMathShapes::RayIntersectsCircle(c, 1, P(-5, 0), P(5, 1)));   // through the middle
  EXPECT_FALSE(TCMathShapes::RayIntersectsCircle(c, 1, P(-5, 0), P(-1, 0))); // behind
  EXPECT_FALSE(TCMathShapes::RayIntersectsCircle(c, 1, P(-5, -0.1), P(1, 0)));
  EXPECT_FALSE(TCMathShapes::RayIntersectsCircle(c, 1, P(-5, 0), P(0, 0))); // no direction

  const P a(2, -1), b(2, 1);
  EXPECT_TRUE(TCMathShapes::RayIntersectsSegment(P(0, 0), P(1, 0), a, b));
  EXPECT_TRUE(TCMathShapes::RayIntersectsSegment(P(0, 0), P(1, 0.5), a, b)); // through the end point
  EXPECT_FALSE(TCMathShapes::RayIntersectsSegment(P(0, 0), P(1, 0.6), a, b));
  EXPECT_FALSE(TCMathShapes::RayIntersectsSegment(P(0, 0), P(-1, 0), a, b)); // pointing away
  EXPECT_FALSE(TCMathShapes::RayIntersectsSegment(P(0, 0), P(0, 1), a, b));  // parallel
  // Origin on the segment's line.
  EXPECT_TRUE(TCMathShapes::RayIntersectsSegment(P(2, -3), P(0, 1), a, b));
  EXPECT_TRUE(TCMathShapes::RayIntersectsSegment(P(2, 0), P(0, -1), a, b));
  EXPECT_FALSE(TCMathShapes::RayIntersectsSegment(P(2, -3), P(0, -1), a, b));
  // A segment of zero length is hit when it lies ahead on the line.
  EXPECT_TRUE(TCMathShapes::RayIntersectsSegment(P(0, 0), P(1, 1), P(3, 3), P(3, 3)));
  EXPECT_FALSE(TCMathShapes::RayIntersectsSegment(P(0, 0), P(1, 1), P(-3, -3), P(-3, -3)));
}

namespace
{
using H = std::array<std::array<double, 3>, 3>; // homogeneous 3×3 matrix

H Mul(const H& a, const H& b)
{
  H c{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k)
        c[i][j] += a[i][k] * b[k][j];
  return c;
}
H Translation(double dx, double dy) { return H{{{1, 0, dx}, {0, 1, dy}, {0, 0, 1}}}; }
H Linear(double a, double b, double c, double d) { return H{{{a, b, 0}, {c, d, 0}, {0, 0, 1}}}; }
// A linear map about the fixed point (cx, cy).
H About(double cx, double cy, const H& m) { return Mul(Translation(cx, cy), Mul(m, Translation(-cx, -cy))); }

// The transform's matrix, read from the images of (0, 0), (1, 0) and (0, 1).
H MatrixOf(const TCMathGeometricTransform& t)
{
  const P o = t.Apply(P(0, 0)), ex = t.Apply(P(1, 0)) - o, ey = t.Apply(P(0, 1)) - o;
  return H{{{ex.GetX(), ey.GetX(), o.GetX()}, {ex.GetY(), ey.GetY(), o.GetY()}, {0, 0, 1}}};
}

void ExpectMatrix(const H& a, const H& b, double tol, const char* what)
{
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_NEAR(a[i][j], b[i][j], tol) << what << " " << i << j;
}
} // namespace

TEST(GeometricTransform, DefinitionsCompositionAndInverseMatchHomogeneousMatrices)
{
  const double c = std::cos(0.4), s = std::sin(0.4);
  TCMathGeometricTransform t[7];
  t[0].DefineTranslation(3, -2);
  t[1].DefineRotation(1.5, -0.5, 0.4);
  t[2].DefineScaling(1, 2, 3, -0.5);
  t[3].DefineScalingX(4, 2.5);
  t[4].DefineScalingY(-3, 0.25);
  t[5].DefineShearX(2, 0.3);
  t[6].DefineShearY(-1, -0.7);
  const H ref[7] = {Translation(3, -2),
                    About(1.5, -0.5, Linear(c, -s, s, c)),
                    About(1, 2, Linear(3, 0, 0, -0.5)),
                    About(4, 0, Linear(2.5, 0, 0, 1)),
                    About(0, -3, Linear(1, 0, 0, 0.25)),
                    About(0, 2, Linear(1, 0.3, 0, 1)),
                    About(-1, 0, Linear(1, 0, -0.7, 1))};
  for (int i = 0; i < 7; ++i)
    ExpectMatrix(MatrixOf(t[i]), ref[i], 1e-14, "define");

  const P r = [] {
    TCMathGeometricTransform rot;
    rot.DefineRotation(1, 1, M_PI / 2);
    return rot.Apply(P(2, 1));
  }();
  ExpectNear(r, P(1, 2), 1e-15);

  for (int i = 0; i < 7; ++i)
    for (int j = 0; j < 7; ++j)
    {
      // Product applies its second argument first.
      const TCMathGeometricTransform pr = Product(t[i], t[j]);
      ExpectMatrix(MatrixOf(pr), Mul(ref[i], ref[j]), 1e-12, "product");
      P q(0.3, -1.7);
      t[j].ConvertPoint(q);
      ExpectNear(pr.Apply(P(0.3, -1.7)), t[i].Apply(q), 1e-12, "apply");

      TCMathGeometricTransform inv;
      ASSERT_TRUE(pr.IsInvertable());
      ASSERT_TRUE(pr.GetInverseTransform(inv));
      ExpectMatrix(MatrixOf(Product(pr, inv)), Translation(0, 0), 1e-12, "T·T⁻¹");
      ExpectMatrix(MatrixOf(Product(inv, pr)), Translation(0, 0), 1e-12, "T⁻¹·T");
    }

  TCMathGeometricTransform null;
  EXPECT_TRUE(null.IsNull());
  EXPECT_EQ(null.Apply(P(3, 4)), P(0, 0));
  TCMathGeometricTransform id;
  id.DefineTranslation(0, 0);
  EXPECT_FALSE(id.IsNull());
  id.SetNull();
  EXPECT_TRUE(id.IsNull());

  // Singular (|det| below 1e-8): no inverse, and out is left as it was.
  TCMathGeometricTransform flat, out;
  out.DefineTranslation(3, 4);
  flat.DefineScaling(1, 1, 1e-9, 1);
  EXPECT_FALSE(flat.IsInvertable());
  EXPECT_FALSE(flat.GetInverseTransform(out));
  EXPECT_FALSE(null.GetInverseTransform(out));
  EXPECT_EQ(out.Apply(P(0, 0)), P(3, 4));
  flat.DefineScaling(1, 1, 2e-8, 1);
  EXPECT_TRUE(flat.IsInvertable());
  EXPECT_TRUE(flat.GetInverseTransform(out));
  ExpectNear(out.Apply(flat.Apply(P(5, 6))), P(5, 6), 1e-7);
}
