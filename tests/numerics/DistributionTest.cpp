#include <cmath>
#include <cstdlib>
#include <limits>

#include <boost/math/distributions/gamma.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <boost/math/special_functions/gamma.hpp>
#include <gtest/gtest.h>

#include <tarvekmath/TCMathPbDistribution.h>
#include <tarvekmath/TCMathPbMvGaussian.h>
#include <tarvekmath/TCMathPbStudent.h>
#include <tarvekmath/TCMathStatUtils.h>
#include <tarvekmath/TCMathUblasUtils.h>

#include "TestHelpers.h"

using test::Mat;
using test::Vec;

// Reaches the private special functions of the Student t class.
struct TCMathPbStudentTestPeer
{
  static double LnGamma(double x) { return TCMathPbStudent::Ln_Gamma(x); }
  static double IncBeta(double a, double b, double x) { return TCMathPbStudent::Incomplete_Beta(a, b, x); }
  static double IncGamma(double a, double x) { return TCMathPbStudent::Incomplete_Gamma(a, x); }
};

namespace
{
double Rel(double a, double b) { return std::abs(a - b) / std::max(std::abs(b), 1e-300); }
} // namespace

TEST(GaussianDistribution, ClosedFormsAtHandWorkedPoints)
{
  const TCMathPbGaussian g(0, 4);
  EXPECT_EQ(g.GetStdDev(), 2.0);
  EXPECT_NEAR(g.GetPdfValue(0), 1 / std::sqrt(8 * M_PI), 1e-16);
  EXPECT_EQ(g.GetCdfValue(0), 0.5);
  EXPECT_EQ(g.GetInvCdfValue(0.5), 0.0);
  EXPECT_TRUE(std::isnan(g.GetInvCdfValue(1)));
  EXPECT_TRUE(std::isnan(g.GetInvCdfValue(0)));
  EXPECT_EQ(g.GetCdfValue(-INFINITY), 0.0);
  EXPECT_EQ(g.GetCdfValue(INFINITY), 1.0);
  EXPECT_NEAR(g.GetLogPdfValue(2), std::log(std::exp(-0.5) / std::sqrt(8 * M_PI)), 1e-15);
  EXPECT_EQ(g.GetNormalizedDistance(-3), 1.5);
  const TCMathPbGaussian standard;
  EXPECT_EQ(standard.GetVariance(), 1.0);
}

TEST(GaussianDistribution, CdfAndQuantileMatchErfcReference)
{
  const TCMathPbGaussian g(1.5, 0.36);
  for (double x : {-2.0, 0.3, 1.5, 2.2, 4.0})
  {
    const double ref = 0.5 * std::erfc(-(x - 1.5) / (0.6 * std::sqrt(2.0)));
    EXPECT_LT(Rel(g.GetCdfValue(x), ref), 1e-9) << x;
    EXPECT_NEAR(g.GetInvCdfValue(ref), x, 1e-9 * std::max(1.0, std::abs(x)));
  }
}

TEST(GaussianDistribution, ZeroVarianceAndInvalidParameters)
{
  const TCMathPbGaussian point(3, 0);
  EXPECT_EQ(point.GetPdfValue(3), INFINITY);
  EXPECT_EQ(point.GetPdfValue(-100), INFINITY);
  EXPECT_EQ(point.GetPdfValueFast(7), INFINITY);
  EXPECT_THROW(point.GetCdfValue(3), std::domain_error);
  EXPECT_THROW(TCMathPbGaussian(0, 1).GetCdfValue(NAN), std::domain_error);
}

TEST(GaussianDistribution, FastDensityUsesTheTable)
{
  const TCMathPbGaussian g;
  EXPECT_NEAR(g.GetPdfValueFast(0), 0.3989423, 1e-7);
  EXPECT_EQ(g.GetPdfValueFast(0), 1 / std::sqrt(2 * M_PI));
  EXPECT_EQ(g.GetPdfValueFast(4.01), 0.0);
  EXPECT_EQ(g.GetPdfValueFast(-4.01), 0.0);
  EXPECT_GT(g.GetPdfValueFast(4.0), 0.0);
  EXPECT_EQ(g.GetPdfValueFast(1e300), 0.0);
  EXPECT_TRUE(std::isnan(g.GetPdfValueFast(NAN)));
  const TCMathPbGaussian h(2, 9);
  for (double x : {-5.0, 0.0, 1.0, 2.5, 9.0})
    EXPECT_NEAR(h.GetPdfValueFast(x), h.GetPdfValue(x), 2e-4 * h.GetPdfValue(2)) << x;
  // Slot 8 falls back on slot 6 through the virtual call.
  EXPECT_NEAR(h.GetLogPdfValueFast(2.0), std::log(h.GetPdfValueFast(2.0)), 1e-15);
}

