#include <cmath>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathIterativeStatistic.h>
#include <tarvekmath/TCMathLearningRateStatistic.h>

#include "TestHelpers.h"

using test::Vec;

namespace
{
std::vector<Math::Vector> Samples(size_t n, size_t d, unsigned long long seed)
{
  test::Lcg rng;
  rng.state = seed;
  std::vector<Math::Vector> out;
  for (size_t k = 0; k < n; ++k)
  {
    Math::Vector x(d);
    for (size_t i = 0; i < d; ++i)
      x(i) = 10.0 + (i + 1) * rng.Next() + (i == 1 ? 0.5 * x(0) : 0.0);
    out.push_back(x);
  }
  return out;
}

// Two-pass mean and unbiased covariance.
void TwoPass(const std::vector<Math::Vector>& s, Math::Vector* mean, Math::Matrix* cov)
{
  const size_t d = s[0].size(), n = s.size();
  *mean = Math::Vector(d);
  std::fill(mean->begin(), mean->end(), 0.0);
  for (const auto& x : s)
    *mean += x / static_cast<double>(n);
  *cov = Math::Matrix(d, d);
  std::fill(cov->data().begin(), cov->data().end(), 0.0);
  for (const auto& x : s)
    for (size_t i = 0; i < d; ++i)
      for (size_t j = 0; j < d; ++j)
        (*cov)(i, j) += (x(i) - (*mean)(i)) * (x(j) - (*mean)(j)) / static_cast<double>(n - 1);
}
} // namespace

TEST(IterativeVariance, SmallSequenceGivesUnbiasedVariance)
{
  TCMathIterativeVariance v;
  v.Update(Vec({1}));
  EXPECT_FALSE(v.IsValid());
  v.Update(Vec({2}));
  EXPECT_TRUE(v.IsValid());
  EXPECT_DOUBLE_EQ(v.GetVariance()(0), 0.5);
  v.Update(Vec({3}));
  v.Update(Vec({4}));
  EXPECT_DOUBLE_EQ(v.GetMean()(0), 2.5);
  EXPECT_NEAR(v.GetVariance()(0), 5.0 / 3.0, 1e-14);
  EXPECT_EQ(v.GetNrSamples(), 4);
}

TEST(IterativeVariance, ResetForgetsEverySample)
{
  TCMathIterativeVariance v;
  for (double x : {5.0, 9.0, 1.0})
    v.Update(Vec({x}));
  v.Reset();
  EXPECT_EQ(v.GetNrSamples(), 0);
  v.Update(Vec({10}));
  EXPECT_FALSE(v.IsValid());
  EXPECT_EQ(v.GetMean()(0), 10.0);
  v.Update(Vec({14}));
  EXPECT_TRUE(v.IsValid());
  EXPECT_DOUBLE_EQ(v.GetVariance()(0), 8.0);
}

TEST(IterativeStatistics, MatchTwoPassFormulasOver10000Samples)
{
  const auto s = Samples(10000, 3, 7);
  Math::Vector mean;
  Math::Matrix cov;
  TwoPass(s, &mean, &cov);
  TCMathIterativeVariance var;
  TCMathIterativeCovariance c;
  for (const auto& x : s)
  {
    var.Update(x);
    c.Update(x);
  }
  for (size_t i = 0; i < 3; ++i)
  {
    EXPECT_NEAR(var.GetMean()(i), mean(i), 1e-11);
    EXPECT_NEAR(var.GetVariance()(i), cov(i, i), 1e-11 * cov(i, i));
    for (size_t j = 0; j < 3; ++j)
      EXPECT_NEAR(c.GetCovariance()(i, j), cov(i, j), 1e-10);
  }
  EXPECT_EQ(c.GetCovariance()(0, 1), c.GetCovariance()(1, 0));
  EXPECT_GT(c.GetCovariance()(0, 1), 0.05); // the correlated pair is really checked
}

TEST(IterativeStatistics, SampleOfOtherLengthIsIgnored)
{
  TCMathIterativeVariance v;
  TCMathIterativeCovariance c;
  TCMathIterativeMean m;
  for (const auto& x : {Vec({1, 2}), Vec({3, 4})})
  {
    v.Update(x);
    c.Update(x);
    m.Update(x);
  }
  for (const auto& bad : {Vec({100}), Vec({1, 2, 3, 4, 5})})
  {
    v.Update(bad);
    c.Update(bad);
    m.Update(bad);
  }
  EXPECT_EQ(v.GetNrSamples(), 2);
  EXPECT_EQ(c.GetNrSamples(), 2);
  EXPECT_EQ(m.GetNrSamples(), 2);
  EXPECT_EQ(test::Std(v.GetMean()), (std::vector<double>{2, 3}));
  EXPECT_EQ(v.GetVariance()(1), 2.0);
  EXPECT_EQ(c.GetCovariance()(0, 1), 2.0);
  // A one-sample variance ignores a second sample of another length too.
  TCMathIterativeVariance w;
  w.Update(Vec({1, 2, 3}));
  w.Update(Vec({1}));
  EXPECT_FALSE(w.IsValid());
}

