#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <lapacke.h>

#include <tarvekmath/TCMathGaussianProcess.h>
#include <tarvekmath/TCMathInterpolation.h>

#include "TestHelpers.h"

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Kernel written out from its textbook form, independent of the library.
// nu = 0 stands for the squared exponential.
double RefKernel(int nu, double l, double s2, const Math::Matrix& a, size_t i, const Math::Matrix& b, size_t j)
{
  double r2 = 0.0;
  for (size_t c = 0; c < a.size2(); ++c)
    r2 += (a(i, c) - b(j, c)) * (a(i, c) - b(j, c));
  const double r = std::sqrt(r2);
  switch (nu)
  {
  case 0:
    return s2 * std::exp(-r2 / (2 * l * l));
  case 1:
    return s2 * std::exp(-r / l);
  case 3:
    return s2 * (1 + std::sqrt(3.0) * r / l) * std::exp(-std::sqrt(3.0) * r / l);
  default:
    return s2 * (1 + std::sqrt(5.0) * r / l + 5.0 * r2 / (3 * l * l)) * std::exp(-std::sqrt(5.0) * r / l);
  }
}

struct Reference
{
  std::vector<double> mean, variance; // variance of a noisy observation
};

// Posterior by one direct solve (K + σ²I)·[a | V] = [y − c | Ks] with LAPACK.
Reference DirectPosterior(int nu, double l, double s2, double noise, double c, const Math::Matrix& x,
                          const Math::Vector& y, const Math::Matrix& xs)
{
  const size_t n = x.size1(), m = xs.size1(), w = m + 1;
  std::vector<double> k(n * n), rhs(n * w);
  for (size_t i = 0; i < n; ++i)
  {
    for (size_t j = 0; j < n; ++j)
      k[i * n + j] = RefKernel(nu, l, s2, x, i, x, j) + (i == j ? noise : 0.0);
    rhs[i * w] = y(i) - c;
    for (size_t j = 0; j < m; ++j)
      rhs[i * w + 1 + j] = RefKernel(nu, l, s2, x, i, xs, j);
  }
  const std::vector<double> ks = rhs;
  EXPECT_EQ(LAPACKE_dposv(LAPACK_ROW_MAJOR, 'L', static_cast<lapack_int>(n), static_cast<lapack_int>(w), k.data(),
                          static_cast<lapack_int>(n), rhs.data(), static_cast<lapack_int>(w)),
            0);
  Reference ref;
  for (size_t j = 0; j < m; ++j)
  {
    double mu = c, explained = 0.0;
    for (size_t i = 0; i < n; ++i)
    {
      mu += ks[i * w + 1 + j] * rhs[i * w];
      explained += ks[i * w + 1 + j] * rhs[i * w + 1 + j];
    }
    ref.mean.push_back(mu);
    ref.variance.push_back(s2 - explained + noise);
  }
  return ref;
}

Math::Matrix RandomPoints(size_t n, size_t d, test::Lcg& rng, double scale)
{
  Math::Matrix x(n, d);
  for (auto& v : x.data())
    v = scale * rng.Next();
  return x;
}

std::shared_ptr<TCMathGpCovarianceFunction> Kernel(int nu, int d, double l, double s2)
{
  if (nu == 0)
    return std::make_shared<TCMathGpCfRBF>(d, l, s2);
  return std::make_shared<TCMathGpCfMatern>(d, nu, l, s2);
}

TCMathGaussianProcess MakeProcess(std::shared_ptr<TCMathGpCovarianceFunction> cov, double c, double noise, int d)
{
  return TCMathGaussianProcess(std::make_shared<TCMathGpMfConst>(d, c), std::move(cov),
                               std::make_shared<TCMathGpLfGauss>(noise), std::make_shared<TCMathGpImExact>());
}

// Likelihood that exact inference cannot use.
class OtherLikelihood : public TCMathGpLikelihoodFunction
{
public:
  double GetVariance() const override { return 0.1; }
};
} // namespace

