// Angle helpers and 2-D point-list operations.
#include <tarvekmath/TCMathUtils.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include <general/TCGenMathUtils.h>
#include <tarvekmath/TCMathSplSplineCurve.h>
#include <tarvekmath/TCMathSplSplineCurveFitter.h>
#include <tarvekmath/TCMathUblasUtils.h>

#include "PolygonSums.h"

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;
} // namespace

double TCMathUtils::AngleDiff(double a, double b)
{
  // Rounding can push the cosine just past ±1, where acos would give NaN.
  const double c = std::sin(a) * std::sin(b) + std::cos(a) * std::cos(b);
  return std::acos(std::clamp(c, -1.0, 1.0));
}

double TCMathUtils::TranslateToInterval(double lo, double hi, double x)
{
  const double range = hi - lo;
  if (!(range > 0.0) || !std::isfinite(x) || !std::isfinite(range))
    return kNaN;
  // Jump by whole periods first so far-away values need no long loop, then
  // finish with the step-by-step shifts; the ends lo and hi both stay.
  if (x > hi)
  {
    x -= std::floor((x - hi) / range) * range;
    for (int i = 0; i < 4 && x > hi; ++i)
      x -= range;
  }
  else if (x < lo)
  {
    x += std::floor((lo - x) / range) * range;
    for (int i = 0; i < 4 && x < lo; ++i)
      x += range;
  }
  if (x > hi || x < lo) // precision lost on a huge |x|: fold exactly instead
  {
    x = lo + std::fmod(x - lo, range);
    if (x < lo)
      x += range;
  }
  return x;
}

double TCMathUtils::NextPowerOf2(double x)
{
  if (std::isnan(x))
    return kNaN;
  const double ax = std::abs(x);
  if (std::isinf(ax))
    return std::numeric_limits<double>::infinity();
  if (ax == 0.0)
    return -std::numeric_limits<double>::infinity();
  int e = 0;
  const double m = std::frexp(ax, &e);
  return m == 0.5 ? e - 1 : e;
}

TCGenPoint<double> TCMathUtils::Rotate(const TCGenPoint<double>& p, const TCGenPoint<double>& centre, double angle)
{
  const double dx = p.GetX() - centre.GetX();
  const double dy = p.GetY() - centre.GetY();
  const double c = std::cos(angle), s = std::sin(angle);
  return TCGenPoint<double>(centre.GetX() + dx * c - dy * s, centre.GetY() + dy * c + dx * s);
}

void TCMathUtils::Rotate(std::vector<TCGenPoint<double>>* points, double angle)
{
  if (points == nullptr)
    return;
  const TCGenPoint<double> origin(0.0, 0.0);
  for (auto& p : *points)
    p = Rotate(p, origin, angle);
}

void TCMathUtils::Translate(std::vector<TCGenPoint<double>>* points, const TCGenPoint<double>& offset)
{
  if (points == nullptr)
    return;
  for (auto& p : *points)
    p += offset;
}

void TCMathUtils::GetPointsOnCircle(const TCGenPoint<double>& centre, double radius, int n,
                                    std::vector<TCGenPoint<double>>* out)
{
  if (out == nullptr)
    return;
  out->resize(n > 0 ? static_cast<size_t>(n) : 0);
  for (int i = 0; i < n; ++i)
  {
    const double a = 2.0 * kPi * i / n;
    (*out)[static_cast<size_t>(i)] =
        TCGenPoint<double>(centre.GetX() + radius * std::cos(a), centre.GetY() + radius * std::sin(a));
  }
}