TEST(GaussianDistribution, SamplesAreFiniteAndFollowTheDistribution)
{
  std::srand(1);
  const TCMathPbGaussian g(5, 4);
  const auto s = g.GetSamples(4000);
  ASSERT_EQ(s.size(), 4000u);
  double sum = 0, sum2 = 0;
  for (double x : s)
  {
    ASSERT_TRUE(std::isfinite(x));
    sum += x;
    sum2 += x * x;
  }
  const double mean = sum / 4000, var = sum2 / 4000 - mean * mean;
  EXPECT_NEAR(mean, 5, 0.15);
  EXPECT_NEAR(var, 4, 0.4);
  EXPECT_TRUE(g.GetSamples(0).empty());
  EXPECT_TRUE(g.GetSamples(-3).empty());
}

TEST(LogNormalDistribution, MomentsDensityAndCdf)
{
  TCMathPbLogNormal l(0, 1);
  EXPECT_NEAR(l.GetExpectation(), std::exp(0.5), 1e-15);
  EXPECT_NEAR(l.GetVariance(), (std::exp(1.0) - 1) * std::exp(1.0), 1e-14);
  EXPECT_EQ(l.GetPdfValue(-1), 0.0);
  EXPECT_EQ(l.GetCdfValue(0), 0.0);
  EXPECT_NEAR(l.GetPdfValue(1), 1 / std::sqrt(2 * M_PI), 1e-16);
  EXPECT_LT(Rel(l.GetCdfValue(2.0), 0.5 * std::erfc(-std::log(2.0) / std::sqrt(2.0))), 1e-9);
  EXPECT_NEAR(l.GetPdfValueFast(1), l.GetPdfValue(1), 1e-6);
  l.SetLocation(1.0);
  l.SetScale(0.25);
  EXPECT_NEAR(l.GetExpectation(), std::exp(1.125), 1e-14);
  EXPECT_NEAR(l.GetStdDev(), std::sqrt((std::exp(0.25) - 1) * std::exp(2.25)), 1e-14);
  EXPECT_LT(Rel(l.GetCdfValue(3.0), 0.5 * std::erfc(-(std::log(3.0) - 1.0) / (0.5 * std::sqrt(2.0)))), 1e-9);
}

TEST(GammaDistribution, MatchesIncompleteGammaAndCopiesDeeply)
{
  const TCMathPbGamma g(2.5, 1.5);
  EXPECT_TRUE(std::isnan(g.GetExpectation()));
  for (double x : {0.1, 1.0, 3.75, 10.0})
  {
    EXPECT_LT(Rel(g.GetCdfValue(x), boost::math::gamma_p(2.5, x / 1.5)), 1e-9);
    const double pdf = std::pow(x, 1.5) * std::exp(-x / 1.5) / (std::tgamma(2.5) * std::pow(1.5, 2.5));
    EXPECT_LT(Rel(g.GetPdfValue(x), pdf), 1e-9);
  }
  TCMathPbGamma copy(g);
  TCMathPbGamma assigned(1, 1);
  assigned = g;
  EXPECT_EQ(copy.GetCdfValue(2.0), g.GetCdfValue(2.0));
  EXPECT_EQ(assigned.GetPdfValue(2.0), g.GetPdfValue(2.0));
  EXPECT_THROW(TCMathPbGamma(-1, 1), std::domain_error);
  EXPECT_THROW(g.GetCdfValue(-1), std::domain_error);
}

TEST(UniformDistribution, DensityCdfAndSamplesStayInside)
{
  TCMathPbUniform u(2, 4);
  EXPECT_EQ(u.GetExpectation(), 3.0);
  EXPECT_NEAR(u.GetVariance(), 1.0 / 3.0, 1e-16);
  EXPECT_EQ(u.GetPdfValue(2), 0.0);
  EXPECT_EQ(u.GetPdfValue(3), 0.5);
  EXPECT_EQ(u.GetCdfValue(3), 0.5);
  EXPECT_EQ(u.GetCdfValue(1), 0.0);
  EXPECT_EQ(u.GetCdfValue(5), 1.0);
  std::srand(2);
  double lo = 4, hi = 2;
  for (double s : u.GetSamples(5000))
  {
    ASSERT_GE(s, 2.0);
    ASSERT_LT(s, 4.0);
    lo = std::min(lo, s);
    hi = std::max(hi, s);
  }
  EXPECT_LT(lo, 2.01);
  EXPECT_GT(hi, 3.99);
  const TCMathPbUniform d;
  EXPECT_EQ(d.GetVariance(), 1.0 / 12.0);
  u.SetMinMax(0, 10);
  EXPECT_EQ(u.GetExpectation(), 3.0); // moments keep their values
  EXPECT_EQ(u.GetPdfValue(5), 0.1);
}

