// Simple linear regression from running sums.
#include <tarvekmath/TCMathLinearRegression.h>

#include <cmath>

namespace
{
constexpr double kEpsilon = 2.220446049250313e-16;
}

void TCMathLinearRegression::AddXY(double x, double y)
{
  ++m_nrPoints;
  m_sumX += x;
  m_sumY += y;
  m_sumXX += x * x;
  m_sumYY += y * y;
  m_sumXY += x * y;
}

bool TCMathLinearRegression::Calculate()
{
  if (m_nrPoints < 3)
    return false;
  const double n = m_nrPoints;
  const double d = n * m_sumXX - m_sumX * m_sumX;
  const bool regular = std::abs(d) > kEpsilon;
  if (regular)
  {
    m_slope = (n * m_sumXY - m_sumY * m_sumX) / d;
    m_intercept = (m_sumY - m_slope * m_sumX) / n;
  }
  else
  {
    m_slope = 0.0;
    m_intercept = 0.0;
    m_stdErrSlope = 0.0;
    m_stdErrIntercept = 0.0;
    return false;
  }
  // Residual sum of squares expanded in the sums; abs() absorbs the rounding
  // that can make an exact fit's sum slightly negative.
  const double a = m_intercept, b = m_slope;
  const double rss = m_sumYY - 2 * a * m_sumY - 2 * b * m_sumXY + 2 * a * b * m_sumX + n * a * a + b * b * m_sumXX;
  const double s = std::sqrt(std::abs(rss) / (n - 2));
  m_stdErrSlope = s * std::sqrt(n / d);
  m_stdErrIntercept = s * std::sqrt(m_sumXX / d);
  return true;
}

void TCMathLinearRegression::Reset() { *this = TCMathLinearRegression(); }
