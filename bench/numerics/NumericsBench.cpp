// Each operation of the numerics library next to its reference in the same
// run: read the results as ratios.
#include <cmath>
#include <vector>

#include <benchmark/benchmark.h>
#include <boost/math/distributions/normal.hpp>
#include <cblas.h>
#include <lapacke.h>

#include <tarvekmath/tarvekmath.h>

namespace
{
struct Lcg
{
  unsigned long long state = 42;
  double Next()
  {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0 * 2.0 - 1.0;
  }
};

Math::Vector RandomVector(size_t n, Lcg& rng)
{
  Math::Vector v(n);
  for (auto& x : v)
    x = rng.Next();
  return v;
}

Math::Matrix RandomSpd(size_t n)
{
  Lcg rng;
  Math::Matrix a(n, n);
  for (auto& x : a.data())
    x = rng.Next();
  Math::Matrix s = Math::ublas::prod(a, Math::ublas::trans(a));
  for (size_t i = 0; i < n; ++i)
    s(i, i) += static_cast<double>(n);
  return s;
}

// ---- Convolve 10,000 × 101 ----
void BM_Convolve(benchmark::State& state)
{
  Lcg rng;
  const Math::Vector a = RandomVector(10000, rng), b = RandomVector(101, rng);
  for (auto _ : state)
    benchmark::DoNotOptimize(TCMathUblasUtils::Convolve(a, b));
}
BENCHMARK(BM_Convolve);

void BM_ConvolveDirectLoopReference(benchmark::State& state)
{
  Lcg rng;
  const Math::Vector av = RandomVector(10000, rng), bv = RandomVector(101, rng);
  const std::vector<double> a(av.begin(), av.end()), b(bv.begin(), bv.end());
  const long la = 10000, lb = 101, h = lb / 2;
  std::vector<double> out(la);
  for (auto _ : state)
  {
    for (long i = 0; i < la; ++i)
    {
      double s = 0.0;
      for (long j = 0; j < lb; ++j)
      {
        const long k = i + h - j;
        if (k >= 0 && k < la)
          s += a[k] * b[j];
      }
      out[i] = s;
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ConvolveDirectLoopReference);

// ---- Cholesky 200×200 ----
void BM_CholeskyDecompose(benchmark::State& state)
{
  const Math::Matrix a = RandomSpd(200);
  Math::SymmetricMatrix s(200);
  for (size_t i = 0; i < 200; ++i)
    for (size_t j = 0; j <= i; ++j)
      s(i, j) = a(i, j);
  for (auto _ : state)
    benchmark::DoNotOptimize(TCMathUblasUtils::CholeskyDecompose(s));
}
BENCHMARK(BM_CholeskyDecompose)->Unit(benchmark::kMicrosecond);

void BM_CholeskyLapackeReference(benchmark::State& state)
{
  const Math::Matrix a = RandomSpd(200);
  std::vector<double> work(a.data().begin(), a.data().end());
  for (auto _ : state)
  {
    std::copy(a.data().begin(), a.data().end(), work.begin());
    benchmark::DoNotOptimize(LAPACKE_dpotrf(LAPACK_ROW_MAJOR, 'L', 200, work.data(), 200));
  }
}
BENCHMARK(BM_CholeskyLapackeReference)->Unit(benchmark::kMicrosecond);

// ---- symmetric eigen-decomposition 200×200 ----
void BM_EigenVecsValsSymmetric(benchmark::State& state)
{
  const Math::Matrix a = RandomSpd(200);
  for (auto _ : state)
    benchmark::DoNotOptimize(TCMathUblasUtils::CalcEigenVecsValsSymmetric(a));
}
BENCHMARK(BM_EigenVecsValsSymmetric)->Unit(benchmark::kMillisecond);

void BM_EigenLapackeReference(benchmark::State& state)
{
  const Math::Matrix a = RandomSpd(200);
  std::vector<double> work(a.data().begin(), a.data().end()), w(200);
  for (auto _ : state)
  {
    std::copy(a.data().begin(), a.data().end(), work.begin());
    benchmark::DoNotOptimize(LAPACKE_dsyev(LAPACK_ROW_MAJOR, 'V', 'U', 200, work.data(), 200, w.data()));
  }
}
BENCHMARK(BM_EigenLapackeReference)->Unit(benchmark::kMillisecond);

// ---- fast normal density ----
void BM_NormalPdfFast(benchmark::State& state)
{
  const TCMathPbGaussian g(0.5, 2.0);
  const TCMathPbDistribution& d = g;
  double x = -5.0, sum = 0.0;
  for (auto _ : state)
  {
    sum += d.GetPdfValueFast(x);
    x += 0.001;
    if (x > 5.0)
      x = -5.0;
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_NormalPdfFast);

void BM_NormalPdfBoostReference(benchmark::State& state)
{
  const boost::math::normal_distribution<double> n(0.5, std::sqrt(2.0));
  double x = -5.0, sum = 0.0;
  for (auto _ : state)
  {
    sum += boost::math::pdf(n, x);
    x += 0.001;
    if (x > 5.0)
      x = -5.0;
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_NormalPdfBoostReference);

// ---- running covariance, 50-dimensional samples ----
void BM_IterativeCovarianceUpdate50(benchmark::State& state)
{
  Lcg rng;
  std::vector<Math::Vector> samples;
  for (int i = 0; i < 64; ++i)
    samples.push_back(RandomVector(50, rng));
  TCMathIterativeCovariance c;
  size_t k = 0;
  for (auto _ : state)
  {
    c.Update(samples[k++ & 63]);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_IterativeCovarianceUpdate50);

void BM_LearningRateCovarianceUpdate50(benchmark::State& state)
{
  Lcg rng;
  std::vector<Math::Vector> samples;
  for (int i = 0; i < 64; ++i)
    samples.push_back(RandomVector(50, rng));
  TCMathLearningRateCovariance c(0.05);
  size_t k = 0;
  for (auto _ : state)
  {
    c.Update(samples[k++ & 63]);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_LearningRateCovarianceUpdate50);

// Reference: the rank-one update C += w·x·xᵀ of the same size by BLAS.
void BM_CovarianceRankOneBlasReference(benchmark::State& state)
{
  Lcg rng;
  std::vector<double> x(50), c(50 * 50, 0.0);
  for (auto& v : x)
    v = rng.Next();
  for (auto _ : state)
  {
    cblas_dsyr(CblasRowMajor, CblasUpper, 50, 0.01, x.data(), 1, c.data(), 50);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CovarianceRankOneBlasReference);
} // namespace
