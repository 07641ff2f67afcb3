#include <pixolan/analysis/TCPxContour.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>
#include <pixolan/model/TCPxConversion.h>

#include "PxMomentRules.h"

namespace
{
constexpr double kPi = 3.14159265358979323846;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// acos(j / 500 - 1) for j = 0 ... 1000: the curvature scheme looks the
// turning angle up instead of calling acos per vertex. Filled at load.
const std::array<double, 1001> kAcosTable = [] {
  std::array<double, 1001> t{};
  for (int j = 0; j <= 1000; ++j)
    t[static_cast<std::size_t>(j)] = std::acos(j / 500.0 - 1.0);
  return t;
}();

// Truncation toward zero that cannot overflow: NaN gives 0, values beyond
// the int range saturate.
int TruncToInt(double v)
{
  if (std::isnan(v))
    return 0;
  if (v >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (v <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(v);
}

int SaturateInt(std::int64_t v)
{
  return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

cv::Point Offset(const cv::Point& p, std::int64_t dx, std::int64_t dy)
{
  return cv::Point(SaturateInt(p.x + dx), SaturateInt(p.y + dy));
}

// A double converted to single precision without leaving the float range.
float ToFloat(double v)
{
  if (std::isnan(v))
    return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

double DistSqr(const cv::Point& a, const cv::Point& b)
{
  const double dx = static_cast<double>(a.x) - b.x;
  const double dy = static_cast<double>(a.y) - b.y;
  return dx * dx + dy * dy;
}

TCGenPoint<int> ToGen(const cv::Point& p) { return TCGenPoint<int>(p.x, p.y); }

TCPxContour::TRotatedBox BoxSentinel()
{
  return TCPxContour::TRotatedBox(TCGenPoint<double>(-1.0, -1.0), TCGenSize<int>(0, 0), 0.0);
}

TCPxContour::TRotatedBox ToBox(const cv::RotatedRect& r)
{
  return TCPxContour::TRotatedBox(TCGenPoint<double>(r.center.x, r.center.y),
                                  TCGenSize<int>(TruncToInt(r.size.width), TruncToInt(r.size.height)),
                                  r.angle * kPi / 180.0);
}

// Hull indices (clockwise) and the defects OpenCV finds for them. OpenCV
// rejects some outlines (self-touching ones, collinear hulls) with an
// exception; such an outline has no defects.
std::vector<cv::Vec4i> FindDefects(const std::vector<cv::Point>& points)
{
  std::vector<cv::Vec4i> defects;
  if (points.size() < 4)
    return defects;
  try
  {
    std::vector<int> hull;
    cv::convexHull(points, hull, true, false);
    cv::convexityDefects(points, hull, defects);
  }
  catch (const cv::Exception&)
  {
    defects.clear();
  }
  return defects;
}

// Multiplies harmonic k (k = 1 ... size - 1) by e^(-i k omega).
void PhaseShift(TCPxContour::TDftCoefs* coefs, double omega)
{
  for (std::size_t k = 1; k < coefs->size(); ++k)
  {
    const double a = -static_cast<double>(k) * omega;
    (*coefs)[k] *= std::complex<float>(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)));
  }
}

// Start point of the outline described by X (its x coordinate): the partial
// sum Re X0 + 2 sum(k = 1 ... N/2 - 2) Re Xk over N.
int StartCoordinate(const TCPxContour::TDftCoefs& X)
{
  const int n = static_cast<int>(X.size());
  double sum = X[0].real();
  for (int k = 1; k <= n / 2 - 2; ++k)
    sum += 2.0 * X[static_cast<std::size_t>(k)].real();
  return TCGenMathUtils::Round(sum / n);
}

// Fills a 2 x N float matrix with the x coordinates in row 0 and the y
// coordinates in row 1.
cv::Mat CoordinateRows(const std::vector<cv::Point>& points)
{
  const int n = static_cast<int>(points.size());
  cv::Mat m(2, n, CV_32F);
  float* xs = m.ptr<float>(0);
  float* ys = m.ptr<float>(1);
  for (int j = 0; j < n; ++j)
  {
    xs[j] = static_cast<float>(points[static_cast<std::size_t>(j)].x);
    ys[j] = static_cast<float>(points[static_cast<std::size_t>(j)].y);
  }
  return m;
}

// Low-pass filtered coordinates: row 0 x, row 1 y.
cv::Mat LowPass(const std::vector<cv::Point>& points, int harmonics)
{
  cv::Mat m = CoordinateRows(points);
  cv::Mat spectrum;
  cv::dft(m, spectrum, 0);
  const std::int64_t first = std::max<std::int64_t>(0, 2 * static_cast<std::int64_t>(harmonics) + 1);
  if (first < spectrum.cols)
    spectrum.colRange(static_cast<int>(first), spectrum.cols).setTo(0);
  cv::dft(spectrum, m, cv::DFT_INVERSE | cv::DFT_SCALE);
  return m;
}
} // namespace

// ---- construction ------------------------------------------------------------------

TCPxContour::TCPxContour() = default;

TCPxContour::TCPxContour(const std::vector<cv::Point>& points, const TCGenRect<int>& roi)
    : m_roi(roi), m_points(points)
{
}

TCPxContour::TCPxContour(std::vector<cv::Point>&& points, const TCGenRect<int>& roi)
    : m_roi(roi), m_points(std::move(points))
{
}

TCPxContour::TCPxContour(const TCPxContour& other)
    : m_moments(other.m_moments ? std::make_unique<cv::Moments>(*other.m_moments) : nullptr), m_roi(other.m_roi),
      m_points(other.m_points)
{
}

TCPxContour::TCPxContour(TCPxContour&& other) noexcept
    : m_moments(std::move(other.m_moments)), m_roi(other.m_roi), m_points(std::move(other.m_points))
{
  other.m_points.clear();
  other.m_roi = TCGenRect<int>(0, 0, 1, 1);
}

TCPxContour::~TCPxContour() = default;

TCPxContour& TCPxContour::operator=(const TCPxContour& other)
{
  if (this == &other)
    return *this;
  // Copy first so that a failed allocation leaves this contour as it was.
  std::unique_ptr<cv::Moments> moments = other.m_moments ? std::make_unique<cv::Moments>(*other.m_moments) : nullptr;
  m_points = other.m_points;
  m_moments = std::move(moments);
  m_roi = other.m_roi;
  return *this;
}

TCPxContour& TCPxContour::operator=(TCPxContour&& other) noexcept
{
  m_moments.reset();
  m_roi = TCGenRect<int>();
  m_points.clear();
  std::swap(m_moments, other.m_moments);
  std::swap(m_roi, other.m_roi);
  if (this != &other)
    m_points.swap(other.m_points);
  return *this;
}

bool TCPxContour::operator==(const TCPxContour& other) const
{
  return m_roi.GetTopLeft() == other.m_roi.GetTopLeft() && m_points == other.m_points;
}

// ---- access ------------------------------------------------------------------------

int TCPxContour::GetSize() const { return static_cast<int>(m_points.size()); }

int TCPxContour::WrapIndex(int i) const
{
  const int n = GetSize();
  const int r = i % n; // in (-n, n)
  return r < 0 ? r + n : r;
}

const cv::Point* TCPxContour::PointAt(int i) const
{
  if (m_points.empty())
    return nullptr;
  return &m_points[static_cast<std::size_t>(WrapIndex(i))];
}

TCGenPoint<int> TCPxContour::GetPoint(int i) const
{
  const cv::Point* p = PointAt(i);
  return p ? ToGen(*p) : TCGenPoint<int>(-1, -1);
}

int TCPxContour::IndexOf(const TCGenPoint<int>& p) const
{
  const cv::Point q(p.GetX(), p.GetY());
  const auto it = std::find(m_points.begin(), m_points.end(), q);
  return it == m_points.end() ? -1 : static_cast<int>(it - m_points.begin());
}

// ---- measurements ------------------------------------------------------------------

double TCPxContour::GetArea() const
{
  if (m_points.empty())
    return 0.0;
  return std::fabs(cv::contourArea(m_points, false)) + static_cast<double>(m_points.size()) * 0.5 + 1.0;
}

double TCPxContour::GetPerimeter() const
{
  return m_points.empty() ? 0.0 : cv::arcLength(m_points, true);
}

TCGenRect<int> TCPxContour::GetBoundingRect() const
{
  if (m_points.empty())
    return TCGenRect<int>();
  const cv::Rect r = cv::boundingRect(m_points);
  return TCGenRect<int>(r.x, r.y, r.x + r.width, r.y + r.height);
}

std::vector<TCGenPoint<int>> TCPxContour::GetPointsOnBoundingRect() const
{
  std::vector<TCGenPoint<int>> result;
  const TCGenRect<int> r = GetBoundingRect();
  for (const cv::Point& p : m_points)
  {
    if (p.x == r.GetLeft() || static_cast<std::int64_t>(p.x) + 1 == r.GetRight() || p.y == r.GetTop() ||
        static_cast<std::int64_t>(p.y) + 1 == r.GetBottom())
      result.push_back(ToGen(p));
  }
  return result;
}

void TCPxContour::CreateMoments() const
{
  auto moments = std::make_unique<cv::Moments>();
  if (!m_points.empty())
    *moments = cv::moments(m_points, false);
  m_moments = std::move(moments);
}

void TCPxContour::RefreshMoments()
{
  if (m_moments)
    CreateMoments();
}

cv::Moments TCPxContour::GetMoments() const
{
  if (!m_moments)
    CreateMoments();
  return *m_moments;
}

TCGenPoint<double> TCPxContour::GetCOG() const
{
  if (!m_moments)
    CreateMoments();
  if (m_points.empty())
    return TCGenPoint<double>(-1.0, -1.0);
  const cv::Moments& m = *m_moments;
  if (m.m00 != 0.0)
    return TCGenPoint<double>(m.m10 / m.m00, m.m01 / m.m00);
  // Degenerate outline (a line, a point): the mean of the points.
  std::int64_t sx = 0, sy = 0;
  for (const cv::Point& p : m_points)
  {
    sx += p.x;
    sy += p.y;
  }
  const double n = static_cast<double>(m_points.size());
  return TCGenPoint<double>(static_cast<double>(sx) / n, static_cast<double>(sy) / n);
}

TCGenPoint<double> TCPxContour::GetCorrectedCOG() const
{
  if (m_points.empty())
    return TCGenPoint<double>(-1.0, -1.0);
  const TCGenPoint<double> c = GetCOG();
  return TCGenPoint<double>(c.GetX() + m_roi.GetLeft(), c.GetY() + m_roi.GetTop());
}

double TCPxContour::GetElongation() const
{
  if (!m_moments)
    CreateMoments();
  const cv::Moments& m = *m_moments;
  const double denominator = m.mu20 + m.mu02;
  if (denominator == 0.0)
    return -1.0;
  const double d = m.mu20 - m.mu02;
  return std::sqrt(4.0 * m.mu11 * m.mu11 + d * d) / denominator;
}

double TCPxContour::GetLengthAxisAngle() const
{
  if (!m_moments)
    CreateMoments();
  return 0.5 * std::atan2(2.0 * m_moments->mu11, m_moments->mu20 - m_moments->mu02);
}

std::vector<double> TCPxContour::GetDudaniMoments() const
{
  if (!m_moments)
    CreateMoments();
  return _impl::DudaniFromMoments(*m_moments);
}

TCPxContour::TRotatedBox TCPxContour::FitEllipse() const
{
  if (m_points.size() < 5)
    return BoxSentinel();
  cv::RotatedRect r;
  try
  {
    r = cv::fitEllipse(m_points);
  }
  catch (const cv::Exception&)
  {
    return BoxSentinel();
  }
  return ToBox(r);
}

TCPxContour::TRotatedBox TCPxContour::GetMinAreaRect() const
{
  if (m_points.empty())
    return BoxSentinel();
  return ToBox(cv::minAreaRect(m_points));
}

void TCPxContour::GetConvexHull(std::list<TCGenPoint<int>>* hull) const
{
  if (!hull || m_points.empty())
    return;
  std::vector<cv::Point> points;
  cv::convexHull(m_points, points, true, true);
  for (const cv::Point& p : points)
    hull->push_back(ToGen(p));
}

void TCPxContour::GetConvexityDefects(std::list<TCGenPoint<int>>* result) const
{
  if (!result)
    return;
  std::vector<cv::Vec4i> defects = FindDefects(m_points);
  std::stable_sort(defects.begin(), defects.end(),
                   [](const cv::Vec4i& a, const cv::Vec4i& b) { return a[3] > b[3]; });
  for (const cv::Vec4i& d : defects)
    result->push_back(ToGen(m_points[static_cast<std::size_t>(d[2])]));
}

std::vector<TCGenPoint<int>> TCPxContour::GetConvexityDefects(double minDepth) const
{
  std::vector<TCGenPoint<int>> result;
  const double minFixed = minDepth * 256.0;
  for (const cv::Vec4i& d : FindDefects(m_points))
  {
    if (static_cast<double>(d[3]) >= minFixed)
      result.push_back(ToGen(m_points[static_cast<std::size_t>(d[2])]));
  }
  return result;
}

double TCPxContour::GetDistance(const TCGenPoint<int>& p) const
{
  return GetDistance(TCGenPoint<double>(p.GetX(), p.GetY()));
}

double TCPxContour::GetDistance(const TCGenPoint<double>& p) const
{
  if (m_points.empty())
    return -DBL_MAX;
  return cv::pointPolygonTest(m_points, cv::Point2f(ToFloat(p.GetX()), ToFloat(p.GetY())), true);
}

bool TCPxContour::IsInside(const TCGenPoint<double>& p) const
{
  if (m_points.empty())
    return false;
  return cv::pointPolygonTest(m_points, cv::Point2f(ToFloat(p.GetX()), ToFloat(p.GetY())), false) >= 0;
}

double TCPxContour::GetDistanceToNearestPoint(const TCGenPoint<double>& p) const
{
  if (m_points.empty())
    return kNaN;
  const double qx = ToFloat(p.GetX());
  const double qy = ToFloat(p.GetY());
  double best = std::numeric_limits<double>::infinity();
  for (const cv::Point& v : m_points)
  {
    const double dx = v.x - qx;
    const double dy = v.y - qy;
    best = std::min(best, dx * dx + dy * dy);
  }
  return std::sqrt(best);
}

TCGenPoint<int> TCPxContour::PointNearestTo(const TCGenPoint<int>& p) const
{
  if (m_points.empty())
    return TCGenPoint<int>(-1, -1);
  const cv::Point q(p.GetX(), p.GetY());
  std::size_t best = 0;
  double bestD = DistSqr(m_points[0], q);
  for (std::size_t i = 1; i < m_points.size(); ++i)
  {
    const double d = DistSqr(m_points[i], q);
    if (d < bestD)
    {
      bestD = d;
      best = i;
    }
  }
  return ToGen(m_points[best]);
}

TCGenPoint<double> TCPxContour::PointNearestTo(const TCGenPoint<double>& p) const
{
  if (m_points.empty())
    return TCGenPoint<double>(-1.0, -1.0);
  std::size_t best = 0;
  double bestD = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < m_points.size(); ++i)
  {
    const double dx = m_points[i].x - p.GetX();
    const double dy = m_points[i].y - p.GetY();
    const double d = dx * dx + dy * dy;
    if (d < bestD)
    {
      bestD = d;
      best = i;
    }
  }
  return TCGenPoint<double>(m_points[best].x, m_points[best].y);
}

namespace
{
// Scans the rectangle on a grid of the given stride for the point deepest
// inside the outline; strictly larger distances win.
TCGenPoint<int> ScanDeepestPoint(const std::vector<cv::Point>& points, const TCGenRect<int>& r, int stride,
                                 double best)
{
  TCGenPoint<int> result(-1, -1);
  for (std::int64_t x = r.GetLeft(); x < r.GetRight(); x += stride)
  {
    for (std::int64_t y = r.GetTop(); y < r.GetBottom(); y += stride)
    {
      const double d =
          cv::pointPolygonTest(points, cv::Point2f(static_cast<float>(x), static_cast<float>(y)), true);
      if (d > best)
      {
        best = d;
        result = TCGenPoint<int>(static_cast<int>(x), static_cast<int>(y));
      }
    }
  }
  return result;
}
} // namespace

TCGenPoint<int> TCPxContour::GetMaxDistancePointInside() const
{
  if (m_points.empty())
    return TCGenPoint<int>(-1, -1);
  return ScanDeepestPoint(m_points, GetBoundingRect(), 1, -1.0);
}

TCGenPoint<int> TCPxContour::ApproxMaxDistancePointInside() const
{
  if (m_points.empty())
    return TCGenPoint<int>(-1, -1);
  const double a = GetArea();
  const int stride = a > 400000 ? 9 : a > 120000 ? 7 : a > 40000 ? 5 : a > 10000 ? 3 : 1;
  return ScanDeepestPoint(m_points, GetBoundingRect(), stride, -DBL_MAX);
}

TCGenPoint<double> TCPxContour::GetPointOppositeOf(const TCGenPoint<double>& q) const
{
  const int n = GetSize();
  if (n == 0)
    return TCGenPoint<double>(-1.0, -1.0);

  // Vertex nearest to q in city-block distance, truncated to whole pixels.
  int i0 = 0;
  double bestD = std::numeric_limits<double>::infinity();
  for (int i = 0; i < n; ++i)
  {
    const cv::Point& v = m_points[static_cast<std::size_t>(i)];
    const double d = std::trunc(std::fabs(q.GetX() - v.x) + std::fabs(q.GetY() - v.y));
    if (d < bestD)
    {
      bestD = d;
      i0 = i;
    }
  }

  // Two fronts walk away from i0 along the outline while they stay inside a
  // circle that grows with the gap between them.
  double cx = m_points[static_cast<std::size_t>(i0)].x;
  double cy = m_points[static_cast<std::size_t>(i0)].y;
  double e = static_cast<double>(n / 4);
  int f = 1, b = 1, consumed = 0;
  std::optional<std::pair<std::optional<cv::Point>, std::optional<cv::Point>>> previous;
  const auto inside = [&](const cv::Point& v) {
    const double dx = v.x - cx;
    const double dy = v.y - cy;
    return dx * dx + dy * dy < e;
  };
  while (n - consumed > 1)
  {
    std::optional<cv::Point> F, B;
    bool progress = false;
    do
    {
      progress = false;
      if (!F)
      {
        const cv::Point& v = *PointAt(i0 + f);
        if (inside(v))
        {
          ++consumed;
          ++f;
          progress = true;
        }
        else
          F = v;
      }
      if (n - consumed == 1)
        break;
      if (!B)
      {
        const cv::Point& v = *PointAt(i0 - b);
        if (inside(v))
        {
          ++consumed;
          ++b;
          progress = true;
        }
        else
          B = v;
      }
    } while (n - consumed != 1 && progress);

    const std::pair<std::optional<cv::Point>, std::optional<cv::Point>> blocked(F, B);
    if (previous && *previous == blocked)
      break;
    previous = blocked;
    if (F && B)
    {
      const std::int64_t mx = (static_cast<std::int64_t>(B->x) + F->x) / 2;
      const std::int64_t my = (static_cast<std::int64_t>(F->y) + B->y) / 2;
      cx = static_cast<double>(mx);
      cy = static_cast<double>(my);
      const double dF = (F->x - cx) * (F->x - cx) + (F->y - cy) * (F->y - cy);
      const double dB = (B->x - cx) * (B->x - cx) + (B->y - cy) * (B->y - cy);
      e = 1.41 * std::max(dF, dB);
    }
  }
  const cv::Point& r = *PointAt(i0 + ((n + f - b) >> 1));
  return TCGenPoint<double>(r.x, r.y);
}

// ---- curvature ---------------------------------------------------------------------

int TCPxContour::GetCurvOffset() const
{
  return std::max(3, TCGenMathUtils::Round(GetSize() / 9.0));
}

double TCPxContour::GetCurvature(int i) const
{
  const int n = GetSize();
  const int k = GetCurvOffset();
  if (n < 2 * k)
    return kNaN;
  const cv::Point& p = *PointAt(i);
  const int ia = (WrapIndex(i) - k + n) % n; // k <= n / 2, so this stays in range
  const int ib = static_cast<int>((static_cast<std::int64_t>(WrapIndex(i)) + k) % n);
  const cv::Point& a = m_points[static_cast<std::size_t>(ia)];
  const cv::Point& b = m_points[static_cast<std::size_t>(ib)];
  const double ux = static_cast<double>(p.x) - a.x, uy = static_cast<double>(p.y) - a.y;
  const double vx = static_cast<double>(b.x) - p.x, vy = static_cast<double>(b.y) - p.y;
  const double wx = static_cast<double>(b.x) - a.x, wy = static_cast<double>(b.y) - a.y;
  const double u2 = ux * ux + uy * uy;
  const double v2 = vx * vx + vy * vy;
  if (u2 == 0.0 || v2 == 0.0)
    return kNaN;
  const double c = std::clamp((v2 + u2 - (wx * wx + wy * wy)) / (2.0 * std::sqrt(u2) * std::sqrt(v2)), -1.0, 1.0);
  const double theta = kPi - kAcosTable[static_cast<std::size_t>(TCGenMathUtils::Round((c + 1.0) * 500.0))];
  return ux * vy - uy * vx < 0 ? -theta : theta;
}

double TCPxContour::GetCurvature(const TCGenPoint<int>& p) const
{
  const int i = IndexOf(p);
  return i < 0 ? DBL_MAX : GetCurvature(i);
}

double TCPxContour::GetBendingEnergy() const
{
  const int n = GetSize();
  double sum = 0.0;
  int counted = 0;
  for (int i = 0; i < n; ++i)
  {
    const double c = GetCurvature(i);
    if (std::isnan(c))
      continue;
    sum += c * c;
    ++counted;
  }
  return counted == 0 ? kNaN : sum / counted;
}

TCGenPoint<int> TCPxContour::GetMaxCurvPoint() const
{
  const int n = GetSize();
  int best = -1;
  double bestC = DBL_MAX;
  for (int i = 0; i < n; ++i)
  {
    const double c = GetCurvature(i);
    if (c < bestC)
    {
      bestC = c;
      best = i;
    }
  }
  return best < 0 ? TCGenPoint<int>(-1, -1) : ToGen(m_points[static_cast<std::size_t>(best)]);
}

TCGenPoint<int> TCPxContour::GetMaxCurvaturePointWithinDistance(const TCGenPoint<double>& p, double r) const
{
  const int n = GetSize();
  const double r2 = r * r;
  int best = -1;
  double bestC = DBL_MAX;
  for (int i = 0; i < n; ++i)
  {
    const cv::Point& v = m_points[static_cast<std::size_t>(i)];
    const double dx = v.x - p.GetX();
    const double dy = v.y - p.GetY();
    if (!(dx * dx + dy * dy < r2))
      continue;
    const double c = GetCurvature(i);
    if (c < bestC)
    {
      bestC = c;
      best = i;
    }
  }
  return best < 0 ? TCGenPoint<int>(-1, -1) : ToGen(m_points[static_cast<std::size_t>(best)]);
}

double TCPxContour::GetDirection(const TCGenPoint<int>& p) const
{
  const int n = GetSize();
  if (n == 0)
    return kNaN;
  int index = IndexOf(p);
  if (index < 0)
    index = IndexOf(PointNearestTo(p));
  const int k = GetCurvOffset();
  if (n < 2 * k)
    return kNaN;
  const double kappa = GetCurvature(index);
  const cv::Point& v = m_points[static_cast<std::size_t>(index)];
  const cv::Point& f = *PointAt(static_cast<int>((static_cast<std::int64_t>(index) + k) % n));
  double d = std::atan2(static_cast<double>(f.y) - v.y, static_cast<double>(f.x) - v.x) - kappa / 2.0 + kPi / 2.0;
  if (d < 0.0)
    d += 2.0 * kPi;
  if (d >= 2.0 * kPi)
    d -= 2.0 * kPi;
  return d;
}

// ---- transformations ---------------------------------------------------------------

void TCPxContour::Translate2(const TCGenPoint<double>& d)
{
  const TCGenPoint<int> r = TCPxConversion::RoundPoint(d);
  for (cv::Point& p : m_points)
    p = Offset(p, -static_cast<std::int64_t>(r.GetX()), -static_cast<std::int64_t>(r.GetY()));
  RefreshMoments();
}

void TCPxContour::Translate2COG()
{
  if (m_points.empty())
    return;
  Translate2(GetCOG());
}

void TCPxContour::MoveTo(const TCGenPoint<double>& target)
{
  if (m_points.empty())
    return;
  const TCGenPoint<double> cog = GetCOG();
  const int dx = TCGenMathUtils::Round(target.GetX() - cog.GetX());
  const int dy = TCGenMathUtils::Round(target.GetY() - cog.GetY());
  for (cv::Point& p : m_points)
    p = Offset(p, dx, dy);
  RefreshMoments();
}

void TCPxContour::Rotate(const TCGenPoint<double>& centre, double angle)
{
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double cx = centre.GetX();
  const double cy = centre.GetY();
  for (cv::Point& p : m_points)
  {
    const double dx = p.x - cx;
    const double dy = p.y - cy;
    p = cv::Point(TruncToInt(cx + dx * c - dy * s), TruncToInt(cy + dy * c + dx * s));
  }
  RefreshMoments();
}

void TCPxContour::Rotate(double angle)
{
  if (m_points.empty())
    return;
  if (!m_moments)
    CreateMoments();
  Rotate(GetCOG(), angle);
}

void TCPxContour::CorrectForROI()
{
  const int left = m_roi.GetLeft();
  const int top = m_roi.GetTop();
  if (left != 0 || top != 0)
  {
    for (cv::Point& p : m_points)
      p = Offset(p, left, top);
  }
  m_roi = TCGenRect<int>();
  RefreshMoments();
}

// ---- Fourier description -------------------------------------------------------------

void TCPxContour::GetDftCoefs(cv::Mat* samples, cv::Mat* spectrum, TDftCoefs* out)
{
  const int n = samples->cols;
  if (n <= 0)
    return;
  cv::dft(*samples, *spectrum, 0);
  const float* s = spectrum->ptr<float>(0);
  const std::size_t base = out->size();
  out->resize(base + static_cast<std::size_t>(n));
  std::complex<float>* c = out->data() + base;
  // Packed layout: Re0, Re1, Im1, Re2, Im2, ... (Re N/2 last for even N).
  c[0] = std::complex<float>(s[0], 0.0f);
  const int half = (n + 1) / 2; // ceil(N / 2)
  for (int k = 1; k < half; ++k)
    c[k] = std::complex<float>(s[2 * k - 1], s[2 * k]);
  if (n % 2 == 0)
    c[n / 2] = std::complex<float>(s[n - 1], 0.0f);
  for (int k = n / 2 + 1; k < n; ++k)
    c[k] = std::conj(c[n - k]);
}

void TCPxContour::GetXYDftCoefs(TDftCoefs* X, TDftCoefs* Y) const
{
  if (m_points.empty())
    return;
  cv::Mat rows = CoordinateRows(m_points);
  cv::Mat spectrum;
  if (X)
  {
    cv::Mat xs = rows.row(0);
    GetDftCoefs(&xs, &spectrum, X);
  }
  if (Y)
  {
    cv::Mat ys = rows.row(1);
    GetDftCoefs(&ys, &spectrum, Y);
  }
}

void TCPxContour::CalcNormalizedDftCoefs(const TCGenPoint<double>& ref, TDftCoefs* X, TDftCoefs* Y) const
{
  if (!X || !Y)
    return;
  TDftCoefs x, y;
  GetXYDftCoefs(&x, &y);
  if (x.size() < 2)
  {
    *X = std::move(x);
    *Y = std::move(y);
    return;
  }
  const TCGenPoint<double> cog = GetCOG();
  const double rx = ref.GetX() - cog.GetX();
  const double ry = ref.GetY() - cog.GetY();

  // Phase of the first-harmonic ellipse's axes.
  const std::complex<double> a(x[1]);
  const std::complex<double> b(y[1]);
  const double psi = std::atan2(2.0 * (b.real() * b.imag() + a.real() * a.imag()),
                                b.real() * b.real() + a.real() * a.real() - a.imag() * a.imag() - b.imag() * b.imag());

  // The four axis ends as candidate start points.
  TDftCoefs sx[4], sy[4];
  double px[4], py[4];
  for (int j = 0; j < 4; ++j)
  {
    const double omega = j * kPi / 2.0 + psi / 2.0;
    sx[j] = x;
    sy[j] = y;
    PhaseShift(&sx[j], omega);
    PhaseShift(&sy[j], omega);
    // Start points relative to the centre of gravity, the frame of r.
    px[j] = StartCoordinate(sx[j]) - cog.GetX();
    py[j] = StartCoordinate(sy[j]) - cog.GetY();
  }
  const auto d2 = [&](int i, int j) {
    return (px[i] - px[j]) * (px[i] - px[j]) + (py[i] - py[j]) * (py[i] - py[j]);
  };
  const auto toRef = [&](int i) { return (px[i] - rx) * (px[i] - rx) + (py[i] - ry) * (py[i] - ry); };
  const int first = d2(0, 2) > d2(1, 3) ? 0 : 1;
  const int second = first + 2;
  const int chosen = toRef(first) < toRef(second) ? first : second;
  x = std::move(sx[chosen]);
  y = std::move(sy[chosen]);

  // Rotation so that the first harmonic's start lies on the x axis.
  const float phi = std::atan2(y[1].real(), x[1].real());
  const float c = std::cos(phi);
  const float s = std::sin(phi);
  const std::size_t count = std::min(x.size(), y.size());
  for (std::size_t k = 0; k < count; ++k)
  {
    const std::complex<float> xk = x[k];
    const std::complex<float> yk = y[k];
    x[k] = xk * c + yk * s;
    y[k] = yk * c - xk * s;
  }
  *X = std::move(x);
  *Y = std::move(y);
}

void TCPxContour::Shift2MaxCurvPoint(TDftCoefs* X, TDftCoefs* Y) const
{
  if (!X || !Y || X->empty())
    return;
  const int m = IndexOf(GetMaxCurvPoint());
  if (m < 0)
    return;
  // Starting at vertex m means x'_j = x_(j+m), i.e. harmonic k times
  // e^(+i k 2 pi m / M) for spectra of OpenCV's forward transform.
  const double phi = m * 2.0 * kPi / static_cast<double>(X->size());
  PhaseShift(X, -phi);
  PhaseShift(Y, -phi);
}

void TCPxContour::DFT(TCPxContour* out, int harmonics) const
{
  if (!out)
    return;
  const int n = GetSize();
  if (n == 0)
  {
    out->m_points.clear();
    out->m_roi = m_roi;
    out->RefreshMoments();
    return;
  }
  const cv::Mat m = LowPass(m_points, harmonics);
  const float* xs = m.ptr<float>(0);
  const float* ys = m.ptr<float>(1);
  out->m_points.resize(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    out->m_points[static_cast<std::size_t>(j)] = cv::Point(TruncToInt(std::roundf(xs[j])), TruncToInt(std::roundf(ys[j])));
  out->m_roi = m_roi;
  out->RefreshMoments();
}

void TCPxContour::DFT(std::list<TCGenPoint<double>>* out, int harmonics) const
{
  if (!out || m_points.empty())
    return;
  const cv::Mat m = LowPass(m_points, harmonics);
  const float* xs = m.ptr<float>(0);
  const float* ys = m.ptr<float>(1);
  for (int j = 0; j < m.cols; ++j)
    out->push_back(TCGenPoint<double>(xs[j], ys[j]));
}

void TCPxContour::ConstructFromDFTCoefs(int count, int n, const TDftCoefs& X, const TDftCoefs& Y)
{
  m_points.clear();
  if (n >= 1)
  {
    const int terms = std::clamp<std::int64_t>(count, 0, static_cast<std::int64_t>(std::min(X.size(), Y.size())));
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < n; ++i)
    {
      double x = 0.0, y = 0.0;
      for (int j = 0; j < terms; ++j)
      {
        // angle_j = 2 pi i j / n, reduced mod n first to keep the product exact.
        const double angle = 2.0 * kPi * static_cast<double>((static_cast<std::int64_t>(i) * j) % n) / n;
        const std::complex<double> e(std::cos(angle), std::sin(angle));
        const double w = j == 0 ? 1.0 : 2.0;
        x += w * (std::complex<double>(X[static_cast<std::size_t>(j)]) * e).real();
        y += w * (std::complex<double>(Y[static_cast<std::size_t>(j)]) * e).real();
      }
      const cv::Point p(TCGenMathUtils::Round(x / n), TCGenMathUtils::Round(y / n));
      if (seen.insert(std::make_pair(p.x, p.y)).second)
        m_points.push_back(p);
    }
  }
  RefreshMoments();
}

namespace
{
// Writes the first ceil(N/2) coefficients into a 1 x N row in OpenCV's packed
// real-spectrum layout; the Nyquist slot of an even N stays 0.
cv::Mat PackSpectrum(const TCPxContour::TDftCoefs& c)
{
  const int n = static_cast<int>(c.size());
  cv::Mat row = cv::Mat::zeros(1, n, CV_32F);
  float* r = row.ptr<float>(0);
  r[0] = c[0].real();
  const int used = n / 2 + (n % 2);
  for (int k = 1; k < used; ++k)
  {
    r[2 * k - 1] = c[static_cast<std::size_t>(k)].real();
    r[2 * k] = c[static_cast<std::size_t>(k)].imag();
  }
  return row;
}
} // namespace

void TCPxContour::ReconstructFromXYDftCoefs(const TDftCoefs& X, const TDftCoefs& Y)
{
  if (X.empty() || X.size() != Y.size())
    return;
  const int n = static_cast<int>(X.size());
  cv::Mat xs, ys;
  cv::dft(PackSpectrum(X), xs, cv::DFT_INVERSE | cv::DFT_SCALE);
  cv::dft(PackSpectrum(Y), ys, cv::DFT_INVERSE | cv::DFT_SCALE);
  const float* px = xs.ptr<float>(0);
  const float* py = ys.ptr<float>(0);
  m_points.reserve(m_points.size() + static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    m_points.emplace_back(TCGenMathUtils::Round(px[j]), TCGenMathUtils::Round(py[j]));
  RefreshMoments();
}

// ---- text form ---------------------------------------------------------------------

std::ostream& operator<<(std::ostream& os, const TCPxContour& contour)
{
  TCPxContour::TDftCoefs X, Y;
  contour.GetXYDftCoefs(&X, &Y);
  for (const TCPxContour::TDftCoefs* c : {&X, &Y})
  {
    const int n = static_cast<int>(c->size());
    const int h = (n + 1) / 2;
    os << h << ';' << n << ';';
    for (int k = 0; k < h; ++k)
      os << (*c)[static_cast<std::size_t>(k)].real() << ';' << (*c)[static_cast<std::size_t>(k)].imag() << ';';
  }
  return os;
}

namespace
{
// Longest field the reader accepts: far more than any number the writer
// produces, and a bound on what one missing delimiter can make it buffer.
constexpr std::size_t kMaxFieldLength = 64;

// Reads one ';'-terminated number. Fails on a missing delimiter, an
// over-long or empty field, trailing garbage and non-finite values.
bool ReadField(std::streambuf* buf, double* value)
{
  char field[kMaxFieldLength + 1];
  std::size_t len = 0;
  for (;;)
  {
    const int ch = buf->sbumpc();
    if (ch == std::char_traits<char>::eof())
      return false;
    if (ch == ';')
      break;
    if (len == kMaxFieldLength)
      return false;
    field[len++] = static_cast<char>(ch);
  }
  const char* begin = field;
  const char* end = field + len;
  while (begin < end && std::isspace(static_cast<unsigned char>(*begin)))
    ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(end[-1])))
    --end;
  if (begin < end && *begin == '+')
    ++begin;
  if (begin == end)
    return false;
  double v = 0.0;
  const std::from_chars_result r = std::from_chars(begin, end, v);
  if (r.ec != std::errc() || r.ptr != end || !std::isfinite(v))
    return false;
  *value = v;
  return true;
}

bool ReadCount(std::streambuf* buf, int* count)
{
  double v = 0.0;
  if (!ReadField(buf, &v) || v < 0.0 || v > TCPxContour::ms_maxTextCoefs || v != std::floor(v))
    return false;
  *count = static_cast<int>(v);
  return true;
}

// One coordinate's spectrum: h, N, h (real, imaginary) pairs, completed to N
// entries with the complex conjugates of entries h - 1, h - 2, ...
bool ReadSpectrum(std::streambuf* buf, TCPxContour::TDftCoefs* c)
{
  int h = 0, n = 0;
  if (!ReadCount(buf, &h) || !ReadCount(buf, &n))
    return false;
  // The completion mirrors the h given entries, so it needs N / 2 <= h <= N.
  if (h > n || 2 * static_cast<std::int64_t>(h) < n)
    return false;
  c->clear();
  for (int k = 0; k < h; ++k)
  {
    double re = 0.0, im = 0.0;
    if (!ReadField(buf, &re) || !ReadField(buf, &im))
      return false;
    if (std::fabs(re) > FLT_MAX || std::fabs(im) > FLT_MAX)
      return false;
    c->emplace_back(static_cast<float>(re), static_cast<float>(im));
  }
  for (int k = h - 1; static_cast<int>(c->size()) < n; --k)
    c->push_back(std::conj((*c)[static_cast<std::size_t>(k)]));
  return true;
}
} // namespace

std::istream& operator>>(std::istream& is, TCPxContour& contour)
{
  const std::istream::sentry sentry(is, false); // skips leading white space
  if (!sentry)
    return is;
  std::streambuf* buf = is.rdbuf();
  TCPxContour::TDftCoefs X, Y;
  if (!buf || !ReadSpectrum(buf, &X) || !ReadSpectrum(buf, &Y) || X.size() != Y.size())
  {
    is.setstate(std::ios_base::failbit);
    return is;
  }
  contour.ReconstructFromXYDftCoefs(X, Y);
  contour.CreateMoments();
  return is;
}
