// Each operation of the numerics library next to its reference in the same
// run: read the results as ratios.
#include <algorithm>
#include <cmath>
#include <memory>
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

void BM_Convolve_RefDirectLoop(benchmark::State& state)
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
BENCHMARK(BM_Convolve_RefDirectLoop);

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

void BM_CholeskyDecompose_RefLapacke(benchmark::State& state)
{
  const Math::Matrix a = RandomSpd(200);
  std::vector<double> work(a.data().begin(), a.data().end());
  for (auto _ : state)
  {
    std::copy(a.data().begin(), a.data().end(), work.begin());
    benchmark::DoNotOptimize(LAPACKE_dpotrf(LAPACK_ROW_MAJOR, 'L', 200, work.data(), 200));
  }
}
BENCHMARK(BM_CholeskyDecompose_RefLapacke)->Unit(benchmark::kMicrosecond);

// ---- symmetric eigen-decomposition 200×200 ----
void BM_EigenVecsValsSymmetric(benchmark::State& state)
{
  const Math::Matrix a = RandomSpd(200);
  for (auto _ : state)
    benchmark::DoNotOptimize(TCMathUblasUtils::CalcEigenVecsValsSymmetric(a));
}
BENCHMARK(BM_EigenVecsValsSymmetric)->Unit(benchmark::kMillisecond);

void BM_EigenVecsValsSymmetric_RefLapacke(benchmark::State& state)
{
  const Math::Matrix a = RandomSpd(200);
  std::vector<double> work(a.data().begin(), a.data().end()), w(200);
  for (auto _ : state)
  {
    std::copy(a.data().begin(), a.data().end(), work.begin());
    benchmark::DoNotOptimize(LAPACKE_dsyev(LAPACK_ROW_MAJOR, 'V', 'U', 200, work.data(), 200, w.data()));
  }
}
BENCHMARK(BM_EigenVecsValsSymmetric_RefLapacke)->Unit(benchmark::kMillisecond);

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

void BM_NormalPdfFast_RefBoost(benchmark::State& state)
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
BENCHMARK(BM_NormalPdfFast_RefBoost);

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
void BM_IterativeCovarianceUpdate50_RefBlasRankOne(benchmark::State& state)
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
BENCHMARK(BM_IterativeCovarianceUpdate50_RefBlasRankOne);

// ---- Gaussian process, 2-D inputs, squared-exponential kernel ----
constexpr double kGpLength = 0.7, kGpSignal = 1.3, kGpNoise = 0.01;

Math::Matrix RandomPoints(size_t n, Lcg& rng)
{
  Math::Matrix x(n, 2);
  for (auto& v : x.data())
    v = 5.0 * rng.Next();
  return x;
}

TCMathGaussianProcess MakeGp()
{
  return TCMathGaussianProcess(std::make_shared<TCMathGpMfConst>(2, 0.1),
                               std::make_shared<TCMathGpCfRBF>(2, kGpLength, kGpSignal),
                               std::make_shared<TCMathGpLfGauss>(kGpNoise), std::make_shared<TCMathGpImExact>());
}

void BM_GpTrain(benchmark::State& state)
{
  Lcg rng;
  const size_t n = static_cast<size_t>(state.range(0));
  const Math::Matrix x = RandomPoints(n, rng);
  const Math::Vector y = RandomVector(n, rng);
  TCMathGaussianProcess gp = MakeGp();
  for (auto _ : state)
    benchmark::DoNotOptimize(gp.Train(x, y));
}
BENCHMARK(BM_GpTrain)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

// Reference: K + σ²I by a plain loop (lower triangle), then bare dpotrf/dpotrs.
void BM_GpTrain_RefLapacke(benchmark::State& state)
{
  Lcg rng;
  const size_t n = static_cast<size_t>(state.range(0));
  const Math::Matrix x = RandomPoints(n, rng);
  const Math::Vector y = RandomVector(n, rng);
  std::vector<double> k(n * n), a(n);
  const double* px = x.data().begin();
  const double inv = 1.0 / (kGpLength * kGpLength);
  for (auto _ : state)
  {
    for (size_t i = 0; i < n; ++i)
      for (size_t j = 0; j <= i; ++j)
      {
        const double d0 = px[2 * i] - px[2 * j], d1 = px[2 * i + 1] - px[2 * j + 1];
        k[i * n + j] = kGpSignal * std::exp(-0.5 * (d0 * d0 + d1 * d1) * inv) + (i == j ? kGpNoise : 0.0);
      }
    for (size_t i = 0; i < n; ++i)
      a[i] = y(i) - 0.1;
    const lapack_int ln = static_cast<lapack_int>(n);
    benchmark::DoNotOptimize(LAPACKE_dpotrf(LAPACK_ROW_MAJOR, 'L', ln, k.data(), ln));
    benchmark::DoNotOptimize(LAPACKE_dpotrs(LAPACK_ROW_MAJOR, 'L', ln, 1, k.data(), ln, a.data(), 1));
  }
}
BENCHMARK(BM_GpTrain_RefLapacke)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_GpEvaluateDistributions1000(benchmark::State& state)
{
  Lcg rng;
  const Math::Matrix x = RandomPoints(500, rng), xs = RandomPoints(1000, rng);
  TCMathGaussianProcess gp = MakeGp();
  gp.Train(x, RandomVector(500, rng));
  for (auto _ : state)
    benchmark::DoNotOptimize(gp.EvaluateDistributions(xs));
}
BENCHMARK(BM_GpEvaluateDistributions1000)->Unit(benchmark::kMillisecond);