TEST(IterativeStatistics, CovarianceResetStartsOver)
{
  TCMathIterativeCovariance c;
  for (const auto& x : Samples(5, 2, 3))
    c.Update(x);
  c.Reset();
  EXPECT_FALSE(c.IsValid());
  c.Update(Vec({1, 1, 1}));
  c.Update(Vec({3, 1, -1}));
  ASSERT_TRUE(c.IsValid());
  EXPECT_EQ(c.GetCovariance().size1(), 3u);
  EXPECT_DOUBLE_EQ(c.GetCovariance()(0, 2), -2.0);
  for (double x : c.GetCovariance().data())
    EXPECT_FALSE(std::isnan(x));
}

TEST(IterativeMean, ResetKeepsLengthButNextSampleBecomesMean)
{
  TCMathIterativeMean m;
  m.Update(Vec({1, 2}));
  m.Update(Vec({3, 4}));
  m.Reset();
  EXPECT_EQ(test::Std(m.GetMean()), (std::vector<double>{0, 0}));
  m.Update(Vec({7, 8}));
  EXPECT_EQ(test::Std(m.GetMean()), (std::vector<double>{7, 8}));
  EXPECT_EQ(m.GetNrSamples(), 1);
}

TEST(LearningRateMean, WarmUpAveragesFirst101SamplesThenForgets)
{
  TCMathLearningRateMean a(0.5);
  for (int i = 0; i < 101; ++i)
    a.Update(Vec({0}));
  a.Update(Vec({1}));
  EXPECT_EQ(a.GetMean()(0), 0.5);

  TCMathLearningRateMean b(0.5);
  for (int i = 0; i < 100; ++i)
    b.Update(Vec({0}));
  b.Update(Vec({1}));
  EXPECT_DOUBLE_EQ(b.GetMean()(0), 1.0 / 101.0);

  b.Reset();
  b.Update(Vec({4, 2}));
  EXPECT_EQ(test::Std(b.GetMean()), (std::vector<double>{4, 2}));
  b.SetLearningRate(0.25);
  EXPECT_EQ(b.GetLearningRate(), 0.25);
}

TEST(LearningRateVariance, ExactDuringWarmUpThenExponential)
{
  const auto s = Samples(100, 2, 11);
  Math::Vector mean;
  Math::Matrix cov;
  TwoPass(s, &mean, &cov);
  TCMathLearningRateVariance v(0.1);
  TCMathLearningRateCovariance c(0.1);
  for (const auto& x : s)
  {
    v.Update(x);
    c.Update(x);
  }
  EXPECT_NEAR(v.GetVariance()(1), cov(1, 1), 1e-12);
  EXPECT_NEAR(c.GetCovariance()(0, 1), cov(0, 1), 1e-12);

  // 101st sample: the mean still averages cumulatively, the variance already forgets.
  const Math::Vector x = Vec({20, 20});
  const Math::Vector oldVar = v.GetVariance();
  const Math::Matrix oldCov = c.GetCovariance();
  v.Update(x);
  c.Update(x);
  const double mu0 = (mean(0) * 100 + 20) / 101;
  EXPECT_NEAR(v.GetMean()(0), mu0, 1e-12);
  EXPECT_NEAR(v.GetVariance()(0), 0.9 * oldVar(0) + 0.1 * (20 - mu0) * (20 - mu0), 1e-10);
  const double mu1 = v.GetMean()(1);
  EXPECT_NEAR(c.GetCovariance()(0, 1), 0.9 * oldCov(0, 1) + 0.1 * (20 - mu0) * (20 - mu1), 1e-10);

  // 102nd sample: the mean forgets too.
  v.Update(x);
  EXPECT_NEAR(v.GetMean()(0), 0.9 * mu0 + 0.1 * 20, 1e-12);
}

TEST(LearningRateStatistics, ResetRestartsWithoutDividingByZero)
{
  TCMathLearningRateVariance v(0.2);
  TCMathLearningRateCovariance c(0.2);
  for (const auto& x : Samples(5, 2, 5))
  {
    v.Update(x);
    c.Update(x);
  }
  v.Reset();
  c.Reset();
  EXPECT_FALSE(v.IsValid());
  EXPECT_FALSE(c.IsValid());
  for (const auto& x : {Vec({1, 1}), Vec({3, 5}), Vec({5, 3})})
  {
    v.Update(x);
    c.Update(x);
  }
  EXPECT_NEAR(v.GetVariance()(0), 4.0, 1e-14);
  EXPECT_NEAR(v.GetVariance()(1), 4.0, 1e-14);
  EXPECT_NEAR(c.GetCovariance()(0, 1), 2.0, 1e-14);
  // Another length is ignored in this family as well.
  v.Update(Vec({1}));
  c.Update(Vec({1, 2, 3}));
  EXPECT_NEAR(v.GetVariance()(0), 4.0, 1e-14);
  EXPECT_EQ(c.GetCovariance().size1(), 2u);
}

TEST(RunningStatistics, CopiesAreIndependent)
{
  TCMathIterativeVariance a;
  a.Update(Vec({1}));
  a.Update(Vec({3}));
  TCMathIterativeVariance b = a;
  b.Update(Vec({100}));
  EXPECT_EQ(a.GetNrSamples(), 2);
  EXPECT_EQ(a.GetVariance()(0), 2.0);
}
