// Univariate distributions.
#include <tarvekmath/TCMathPbDistribution.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>

#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/normal.hpp>


namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kSmallestNormal = 2.2250738585072014e-308;
constexpr double kTwoPi = 6.283185307179586;

// Standard normal density on [−4, 4] in steps of 1/1250, filled when the
// library loads and only read afterwards.
constexpr int kTableHalf = 5000;
constexpr double kTableSteps = 1250.0;

struct NormalTable
{
  std::array<double, 2 * kTableHalf + 1> values;
  NormalTable()
  {
    const double norm = 1.0 / std::sqrt(kTwoPi);
    for (int i = 0; i <= 2 * kTableHalf; ++i)
    {
      const double z = i / kTableSteps - 4.0;
      values[static_cast<size_t>(i)] = std::exp(-0.5 * z * z) * norm;
    }
  }
};
const NormalTable g_normalTable;
} // namespace

// ---- base ----
TCMathPbDistribution::TCMathPbDistribution() : m_expectation(kNaN), m_variance(kNaN), m_stdDev(kNaN) {}

TCMathPbDistribution::TCMathPbDistribution(double expectation, double variance)
    : m_expectation(expectation), m_variance(variance), m_stdDev(std::sqrt(variance))
{
}

double TCMathPbDistribution::GetPdfValue(double) const { return kNaN; }
double TCMathPbDistribution::GetCdfValue(double) const { return kNaN; }
double TCMathPbDistribution::GetLogPdfValue(double x) const { return std::log(GetPdfValue(x)); }
double TCMathPbDistribution::GetLogCdfValue(double x) const { return std::log(GetCdfValue(x)); }
double TCMathPbDistribution::GetInvCdfValue(double) const { return kNaN; }
double TCMathPbDistribution::GetPdfValueFast(double x) const { return GetPdfValue(x); }
double TCMathPbDistribution::GetCdfValueFast(double x) const { return GetCdfValue(x); }
double TCMathPbDistribution::GetLogPdfValueFast(double x) const { return GetLogPdfValue(x); }
double TCMathPbDistribution::GetLogCdfValueFast(double x) const { return GetLogCdfValue(x); }
double TCMathPbDistribution::GetSample() const { return GetInvCdfValue(UniformVariate()); }

double TCMathPbDistribution::UniformVariate()
{
  // RAND_MAX + 1 keeps the variate below 1 whatever the width of rand().
  return std::rand() / (static_cast<double>(RAND_MAX) + 1.0) + kSmallestNormal;
}

void TCMathPbDistribution::SetVariance(double variance)
{
  m_variance = variance;
  m_stdDev = std::sqrt(variance);
}

double TCMathPbDistribution::GetNormalizedDistance(double x) const { return std::abs(x - m_expectation) / m_stdDev; }

std::vector<double> TCMathPbDistribution::GetSamples(int n) const
{
  std::vector<double> out;
  if (n <= 0)
    return out;
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    out.push_back(GetSample());
  return out;
}

// ---- normal ----
double TCMathPbGaussian::GetPdfValue(double x) const
{
  if (m_variance == 0.0)
    return kInf;
  const double d = x - m_expectation;
  return std::exp(-d * d / (2.0 * m_variance)) / std::sqrt(kTwoPi * m_variance);
}

double TCMathPbGaussian::GetCdfValue(double x) const
{
  return boost::math::cdf(boost::math::normal_distribution<double>(m_expectation, m_stdDev), x);
}

double TCMathPbGaussian::GetInvCdfValue(double p) const
{
  if (!(p > 0.0 && p < 1.0))
    return kNaN;
  return boost::math::quantile(boost::math::normal_distribution<double>(m_expectation, m_stdDev), p);
}

double TCMathPbGaussian::GetPdfValueFast(double x) const
{
  // A NaN position has no table index; a zero variance is the same point
  // mass as in GetPdfValue.
  if (std::isnan(x) || std::isnan(m_expectation) || std::isnan(m_stdDev))
    return kNaN;
  if (m_stdDev == 0.0)
    return kInf;
  const double pos = (x - m_expectation) * kTableSteps / m_stdDev + kTableHalf;
  if (!(pos > -1.0 && pos < 2.0 * kTableHalf + 1.0))
    return 0.0;
  // Nearest index, halves away from zero (TCGenMathUtils::Round's rule),
  // inlined because this is the hot path of the fast density.
  const int index = pos >= 0.0 ? static_cast<int>(pos + 0.5) : -static_cast<int>(0.5 - pos);
  if (index < 0 || index > 2 * kTableHalf)
    return 0.0;
  return g_normalTable.values[static_cast<size_t>(index)] / m_stdDev;
}