void TCMathUtils::GetPointsOnLine(const TCGenPoint<double>& p1, const TCGenPoint<double>& p2,
                                  std::vector<TCGenPoint<int>>* out)
{
  if (out == nullptr)
    return;
  // 64-bit coordinates: the extent of two saturated ints does not fit an int.
  int64_t x1 = TCGenMathUtils::Round(p1.GetX()), y1 = TCGenMathUtils::Round(p1.GetY());
  int64_t x2 = TCGenMathUtils::Round(p2.GetX()), y2 = TCGenMathUtils::Round(p2.GetY());
  const bool steep = std::abs(y2 - y1) > std::abs(x2 - x1);
  if (steep)
  {
    std::swap(x1, y1);
    std::swap(x2, y2);
  }
  const bool swapped = x1 > x2;
  if (swapped)
  {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const int64_t f = x2 - x1;
  out->assign(static_cast<size_t>(f) + 1, TCGenPoint<int>());
  if (f == 0)
  {
    (*out)[0] = steep ? TCGenPoint<int>(int(y1), int(x1)) : TCGenPoint<int>(int(x1), int(y1));
    return;
  }
  const double slope = static_cast<double>(std::abs(y2 - y1)) / static_cast<double>(f);
  const int64_t step = y2 > y1 ? 1 : -1;
  int64_t minor = y1;
  double error = 0.0;
  for (int64_t i = 0; i <= f; ++i)
  {
    const int64_t major = x1 + i;
    const TCGenPoint<int> p = steep ? TCGenPoint<int>(int(minor), int(major)) : TCGenPoint<int>(int(major), int(minor));
    (*out)[static_cast<size_t>(swapped ? f - i : i)] = p;
    error += slope;
    if (error >= 0.5)
    {
      minor += step;
      error -= 1.0;
    }
  }
}

TCGenPoint<double> TCMathUtils::CalcPolygonCentroid(const std::vector<TCGenPoint<double>>& points)
{
  if (points.empty())
    return TCGenPoint<double>(kNaN, kNaN);
  const _impl::ShoelaceSums s = _impl::PolygonShoelaceSums(points);
  return TCGenPoint<double>(s.x / (3.0 * s.cross), s.y / (3.0 * s.cross));
}

TCGenPoint<double> TCMathUtils::CalcPolygonCentroid(const std::vector<TCGenPoint<int>>& points)
{
  std::vector<TCGenPoint<double>> d;
  d.reserve(points.size());
  for (const auto& p : points)
    d.emplace_back(p.GetX(), p.GetY());
  return CalcPolygonCentroid(d);
}

std::vector<TCGenPoint<double>> TCMathUtils::GetNormals(const std::vector<TCGenPoint<double>>& points)
{
  const size_t n = points.size();
  std::vector<TCGenPoint<double>> normals(n);
  for (size_t i = 0; i < n; ++i)
  {
    const TCGenPoint<double>& prev = points[(i + n - 1) % n];
    const TCGenPoint<double>& cur = points[i];
    const TCGenPoint<double>& next = points[(i + 1) % n];
    const double a1 = std::atan2(cur.GetY() - prev.GetY(), cur.GetX() - prev.GetX());
    const double a2 = std::atan2(next.GetY() - cur.GetY(), next.GetX() - cur.GetX());
    const double c = 0.5 * (a1 + a2);
    const double dir = a1 > a2 ? c - kPi / 2 : c + kPi / 2;
    TCGenPoint<double> nrm(std::cos(dir), std::sin(dir));
    if (TCGenMathUtils::Orientation(prev, cur, next) != Gen::PointsClockwise)
      nrm = TCGenPoint<double>(-nrm.GetX(), -nrm.GetY());
    normals[i] = nrm;
  }
  return normals;
}

std::vector<TCGenPoint<double>> TCMathUtils::PredictPoints(const std::vector<TCGenPoint<double>>& previous,
                                                           const std::vector<TCGenPoint<double>>& current)
{
  const auto rt = TCMathUblasUtils::CalcBestFittingTransform(previous, current);
  const Math::Matrix& r = rt.first;
  const Math::Vector& t = rt.second;
  std::vector<TCGenPoint<double>> out;
  out.reserve(current.size());
  for (const auto& p : current)
    out.emplace_back(r(0, 0) * p.GetX() + r(0, 1) * p.GetY() + t(0), r(1, 0) * p.GetX() + r(1, 1) * p.GetY() + t(1));
  return out;
}

std::vector<TCGenPoint<double>> TCMathUtils::GetSplinePoints(const std::vector<TCGenPoint<double>>& points, int n)
{
  const size_t count = points.size();
  const std::vector<TCGenPoint<double>> control = TCMathSplSplineCurveFitter(count, count, true).FitCurve(points);
  std::vector<TCGenPoint<double>> out;
  if (control.empty())
    return out;
  TCMathSplSplineCurve curve;
  curve.SetControlPoints(control);
  curve.EvaluatePoints(n, &out);
  return out;
}