TEST(GaussianProcess, MatchesDirectSolveForEveryKernelIn1DAnd2D)
{
  test::Lcg rng;
  const double l = 0.8, s2 = 1.7, noise = 0.05, c = 0.4;
  for (int d : {1, 2})
    for (int nu : {0, 1, 3, 5})
    {
      SCOPED_TRACE(testing::Message() << "d = " << d << ", nu = " << nu);
      const Math::Matrix x = RandomPoints(25, d, rng, 2.0), xs = RandomPoints(9, d, rng, 2.5);
      Math::Vector y(25);
      for (size_t i = 0; i < 25; ++i)
        y(i) = std::sin(2 * x(i, 0)) + (d == 2 ? x(i, 1) * x(i, 1) : 0.0) + 0.1 * rng.Next();
      TCMathGaussianProcess gp = MakeProcess(Kernel(nu, d, l, s2), c, noise, d);
      ASSERT_EQ(gp.Train(x, y), 0.0);
      const Reference ref = DirectPosterior(nu, l, s2, noise, c, x, y, xs);
      const Math::Vector means = gp.EvaluateMeans(xs);
      const auto dists = gp.EvaluateDistributions(xs);
      ASSERT_EQ(means.size(), 9u);
      ASSERT_EQ(dists.size(), 9u);
      for (size_t j = 0; j < 9; ++j)
      {
        EXPECT_NEAR(means(j), ref.mean[j], 1e-9);
        EXPECT_NEAR(dists[j]->GetExpectation(), ref.mean[j], 1e-9);
        EXPECT_NEAR(dists[j]->GetVariance(), ref.variance[j], 1e-9);
      }
    }
  // Smoothness codes other than 1, 3 and 5 act as 3.
  const Math::Matrix a = RandomPoints(6, 2, rng, 1.0), b = RandomPoints(4, 2, rng, 1.0);
  const TCMathGpCfMatern nu2(2, 2, 0.7, 1.3), nu3(2, 3, 0.7, 1.3);
  EXPECT_EQ(nu2.GetNu(), 3);
  EXPECT_EQ(test::MaxAbsDiff(nu2.CalcCrossCovariance(a, b), nu3.CalcCrossCovariance(a, b)), 0.0);
  const Math::SymmetricMatrix k2 = nu2.CalcKernel(a), k3 = nu3.CalcKernel(a);
  for (size_t i = 0; i < 6; ++i)
    for (size_t j = 0; j <= i; ++j)
      EXPECT_EQ(k2(i, j), k3(i, j));
}

TEST(GaussianProcess, InterpolatesThreePointsWithTinyNoise)
{
  TCMathGaussianProcess gp(std::make_shared<TCMathGpMfZero>(1), std::make_shared<TCMathGpCfRBF>(1, 1.0, 1.0),
                           std::make_shared<TCMathGpLfGauss>(1e-6), std::make_shared<TCMathGpImExact>());
  const Math::Matrix x = test::Mat({{0}, {1}, {2}});
  ASSERT_EQ(gp.Train(x, test::Vec({0, 1, 0})), 0.0);
  const auto d = gp.EvaluateDistributions(x);
  ASSERT_EQ(d.size(), 3u);
  const double expected[] = {0, 1, 0};
  for (size_t i = 0; i < 3; ++i)
  {
    EXPECT_NEAR(d[i]->GetExpectation(), expected[i], 1e-5);
    // Noise variance plus a latent variance of the same order.
    EXPECT_GE(d[i]->GetVariance(), 1e-6);
    EXPECT_LT(d[i]->GetVariance(), 3e-6);
  }
}