// ---- log-normal ----
TCMathPbLogNormal::TCMathPbLogNormal(double location, double scale)
    : m_location(location), m_scale(scale), m_normal(location, scale)
{
  UpdateMeanAndVar();
}

void TCMathPbLogNormal::SetLocation(double location)
{
  m_location = location;
  m_normal.SetMean(location);
  UpdateMeanAndVar();
}

void TCMathPbLogNormal::SetScale(double scale)
{
  m_scale = scale;
  m_normal.SetVariance(scale);
  UpdateMeanAndVar();
}

void TCMathPbLogNormal::UpdateMeanAndVar()
{
  m_expectation = std::exp(m_location + m_scale / 2.0);
  SetVariance((std::exp(m_scale) - 1.0) * std::exp(2.0 * m_location + m_scale));
}

double TCMathPbLogNormal::GetPdfValue(double x) const
{
  return x <= 0.0 ? 0.0 : m_normal.GetPdfValue(std::log(x)) / x;
}

double TCMathPbLogNormal::GetCdfValue(double x) const { return x <= 0.0 ? 0.0 : m_normal.GetCdfValue(std::log(x)); }

double TCMathPbLogNormal::GetPdfValueFast(double x) const
{
  return x <= 0.0 ? 0.0 : m_normal.GetPdfValueFast(std::log(x)) / x;
}

// ---- gamma ----
TCMathPbGamma::TCMathPbGamma(double shape, double scale)
    : m_distribution(std::make_unique<Distribution>(shape, scale))
{
}

TCMathPbGamma::TCMathPbGamma(const TCMathPbGamma& other)
    : TCMathPbDistribution(other),
      m_distribution(std::make_unique<Distribution>(*other.m_distribution))
{
}

TCMathPbGamma& TCMathPbGamma::operator=(const TCMathPbGamma& other)
{
  if (this != &other)
  {
    TCMathPbDistribution::operator=(other);
    m_distribution = std::make_unique<Distribution>(*other.m_distribution);
  }
  return *this;
}

TCMathPbGamma::~TCMathPbGamma() = default;

double TCMathPbGamma::GetPdfValue(double x) const { return boost::math::pdf(*m_distribution, x); }
double TCMathPbGamma::GetCdfValue(double x) const { return boost::math::cdf(*m_distribution, x); }

// ---- uniform ----
TCMathPbUniform::TCMathPbUniform(double a, double b)
    : TCMathPbDistribution((a + b) / 2.0, (b - a) * (b - a) / 12.0), m_min(a), m_max(b)
{
}

void TCMathPbUniform::SetMinMax(double a, double b)
{
  m_min = a;
  m_max = b;
}

double TCMathPbUniform::GetPdfValue(double x) const { return (x > m_min && x < m_max) ? 1.0 / (m_max - m_min) : 0.0; }

double TCMathPbUniform::GetCdfValue(double x) const
{
  if (x <= m_min)
    return 0.0;
  if (x >= m_max)
    return 1.0;
  return (x - m_min) / (m_max - m_min);
}

double TCMathPbUniform::GetSample() const { return m_min + (m_max - m_min) * UniformVariate(); }

// ---- weighted sum ----
TCMathPbWeightedSum::TCMathPbWeightedSum(std::shared_ptr<TCMathPbDistribution> first,
                                         std::shared_ptr<TCMathPbDistribution> second, double w)
    : m_first(std::move(first)), m_second(std::move(second)), m_rate(w)
{
  if (!m_first || !m_second)
    throw std::invalid_argument("TCMathPbWeightedSum: null component");
  Update();
}

void TCMathPbWeightedSum::Update()
{
  const double w = m_rate;
  m_expectation = w * m_first->GetExpectation() + (1.0 - w) * m_second->GetExpectation();
  SetVariance(w * w * m_first->GetVariance() + (1.0 - w) * (1.0 - w) * m_second->GetVariance());
}

double TCMathPbWeightedSum::GetPdfValue(double x) const
{
  return m_rate * m_first->GetPdfValue(x) + (1.0 - m_rate) * m_second->GetPdfValue(x);
}

double TCMathPbWeightedSum::GetCdfValue(double x) const
{
  return m_rate * m_first->GetCdfValue(x) + (1.0 - m_rate) * m_second->GetCdfValue(x);
}

double TCMathPbWeightedSum::GetPdfValueFast(double x) const
{
  return m_rate * m_first->GetPdfValueFast(x) + (1.0 - m_rate) * m_second->GetPdfValueFast(x);
}

double TCMathPbWeightedSum::GetCdfValueFast(double x) const
{
  return m_rate * m_first->GetCdfValueFast(x) + (1.0 - m_rate) * m_second->GetCdfValueFast(x);
}