// Reference: plain cross-kernel loop, one dgemv for the means and one dtrsm
// over all test points for the variances, into plain arrays.
void BM_GpEvaluateDistributions1000_RefDirect(benchmark::State& state)
{
  Lcg rng;
  const size_t n = 500, m = 1000;
  const Math::Matrix x = RandomPoints(n, rng), xs = RandomPoints(m, rng);
  const Math::Vector y = RandomVector(n, rng);
  const double inv = 1.0 / (kGpLength * kGpLength);
  std::vector<double> l(n * n, 0.0), alpha(n);
  for (size_t i = 0; i < n; ++i)
    for (size_t j = 0; j <= i; ++j)
    {
      const double d0 = x(i, 0) - x(j, 0), d1 = x(i, 1) - x(j, 1);
      l[i * n + j] = (kGpSignal * std::exp(-0.5 * (d0 * d0 + d1 * d1) * inv)) / kGpNoise + (i == j ? 1.0 : 0.0);
    }
  LAPACKE_dpotrf(LAPACK_ROW_MAJOR, 'L', n, l.data(), n);
  for (size_t i = 0; i < n; ++i)
    alpha[i] = (y(i) - 0.1) / kGpNoise;
  LAPACKE_dpotrs(LAPACK_ROW_MAJOR, 'L', n, 1, l.data(), n, alpha.data(), 1);
  std::vector<double> ks(n * m), mean(m), var(m);
  const double sw = 1.0 / std::sqrt(kGpNoise);
  for (auto _ : state)
  {
    for (size_t i = 0; i < n; ++i)
      for (size_t j = 0; j < m; ++j)
      {
        const double d0 = x(i, 0) - xs(j, 0), d1 = x(i, 1) - xs(j, 1);
        ks[i * m + j] = kGpSignal * std::exp(-0.5 * (d0 * d0 + d1 * d1) * inv);
      }
    std::fill(mean.begin(), mean.end(), 0.1);
    cblas_dgemv(CblasRowMajor, CblasTrans, n, m, 1.0, ks.data(), m, alpha.data(), 1, 1.0, mean.data(), 1);
    cblas_dscal(n * m, sw, ks.data(), 1);
    cblas_dtrsm(CblasRowMajor, CblasLeft, CblasLower, CblasNoTrans, CblasNonUnit, n, m, 1.0, l.data(), n, ks.data(), m);
    std::fill(var.begin(), var.end(), kGpSignal + kGpNoise);
    for (size_t i = 0; i < n; ++i)
      for (size_t j = 0; j < m; ++j)
        var[j] -= ks[i * m + j] * ks[i * m + j];
    benchmark::DoNotOptimize(mean.data());
    benchmark::DoNotOptimize(var.data());
  }
}
BENCHMARK(BM_GpEvaluateDistributions1000_RefDirect)->Unit(benchmark::kMillisecond);

// ---- minimisers on Rosenbrock's function from (−1.2, 1) ----
double Rosenbrock(const Math::Vector& x, long* evaluations)
{
  ++*evaluations;
  return 100.0 * (x(1) - x(0) * x(0)) * (x(1) - x(0) * x(0)) + (1.0 - x(0)) * (1.0 - x(0));
}

Math::Vector RosenbrockGradient(const Math::Vector& x, long* evaluations)
{
  ++*evaluations;
  Math::Vector g(2);
  g(0) = -400.0 * x(0) * (x(1) - x(0) * x(0)) - 2.0 * (1.0 - x(0));
  g(1) = 200.0 * (x(1) - x(0) * x(0));
  return g;
}

Math::Vector RosenbrockStart()
{
  Math::Vector x(2);
  x(0) = -1.2;
  x(1) = 1.0;
  return x;
}

void BM_ConjugateGradientRosenbrock(benchmark::State& state)
{
  long fe = 0, ge = 0;
  double error = 0.0;
  for (auto _ : state)
  {
    fe = ge = 0;
    const Math::Vector r = TCMathOptimizers::ConjugateGradientMinimize(
      [&fe](const Math::Vector& x) { return Rosenbrock(x, &fe); },
      [&ge](const Math::Vector& x) { return RosenbrockGradient(x, &ge); }, RosenbrockStart());
    error = std::hypot(r(0) - 1.0, r(1) - 1.0);
  }
  state.counters["f_evals"] = static_cast<double>(fe);
  state.counters["grad_evals"] = static_cast<double>(ge);
  state.counters["dist_to_min"] = error;
}
BENCHMARK(BM_ConjugateGradientRosenbrock)->Unit(benchmark::kMicrosecond);

void BM_BfgsRosenbrock(benchmark::State& state)
{
  long fe = 0, ge = 0;
  int iterations = 0;
  double error = 0.0;
  const TCMathMultiMinBfgs bfgs(1e-4, 1000);
  TCMathMultiMinBfgs::MMFunctions fns;
  fns.f = [&fe](const Math::Vector& x) { return Rosenbrock(x, &fe); };
  fns.df = [&ge](const Math::Vector& x) { return RosenbrockGradient(x, &ge); };
  for (auto _ : state)
  {
    fe = ge = 0;
    Math::Vector x = RosenbrockStart();
    double fx = 0.0;
    bool converged = false;
    bfgs.Minimize(&fns, &x, &fx, &converged, &iterations);
    error = std::hypot(x(0) - 1.0, x(1) - 1.0);
  }
  state.counters["f_evals"] = static_cast<double>(fe);
  state.counters["grad_evals"] = static_cast<double>(ge);
  state.counters["iterations"] = iterations;
  state.counters["dist_to_min"] = error;
}
BENCHMARK(BM_BfgsRosenbrock)->Unit(benchmark::kMicrosecond);
} // namespace
