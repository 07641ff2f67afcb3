// Closed uniform cubic B-spline of scalar control values.
#include <tarvekmath/TCMathSplSpline.h>

#include <cmath>
#include <limits>

TCMathSplSpline::~TCMathSplSpline() = default;

void TCMathSplSpline::ClearControlPoints() { m_controlPoints.clear(); }

void TCMathSplSpline::AddControlPoint(double value)
{
  m_controlPoints.push_back(value);
  GenerateSpanMatrix(static_cast<int>(m_controlPoints.size() - 1));
}

void TCMathSplSpline::SetControlPoint(size_t i, double value)
{
  if (i < m_controlPoints.size())
    m_controlPoints[i] = value;
}

TCMathSplBSplineCubic::~TCMathSplBSplineCubic() = default;

void TCMathSplBSplineCubic::ClearControlPoints()
{
  TCMathSplSpline::ClearControlPoints();
  m_spanMatrices.clear();
}

void TCMathSplBSplineCubic::GenerateSpanMatrix(int span)
{
  // The uniform cubic basis of span b written in the global parameter t, so
  // that evaluation needs no shift to a local parameter.
  const double b = span;
  const double b2 = b * b, b3 = b2 * b;
  m_spanMatrices.push_back({
      (b + 1) * (b + 1) * (b + 1) / 6, 2.0 / 3.0 - (b3 / 2 + b2), (3 * b3 + 3 * b2 - 3 * b + 1) / 6, -b3 / 6, //
      -(b + 1) * (b + 1) / 2, (4 * b + 3 * b2) / 2, -(3 * b - 1) * (b + 1) / 2, b2 / 2,                      //
      (b + 1) / 2, -(3 * b + 2) / 2, (3 * b + 1) / 2, -b / 2,                                                //
      -1.0 / 6, 1.0 / 2, -1.0 / 2, 1.0 / 6,
  });
}

double TCMathSplBSplineCubic::EvaluateBasis(double t, bool derivative) const
{
  const size_t n = m_controlPoints.size();
  if (n == 0)
    return 0.0;
  if (!std::isfinite(t))
    return std::numeric_limits<double>::quiet_NaN();
  // Reduce t into [0, n): the curve is periodic, and the span index must
  // never be negative or past the end. fmod is exact; only the shift of a
  // tiny negative remainder can round up to n.
  const double period = static_cast<double>(n);
  double tr = t;
  if (!(tr >= 0.0 && tr < period)) // fmod only off the common path
  {
    tr = std::fmod(t, period);
    if (tr < 0.0)
      tr += period;
    if (tr >= period)
      tr = 0.0;
  }
  const size_t s = static_cast<size_t>(tr);
  if (s >= m_spanMatrices.size())
    return std::numeric_limits<double>::quiet_NaN();
  // M_s(t) equals M_0(t − s): evaluating span 0's matrix at the local
  // parameter u = t − s in [0, 1) gives the same polynomial without the
  // cancellation of coefficients that grow as s³ (with the global
  // parameter, 10,000 control values leave about four correct digits).
  const double* m = m_spanMatrices[0].data();
  const double x = tr - static_cast<double>(s);
  double p[4];
  for (size_t c = 0, idx = s; c < 4; ++c, ++idx)
  {
    while (idx >= n) // s < n, so at most three steps (fewer than four values)
      idx -= n;
    p[c] = m_controlPoints[idx];
  }
  double u[4];
  if (derivative)
  {
    u[0] = 0.0;
    u[1] = 1.0;
    u[2] = 2.0 * x;
    u[3] = 3.0 * x * x;
  }
  else
  {
    u[0] = 1.0;
    u[1] = x;
    u[2] = x * x;
    u[3] = x * x * x;
  }
  double sum = 0.0;
  for (size_t r = 0; r < 4; ++r)
    sum += u[r] * (m[4 * r] * p[0] + m[4 * r + 1] * p[1] + m[4 * r + 2] * p[2] + m[4 * r + 3] * p[3]);
  return sum;
}

double TCMathSplBSplineCubic::Evaluate(double t) const { return EvaluateBasis(t, false); }

double TCMathSplBSplineCubic::EvaluateDerative(double t) const { return EvaluateBasis(t, true); }