TEST(GaussianProcess, UntrainedTrainedAndRetrainedResults)
{
  const Math::Matrix x = test::Mat({{0}, {1}, {2}, {3}}), xs = test::Mat({{0.5}, {30}});
  const Math::Vector y = test::Vec({1, 2, 1, 2});
  auto inf = std::make_shared<TCMathGpImExact>();
  TCMathGaussianProcess gp(std::make_shared<TCMathGpMfConst>(1, 0.0), std::make_shared<TCMathGpCfRBF>(1, 1.0, 1.0),
                           std::make_shared<TCMathGpLfGauss>(0.01), inf);
  // Before training: one NaN distribution from the process, nothing from the method.
  EXPECT_FALSE(gp.IsTrained());
  auto d = gp.EvaluateDistributions(xs);
  ASSERT_EQ(d.size(), 1u);
  EXPECT_TRUE(std::isnan(d[0]->GetExpectation()));
  EXPECT_TRUE(std::isnan(d[0]->GetVariance()));
  EXPECT_EQ(gp.EvaluateMeans(xs).size(), 0u);
  EXPECT_TRUE(inf->EvaluateDistributions(xs).empty());
  EXPECT_EQ(inf->EvaluateMeans(xs).size(), 0u);

  ASSERT_EQ(gp.Train(x, y), 0.0);
  EXPECT_TRUE(gp.IsTrained());
  const double farMean = gp.EvaluateMeans(xs)(1); // 27 length scales away: the prior mean 0
  EXPECT_NEAR(farMean, 0.0, 1e-12);
  d = gp.EvaluateDistributions(xs);
  ASSERT_EQ(d.size(), 2u);
  EXPECT_NEAR(d[1]->GetVariance(), 1.0 + 0.01, 1e-12); // prior plus noise

  // A new mean makes the process untrained; retrained, the far prediction follows it.
  gp.SetMeanFunction(std::make_shared<TCMathGpMfConst>(1, 5.0));
  EXPECT_FALSE(gp.IsTrained());
  EXPECT_EQ(gp.EvaluateDistributions(xs).size(), 1u);
  EXPECT_TRUE(inf->EvaluateDistributions(xs).empty()); // the method forgot the old weights
  ASSERT_EQ(gp.Train(x, y), 0.0);
  EXPECT_NEAR(gp.EvaluateMeans(xs)(1), 5.0, 1e-12);

  // A likelihood that is not Gaussian: exact inference refuses it.
  TCMathGaussianProcess other(std::make_shared<TCMathGpMfZero>(1), std::make_shared<TCMathGpCfRBF>(1, 1.0, 1.0),
                              std::make_shared<OtherLikelihood>(), std::make_shared<TCMathGpImExact>());
  EXPECT_TRUE(std::isnan(other.Train(x, y)));
  EXPECT_TRUE(other.IsTrained());
  EXPECT_EQ(other.EvaluateMeans(xs).size(), 0u);
  EXPECT_TRUE(other.EvaluateDistributions(xs).empty());
}

