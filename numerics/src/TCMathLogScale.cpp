#include <tarvekmath/TCMathLogScale.h>

#include <algorithm>
#include <cmath>

namespace
{
// Clamp to the interval spanned by a and b, whichever is larger.
double ClampBetween(double x, double a, double b)
{
  return std::min(std::max(x, std::min(a, b)), std::max(a, b));
}
} // namespace

TCMathLogScale::TCMathLogScale(double inMin, double inMax, double outMin, double outMax, double curvature)
    : m_inMin(inMin), m_inMax(inMax), m_outMin(outMin), m_outMax(outMax), m_k(1.0 / (1.0 - curvature) - 1.0)
{
}

double TCMathLogScale::operator()(double x) const
{
  const double t = ClampBetween(x, m_inMin, m_inMax);
  return m_outMin + (m_outMax - m_outMin) * m_k *
                        std::log((std::exp(1.0 / m_k) - 1.0) * (t - m_inMin) / (m_inMax - m_inMin) + 1.0);
}

double TCMathLogScale::Inverse(double y) const
{
  const double c = ClampBetween(y, m_outMin, m_outMax);
  const double u = std::exp((c - m_outMin) / (m_outMax - m_outMin) / m_k);
  return m_inMin + (m_inMax - m_inMin) * (u - 1.0) / (std::exp(1.0 / m_k) - 1.0);
}
