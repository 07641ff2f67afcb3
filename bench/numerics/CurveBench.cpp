// Splines and the spline fitter next to their references: evaluation against
// the uniform cubic basis written out inline, the fitter against the bare
// CBLAS products and LAPACK inverse on the same basis matrix.
#include <cmath>
#include <vector>

#include <benchmark/benchmark.h>
#include <cblas.h>
#include <lapacke.h>

#include <tarvekmath/tarvekmath.h>

namespace
{
constexpr int kControl = 200;

std::vector<double> ControlValues(size_t n)
{
  std::vector<double> v(n);
  for (size_t i = 0; i < n; ++i)
    v[i] = 100.0 * std::sin(0.37 * static_cast<double>(i));
  return v;
}

// The uniform cubic basis of the span containing t (0 <= t < n).
inline double DirectSpline(const std::vector<double>& p, double t)
{
  const size_t n = p.size();
  const size_t s = static_cast<size_t>(t);
  const double u = t - static_cast<double>(s);
  const double w0 = (1 - u) * (1 - u) * (1 - u) / 6, w1 = (3 * u * u * u - 6 * u * u + 4) / 6;
  const double w2 = (-3 * u * u * u + 3 * u * u + 3 * u + 1) / 6, w3 = u * u * u / 6;
  return w0 * p[s] + w1 * p[(s + 1) % n] + w2 * p[(s + 2) % n] + w3 * p[(s + 3) % n];
}

constexpr int kCalls = 1000000;

void BM_SplineEvaluate(benchmark::State& state)
{
  TCMathSplBSplineCubic spline;
  for (double v : ControlValues(kControl))
    spline.AddControlPoint(v);
  const double step = static_cast<double>(kControl) / kCalls;
  for (auto _ : state)
  {
    double sum = 0.0;
    for (int i = 0; i < kCalls; ++i)
      sum += spline.Evaluate(i * step);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_SplineEvaluate)->Unit(benchmark::kMillisecond);

void BM_SplineEvaluate_RefDirect(benchmark::State& state)
{
  const std::vector<double> p = ControlValues(kControl);
  const double step = static_cast<double>(kControl) / kCalls;
  for (auto _ : state)
  {
    double sum = 0.0;
    for (int i = 0; i < kCalls; ++i)
      sum += DirectSpline(p, i * step);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_SplineEvaluate_RefDirect)->Unit(benchmark::kMillisecond);

std::vector<TCGenPoint<double>> CirclePoints(int n)
{
  std::vector<TCGenPoint<double>> pts;
  TCMathUtils::GetPointsOnCircle(TCGenPoint<double>(500, 400), 300, n, &pts);
  return pts;
}

void BM_CurveEvaluatePoints10000(benchmark::State& state)
{
  TCMathSplSplineCurve curve;
  curve.SetControlPoints(CirclePoints(kControl));
  std::vector<TCGenPoint<double>> out;
  for (auto _ : state)
  {
    curve.EvaluatePoints(10000, &out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_CurveEvaluatePoints10000)->Unit(benchmark::kMicrosecond);

void BM_CurveEvaluatePoints10000_RefDirect(benchmark::State& state)
{
  const std::vector<TCGenPoint<double>> cp = CirclePoints(kControl);
  std::vector<double> x(cp.size()), y(cp.size());
  for (size_t i = 0; i < cp.size(); ++i)
  {
    x[i] = cp[i].GetX();
    y[i] = cp[i].GetY();
  }
  std::vector<TCGenPoint<double>> out(10000);
  const double step = static_cast<double>(kControl) / 10000;
  for (auto _ : state)
  {
    for (int i = 0; i < 10000; ++i)
      out[static_cast<size_t>(i)] = TCGenPoint<double>(DirectSpline(x, i * step), DirectSpline(y, i * step));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_CurveEvaluatePoints10000_RefDirect)->Unit(benchmark::kMicrosecond);

void BM_FitterConstruction(benchmark::State& state)
{
  const size_t nControl = static_cast<size_t>(state.range(0)), nSamples = static_cast<size_t>(state.range(1));
  for (auto _ : state)
  {
    TCMathSplSplineCurveFitter fitter(nControl, nSamples, true);
    benchmark::DoNotOptimize(&fitter);
  }
}
BENCHMARK(BM_FitterConstruction)->Args({200, 1000})->Args({500, 500})->Unit(benchmark::kMillisecond);

// The closed periodic basis, built once outside the timing.
std::vector<double> ClosedBasis(size_t nControl, size_t nSamples)
{
  const double d = static_cast<double>(nControl) / static_cast<double>(nSamples);
  std::vector<double> b(nControl * nSamples, 0.0);
  auto basis = [](double u) {
    if (u < 0 || u >= 4)
      return 0.0;
    if (u < 1)
      return u * u * u / 6;
    if (u < 2)
    {
      const double v = u - 1;
      return (3 * v * v - 3 * v * v * v + 3 * v + 1) / 6;
    }
    if (u < 3)
    {
      const double w = u - 2;
      return (3 * w * w * w - 6 * w * w + 4) / 6;
    }
    return (4 - u) * (4 - u) * (4 - u) / 6;
  };
  for (size_t i = 0; i < nControl; ++i)
    for (size_t j = 0; j < nSamples; ++j)
    {
      const double x = static_cast<double>(j) * d - static_cast<double>(i);
      b[i * nSamples + j] = basis(x) + basis(x + static_cast<double>(nControl));
    }
  return b;
}

// Reference: B·Bᵀ and (B·Bᵀ)⁻¹·B by cblas_dgemm, the inverse by
// LAPACKE_dgetrf/dgetri, on the same basis.
void BM_FitterConstruction_RefLapack(benchmark::State& state)
{
  const int nc = static_cast<int>(state.range(0)), ns = static_cast<int>(state.range(1));
  const std::vector<double> b = ClosedBasis(static_cast<size_t>(nc), static_cast<size_t>(ns));
  std::vector<double> bbt(static_cast<size_t>(nc) * nc), f(b.size());
  std::vector<lapack_int> ipiv(static_cast<size_t>(nc));
  for (auto _ : state)
  {
    cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasTrans, nc, nc, ns, 1.0, b.data(), ns, b.data(), ns, 0.0, bbt.data(),
                nc);
    LAPACKE_dgetrf(LAPACK_ROW_MAJOR, nc, nc, bbt.data(), nc, ipiv.data());
    LAPACKE_dgetri(LAPACK_ROW_MAJOR, nc, bbt.data(), nc, ipiv.data());
    cblas_dgemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, nc, ns, nc, 1.0, bbt.data(), nc, b.data(), ns, 0.0, f.data(),
                ns);
    benchmark::DoNotOptimize(f.data());
  }
}
BENCHMARK(BM_FitterConstruction_RefLapack)->Args({200, 1000})->Args({500, 500})->Unit(benchmark::kMillisecond);

void BM_GetSplinePoints500(benchmark::State& state)
{
  const std::vector<TCGenPoint<double>> pts = CirclePoints(500);
  for (auto _ : state)
    benchmark::DoNotOptimize(TCMathUtils::GetSplinePoints(pts, 500));
}
BENCHMARK(BM_GetSplinePoints500)->Unit(benchmark::kMillisecond);
} // namespace