TEST(GaussianProcess, BadInputFailsAndKeepsThePreviousModel)
{
  const Math::Matrix x = test::Mat({{0, 0}, {1, 0}, {0, 1}}), xs = test::Mat({{0.5, 0.5}});
  const Math::Vector y = test::Vec({1, 2, 3});
  TCMathGaussianProcess gp = MakeProcess(std::make_shared<TCMathGpCfRBF>(2, 1.0, 1.0), 0.0, 0.01, 2);
  ASSERT_EQ(gp.Train(x, y), 0.0);
  const double before = gp.EvaluateMeans(xs)(0);
  const double beforeVar = gp.EvaluateDistributions(xs)[0]->GetVariance();

  Math::Matrix withNaN = x;
  withNaN(1, 1) = kNaN;
  Math::Matrix withInf = x;
  withInf(2, 0) = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(gp.Train(withNaN, y)));               // garbage factor
  EXPECT_TRUE(std::isnan(gp.Train(withInf, y)));
  EXPECT_TRUE(std::isnan(gp.Train(x, test::Vec({1, 2}))));     // target length
  EXPECT_TRUE(std::isnan(gp.Train(test::Mat({{0}, {1}, {2}}), y))); // input dimension
  EXPECT_TRUE(std::isnan(gp.Train(x, test::Vec({1, kNaN, 3})))); // non-finite weights
  EXPECT_TRUE(gp.IsTrained());
  EXPECT_EQ(gp.EvaluateMeans(xs)(0), before);
  EXPECT_EQ(gp.EvaluateDistributions(xs)[0]->GetVariance(), beforeVar);

  // Test points of another dimension give empty results, not reads past the rows.
  EXPECT_EQ(gp.EvaluateMeans(test::Mat({{0.5}})).size(), 0u);
  EXPECT_TRUE(gp.EvaluateDistributions(test::Mat({{0.5, 0.5, 0.5}})).empty());

  // Noise variance <= 0 or a NaN signal variance: not positive definite, and a
  // process whose only training failed has nothing to predict from.
  for (double noise : {0.0, -0.5})
  {
    TCMathGaussianProcess bad = MakeProcess(std::make_shared<TCMathGpCfRBF>(2, 1.0, 1.0), 0.0, noise, 2);
    EXPECT_TRUE(std::isnan(bad.Train(x, y)));
    EXPECT_TRUE(bad.IsTrained());
    EXPECT_TRUE(bad.EvaluateDistributions(xs).empty());
    EXPECT_EQ(bad.EvaluateMeans(xs).size(), 0u);
  }
  TCMathGaussianProcess nanSignal = MakeProcess(std::make_shared<TCMathGpCfRBF>(2, 1.0, kNaN), 0.0, 1e-6, 2);
  EXPECT_TRUE(std::isnan(nanSignal.Train(x, y)));
}

TEST(InterpolateMissingValues, FillsGapsWithTheProcessMeans)
{
  // Gaps marked by −1, inside, at the ends and in a run.
  Math::Vector v = test::Vec({-1, 2.0, 2.5, -1, 3.5, -1, -1, 1.0, 0.5, 1.5, -1});
  const Math::Vector original = v;
  std::vector<size_t> present, absent;
  for (size_t i = 0; i < v.size(); ++i)
    (v(i) == -1 ? absent : present).push_back(i);
  Math::Matrix x(present.size(), 1), xs(absent.size(), 1);
  Math::Vector y(present.size());
  double mean = 0.0, var = 0.0;
  for (size_t k = 0; k < present.size(); ++k)
  {
    x(k, 0) = static_cast<double>(present[k]);
    y(k) = v(present[k]);
    mean += y(k) / static_cast<double>(present.size());
  }
  for (size_t k = 0; k < present.size(); ++k)
    var += (y(k) - mean) * (y(k) - mean) / static_cast<double>(present.size() - 1);
  for (size_t k = 0; k < absent.size(); ++k)
    xs(k, 0) = static_cast<double>(absent[k]);
  const Reference ref = DirectPosterior(0, 1.0, var, 1e-6, mean, x, y, xs);

  TCMathInterpolation::InterpolateMissingValues(&v, -1);
  for (size_t i : present)
    EXPECT_EQ(v(i), original(i));
  for (size_t k = 0; k < absent.size(); ++k)
    EXPECT_NEAR(v(absent[k]), ref.mean[k], 1e-9);

  // One present sample fills every gap with its value; none leaves NaN gaps.
  Math::Vector one = test::Vec({kNaN, 7.0, kNaN, kNaN});
  TCMathInterpolation::InterpolateMissingValues(&one, kNaN);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_EQ(one(i), 7.0);
  Math::Vector none = test::Vec({0, 0});
  TCMathInterpolation::InterpolateMissingValues(&none, 0.0);
  EXPECT_TRUE(std::isnan(none(0)) && std::isnan(none(1)));
  TCMathInterpolation::InterpolateMissingValues(nullptr, 0.0);
}