TEST(WeightedSumDistribution, MixtureDensityWithSumMoments)
{
  auto a = std::make_shared<TCMathPbGaussian>(0, 1);
  auto b = std::make_shared<TCMathPbUniform>(0, 2);
  TCMathPbWeightedSum w(a, b, 0.25);
  EXPECT_EQ(w.GetExpectation(), 0.75);
  EXPECT_NEAR(w.GetVariance(), 0.0625 + 0.5625 / 3.0, 1e-16);
  EXPECT_NEAR(w.GetPdfValue(1), 0.25 * a->GetPdfValue(1) + 0.75 * 0.5, 1e-16);
  EXPECT_NEAR(w.GetCdfValue(1), 0.25 * 0.5 * std::erfc(-1 / std::sqrt(2.0)) + 0.75 * 0.5, 1e-12);
  EXPECT_NEAR(w.GetPdfValueFast(1), 0.25 * a->GetPdfValueFast(1) + 0.375, 1e-16);
  w.SetRate(1.0);
  EXPECT_EQ(w.GetExpectation(), 0.75);
  w.Update();
  EXPECT_EQ(w.GetExpectation(), 0.0);
  EXPECT_EQ(w.GetRate(), 1.0);
  EXPECT_THROW(TCMathPbWeightedSum(a, nullptr, 0.5), std::invalid_argument);
}

TEST(BaseDistribution, DefaultsAreNaN)
{
  const TCMathPbDistribution d;
  EXPECT_TRUE(std::isnan(d.GetExpectation()));
  EXPECT_TRUE(std::isnan(d.GetPdfValue(1)));
  EXPECT_TRUE(std::isnan(d.GetLogCdfValueFast(1)));
  EXPECT_TRUE(std::isnan(d.GetSample()));
}

TEST(StudentT, SpecialFunctionsMatchBoost)
{
  for (double x : {0.5, 1.0, 2.5, 7.3, 30.0})
    EXPECT_NEAR(TCMathPbStudentTestPeer::LnGamma(x), std::lgamma(x), 1e-9);
  for (double a : {0.5, 2.0, 6.5})
    for (double x : {0.1, 1.0, 4.0, 12.0})
      EXPECT_NEAR(TCMathPbStudentTestPeer::IncGamma(a, x), boost::math::gamma_p(a, x), 1e-8) << a << " " << x;
  for (double x : {0.05, 0.3, 0.7, 0.95})
    EXPECT_NEAR(TCMathPbStudentTestPeer::IncBeta(2.5, 4.0, x), boost::math::ibeta(2.5, 4.0, x), 1e-8);
  EXPECT_EQ(TCMathPbStudentTestPeer::IncGamma(2.0, 0.0), 0.0);
  EXPECT_TRUE(std::isnan(TCMathPbStudentTestPeer::IncBeta(1.0, 1.0, NAN)));
}

TEST(StudentT, CdfAndPdfMatchBoostWithin1e7)
{
  for (long df : {1L, 2L, 3L, 5L, 10L, 30L, 200L})
  {
    const boost::math::students_t dist(static_cast<double>(df));
    EXPECT_EQ(TCMathPbStudent::Student_cdf(df, 0), 0.5);
    for (double t : {-6.0, -2.0, -0.5, 0.3, 1.0, 2.5, 8.0})
    {
      EXPECT_NEAR(TCMathPbStudent::Student_cdf(df, t), boost::math::cdf(dist, t), 1e-7) << df << " " << t;
      EXPECT_NEAR(TCMathPbStudent::Student_pdf(df, t), boost::math::pdf(dist, t), 1e-7) << df << " " << t;
    }
  }
  EXPECT_NEAR(TCMathPbStudent::Student_cdf(1, 1), 0.75, 1e-9);
  EXPECT_EQ(TCMathPbStudent::Student_cdf(3, INFINITY), 1.0);
  EXPECT_EQ(TCMathPbStudent::Student_cdf(3, -INFINITY), 0.0);
  EXPECT_TRUE(std::isnan(TCMathPbStudent::Student_cdf(0, 1)));
  EXPECT_TRUE(std::isnan(TCMathPbStudent::Student_pdf(-2, 1)));
}

TEST(MvGaussian, DensityMatchesClosedForm)
{
  const Math::Matrix cov = Mat({{2, 0.5}, {0.5, 1}});
  const TCMathPbMvGaussian g(Vec({1, -1}), cov);
  const double det = 1.75;
  EXPECT_NEAR(g.GetCovarianceDeterminant(), det, 1e-13);
  const Math::Vector x = Vec({2, 0});
  // (x − μ) = (1, 1); Σ⁻¹ = [[1, −0.5], [−0.5, 2]] / 1.75 → q = 2 / 1.75.
  const double ref = std::exp(-0.5 * 2 / 1.75) / (2 * M_PI * std::sqrt(det));
  EXPECT_NEAR(g.GetPdfValue(x), ref, 1e-15);
  EXPECT_TRUE(std::isnan(g.GetPdfValue(Vec({1, 2, 3}))));
  const Math::Matrix c4 = Math::ublas::identity_matrix<double>(4) * 2.0;
  Math::Vector zero4(4);
  std::fill(zero4.begin(), zero4.end(), 0.0);
  const TCMathPbMvGaussian g4(zero4, c4);
  EXPECT_NEAR(g4.GetPdfValue(zero4), 1 / (std::pow(2 * M_PI, 2) * 4), 1e-15);
}

