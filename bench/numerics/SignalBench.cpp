// Signal tools next to their references: the FFT against OpenCV's DFT of the
// same real data (and a direct O(n²) sum for one non-power-of-two length),
// Butterworth filtering against a plain direct-form loop.
#include <cmath>
#include <complex>
#include <vector>

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <tarvekmath/tarvekmath.h>

namespace
{
std::vector<double> Signal(size_t n)
{
  unsigned long long state = 7;
  std::vector<double> v(n);
  for (auto& x : v)
  {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    x = static_cast<double>(state >> 11) / 9007199254740992.0 * 2.0 - 1.0;
  }
  return v;
}

void BM_DFTFwd(benchmark::State& state)
{
  const std::vector<double> x = Signal(static_cast<size_t>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(TCMathDFT::DFTFwd(x));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DFTFwd)->Arg(1024)->Arg(65536)->Arg(1000)->Arg(4099)->Unit(benchmark::kMicrosecond);

// Reference: OpenCV's forward DFT of the same real row into the full complex
// spectrum (the output DFTFwd delivers).
void BM_DFTFwd_RefOpenCv(benchmark::State& state)
{
  const std::vector<double> x = Signal(static_cast<size_t>(state.range(0)));
  const cv::Mat src(1, static_cast<int>(x.size()), CV_64F, const_cast<double*>(x.data()));
  cv::Mat dst;
  for (auto _ : state)
  {
    cv::dft(src, dst, cv::DFT_COMPLEX_OUTPUT);
    benchmark::DoNotOptimize(dst.data);
  }
}
BENCHMARK(BM_DFTFwd_RefOpenCv)->Arg(1024)->Arg(65536)->Arg(1000)->Arg(4099)->Unit(benchmark::kMicrosecond);

// Reference: the direct sum over a precomputed table of roots, n = 1000.
void BM_DFTFwd_RefDirectSum(benchmark::State& state)
{
  const size_t n = 1000;
  const std::vector<double> x = Signal(n);
  std::vector<std::complex<double>> root(n), out(n);
  for (size_t m = 0; m < n; ++m)
    root[m] = std::polar(1.0, -2.0 * M_PI * static_cast<double>(m) / n);
  for (auto _ : state)
  {
    for (size_t k = 0; k < n; ++k)
    {
      double re = 0.0, im = 0.0;
      size_t idx = 0;
      for (size_t j = 0; j < n; ++j)
      {
        re += x[j] * root[idx].real();
        im += x[j] * root[idx].imag();
        idx += k;
        if (idx >= n)
          idx -= n;
      }
      out[k] = {re, im};
    }
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_DFTFwd_RefDirectSum)->Unit(benchmark::kMicrosecond);

// The square-well detector's call: the peak frequency of a 1,280-sample profile.
void BM_CalcMaxFrequency1280(benchmark::State& state)
{
  const std::vector<double> x = Signal(1280);
  Math::Vector v(x.size());
  std::copy(x.begin(), x.end(), v.begin());
  for (auto _ : state)
    benchmark::DoNotOptimize(TCMathDFT::CalcMaxFrequency(v, 1.0));
}
BENCHMARK(BM_CalcMaxFrequency1280)->Unit(benchmark::kMicrosecond);

// ---- Butterworth order 4 over 10^6 samples ----
void BM_Butterworth4(benchmark::State& state)
{
  const std::vector<double> x = Signal(1000000);
  Math::Vector in(x.size()), out;
  std::copy(x.begin(), x.end(), in.begin());
  for (auto _ : state)
  {
    TCMathFilters::Butterworth(4, 0.1, Math::Lowpass, in, &out);
    benchmark::DoNotOptimize(&out(0));
  }
}
BENCHMARK(BM_Butterworth4)->Unit(benchmark::kMillisecond);

// Reference: direct form I with fixed order-4 coefficients in registers.
void BM_Butterworth4_RefDirectForm(benchmark::State& state)
{
  const std::vector<double> x = Signal(1000000);
  std::vector<double> y(x.size());
  const double b[5] = {0.0048, 0.0193, 0.0289, 0.0193, 0.0048};
  const double a[5] = {1.0, -2.3695, 2.3140, -1.0547, 0.1874};
  for (auto _ : state)
  {
    double x1 = 0, x2 = 0, x3 = 0, x4 = 0, y1 = 0, y2 = 0, y3 = 0, y4 = 0;
    for (size_t t = 0; t < x.size(); ++t)
    {
      const double x0 = x[t];
      const double y0 = b[0] * x0 + b[1] * x1 + b[2] * x2 + b[3] * x3 + b[4] * x4 - a[1] * y1 - a[2] * y2 -
                        a[3] * y3 - a[4] * y4;
      x4 = x3, x3 = x2, x2 = x1, x1 = x0;
      y4 = y3, y3 = y2, y2 = y1, y1 = y0;
      y[t] = y0;
    }
    benchmark::DoNotOptimize(y.data());
  }
}
BENCHMARK(BM_Butterworth4_RefDirectForm)->Unit(benchmark::kMillisecond);

// ---- LOWESS h = 10 over 10,000 samples ----
void BM_Lowess10(benchmark::State& state)
{
  const std::vector<double> x = Signal(10000);
  Math::Vector in(x.size()), out;
  std::copy(x.begin(), x.end(), in.begin());
  const TCMathSmoothLowess lowess(10);
  std::vector<int> outliers;
  double slope = 0.0;
  for (auto _ : state)
  {
    lowess.Smooth(in, &out, &slope, &outliers);
    benchmark::DoNotOptimize(&out(0));
  }
}
BENCHMARK(BM_Lowess10)->Unit(benchmark::kMicrosecond);
} // namespace