TEST(MvGaussian, SingularCovarianceFallsBackToPseudoInverse)
{
  TCMathPbMvGaussian g(Vec({0, 0}), Mat({{1, 1}, {1, 1}}));
  EXPECT_NEAR(g.GetCovarianceDeterminant(), 2.0, 1e-12);
  EXPECT_LT(test::MaxAbsDiff(g.GetInverseCovariance(), Mat({{0.25, 0.25}, {0.25, 0.25}})), 1e-14);
  EXPECT_TRUE(std::isfinite(g.GetPdfValue(Vec({1, -1}))));
  Math::Matrix z(2, 2);
  std::fill(z.data().begin(), z.data().end(), 0.0);
  g.SetCovariance(z); // pseudo-determinant 0: infinite normaliser
  EXPECT_EQ(g.GetPdfValue(Vec({0, 0})), INFINITY);
}

TEST(MvGaussianMixture, DefaultsAndWeightedDensity)
{
  TCMathPbMvGaussianMixture m(3, 2);
  EXPECT_EQ(m.GetNrGaussians(), 3u);
  Math::Vector zero(2);
  std::fill(zero.begin(), zero.end(), 0.0);
  EXPECT_EQ(test::Std(m.GetMean()), (std::vector<double>{0, 0}));
  EXPECT_NEAR(m.GetPdfValue(zero), 1 / (2 * M_PI), 1e-15);
  m.SetMean(1, Vec({3, 0}));
  m.SetWeights(Vec({0.5, 0.5, 0}));
  EXPECT_EQ(test::Std(m.GetMean()), (std::vector<double>{1.5, 0}));
  EXPECT_NEAR(m.GetWeightedPdfValue(1, Vec({3, 0})), 0.5 / (2 * M_PI), 1e-15);
  m.SetCovariance(0, Mat({{4, 0}, {0, 4}}));
  EXPECT_EQ(m.GetCovariance(0)(1, 1), 4.0);
  EXPECT_NEAR(m.GetGaussian(0).GetCovarianceDeterminant(), 16.0, 1e-12);
  EXPECT_THROW(m.GetMean(3), std::out_of_range);
  EXPECT_THROW(m.GetWeightedPdfValue(7, zero), std::out_of_range);
  EXPECT_THROW(m.SetWeights(Vec({1})), std::invalid_argument);

  std::vector<std::shared_ptr<TCMathPbMvGaussian>> parts = {
      std::make_shared<TCMathPbMvGaussian>(Vec({1}), Mat({{1}})),
      std::make_shared<TCMathPbMvGaussian>(Vec({3}), Mat({{1}}))};
  const TCMathPbMvGaussianMixture two(parts);
  EXPECT_EQ(two.GetMean()(0), 2.0);
}

TEST(MultivariateDistances, MahalanobisAndBhattacharyya)
{
  const TCMathPbMvGaussian a(Vec({0, 0}), Mat({{1, 0}, {0, 1}}));
  const TCMathPbMvGaussian b(Vec({3, 4}), Mat({{3, 0}, {0, 3}}));
  // S = 2·I: Δᵀ S⁻¹ Δ = 25 / 2.
  EXPECT_NEAR(TCMathStatUtils::CalculateMahalanobisDistance(a, b), 12.5, 1e-13);
  const double ref = 0.125 * 12.5 + 0.5 * (std::log(4.0) - std::log(1.0) - std::log(std::sqrt(9.0)));
  EXPECT_NEAR(TCMathStatUtils::CalculateBhattacharyyaDistance(a, b), ref, 1e-12);
  EXPECT_NEAR(TCMathStatUtils::CalculateBhattacharyyaDistance(a, a), 0.0, 1e-14);
  const TCMathPbMvGaussian c(Vec({1, 2, 3}), Math::ublas::identity_matrix<double>(3));
  EXPECT_TRUE(std::isnan(TCMathStatUtils::CalculateBhattacharyyaDistance(a, c)));
  EXPECT_THROW(TCMathStatUtils::CalculateMahalanobisDistance(a, c), std::invalid_argument);
  const TCMathPbMvGaussian s(Vec({0, 0}), Mat({{1, 1}, {1, 1}}));
  EXPECT_THROW(TCMathStatUtils::CalculateMahalanobisDistance(s, s), Math::ublas::singular);
}
