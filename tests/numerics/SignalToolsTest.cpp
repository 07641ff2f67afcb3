#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathFilters.h>
#include <tarvekmath/TCMathInterpolation.h>
#include <tarvekmath/TCMathLogGabor.h>
#include <tarvekmath/TCMathLogScale.h>
#include <tarvekmath/TCMathSmoothLowess.h>

#include "TestHelpers.h"

namespace
{
using test::LC;
using test::kPiL;
const double kPi = 3.14159265358979323846;

// Plain direct-form recursion y[t] = Σ b[i]·x[t−i] − Σ a[i]·y[t−i] (a[0] = 1).
std::vector<double> DirectForm(const std::vector<double>& b, const std::vector<double>& a, const Math::Vector& x)
{
  std::vector<double> y(x.size(), 0.0);
  for (size_t t = 0; t < x.size(); ++t)
  {
    double s = 0.0;
    for (size_t i = 0; i < b.size() && i <= t; ++i)
      s += b[i] * x(t - i);
    for (size_t i = 1; i < a.size() && i <= t; ++i)
      s -= a[i] * y[t - i];
    y[t] = s;
  }
  return y;
}

Math::Vector Impulse(size_t n)
{
  Math::Vector v(n);
  std::fill(v.begin(), v.end(), 0.0);
  v(0) = 1.0;
  return v;
}

// Amplitude of the component at f over the last `tail` samples (a whole
// number of periods): the steady-state gain for a unit cosine input.
double TailAmplitude(const Math::Vector& y, size_t tail, double f)
{
  double c = 0.0, s = 0.0;
  for (size_t t = y.size() - tail; t < y.size(); ++t)
  {
    c += y(t) * std::cos(2 * kPi * f * t);
    s += y(t) * std::sin(2 * kPi * f * t);
  }
  return 2.0 * std::hypot(c, s) / tail;
}

Math::Vector Cosine(size_t n, double cyclesPerSample)
{
  Math::Vector v(n);
  for (size_t t = 0; t < n; ++t)
    v(t) = std::cos(2 * kPi * cyclesPerSample * t);
  return v;
}
} // namespace

// The impulse response carries the design: it must be that of the published
// order-2 coefficients, low-pass and (same poles, zeros at z = 1) high-pass.
TEST(Butterworth, OrderTwoMatchesTheReferenceCoefficients)
{
  const std::vector<double> a = {1, -1.1429805, 0.4128016};
  const std::vector<double> bLow = {0.0674553, 0.1349105, 0.0674553};
  const double k = (a[0] - a[1] + a[2]) / 4; // unit gain at Nyquist
  const std::vector<double> bHigh = {k, -2 * k, k};
  const Math::Vector impulse = Impulse(60);
  Math::Vector out;
  ASSERT_TRUE(TCMathFilters::Butterworth(2, 0.1, Math::Lowpass, impulse, &out));
  std::vector<double> ref = DirectForm(bLow, a, impulse);
  for (size_t t = 0; t < 60; ++t)
    EXPECT_NEAR(out(t), ref[t], 2e-7) << t;
  ASSERT_TRUE(TCMathFilters::Butterworth(2, 0.1, Math::Highpass, impulse, &out));
  ref = DirectForm(bHigh, a, impulse);
  for (size_t t = 0; t < 60; ++t)
    EXPECT_NEAR(out(t), ref[t], 2e-7) << t;
  EXPECT_NEAR(bHigh[0], 0.6389455, 1e-7);
  // In place gives the same result.
  Math::Vector inPlace = impulse;
  ASSERT_TRUE(TCMathFilters::Butterworth(2, 0.1, Math::Highpass, inPlace, &inPlace));
  EXPECT_EQ(test::Std(inPlace), test::Std(out));
}

// Frequency response of higher orders: unit gain in the pass band, −3 dB at
// the cutoff, and the stop band, measured on long cosines after the transient.
TEST(Butterworth, GainIsUnitInThePassBandAndHalfPowerAtTheCutoff)
{
  const size_t n = 6000, tail = 1000;
  Math::Vector out;
  for (int order : {1, 4, 12})
  {
    ASSERT_TRUE(TCMathFilters::Butterworth(order, 0.1, Math::Lowpass, Cosine(n, 0.1), &out));
    EXPECT_NEAR(TailAmplitude(out, tail, 0.1), std::sqrt(0.5), 1e-9) << order;
    ASSERT_TRUE(TCMathFilters::Butterworth(order, 0.1, Math::Lowpass, Cosine(n, 0.0), &out));
    EXPECT_NEAR(out(n - 1), 1.0, 1e-9) << order;
    ASSERT_TRUE(TCMathFilters::Butterworth(order, 0.1, Math::Highpass, Cosine(n, 0.5), &out));
    EXPECT_NEAR(TailAmplitude(out, tail, 0.5) / 2, 1.0, 1e-9) << order; // cos²(πt) = 1: counted twice
    ASSERT_TRUE(TCMathFilters::Butterworth(order, 0.1, Math::Highpass, Cosine(n, 0.1), &out));
    EXPECT_NEAR(TailAmplitude(out, tail, 0.1), std::sqrt(0.5), 1e-9) << order;
  }
  ASSERT_TRUE(TCMathFilters::Butterworth(4, 0.1, Math::Lowpass, Cosine(n, 0.3), &out));
  EXPECT_LT(TailAmplitude(out, tail, 0.3), 0.01);
}

TEST(Butterworth, OutOfRangeArgumentsFailWithAZeroOutput)
{
  const Math::Vector in = Cosine(50, 0.05);
  struct Case
  {
    int order;
    double cutoff;
    int type;
  };
  for (const Case c : {Case{0, 0.1, 0}, Case{13, 0.1, 0}, Case{2, 0.0, 0}, Case{2, 0.5, 1},
                       Case{2, std::numeric_limits<double>::quiet_NaN(), 0}, Case{2, 0.1, 2}, Case{2, 0.1, -1}})
  {
    Math::Vector out = test::Vec({7, 7, 7});
    EXPECT_FALSE(TCMathFilters::Butterworth(c.order, c.cutoff, static_cast<Math::EFilterTypes>(c.type), in, &out));
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 0.0);
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), 0.0);
  }
  EXPECT_FALSE(TCMathFilters::Butterworth(2, 0.1, Math::Lowpass, in, nullptr));
}

// 64 samples at fs = 64: bin k is k Hz. A mean plus sines on bins 4 and 20.
TEST(FrequencyFilter, KeepsTheBandAndTheMeanAndReportsItsPower)
{
  const size_t n = 64;
  Math::Vector in(n), low(n), high(n);
  for (size_t t = 0; t < n; ++t)
  {
    low(t) = std::sin(2 * kPi * 4 * t / n);
    high(t) = 0.5 * std::cos(2 * kPi * 20 * t / n);
    in(t) = 3.0 + low(t) + high(t);
  }
  Math::Vector out;
  double power = -1;
  TCMathFilters::FrequencyFilter(64, 0, 0, in, &out, &power);
  ASSERT_EQ(out.size(), n);
  for (size_t t = 0; t < n; ++t)
    EXPECT_NEAR(out(t), in(t), 1e-12);
  // Σ|X[k]|² over k <= n/2 of the mean-free signal: (n/2)² per unit sine.
  EXPECT_NEAR(power, 32.0 * 32.0 + 0.25 * 32.0 * 32.0, 1e-9);

  TCMathFilters::FrequencyFilter(64, 10, 0, in, &out, &power);
  for (size_t t = 0; t < n; ++t)
    EXPECT_NEAR(out(t), 3.0 + high(t), 1e-12);
  EXPECT_NEAR(power, 0.25 * 32.0 * 32.0, 1e-9);
  TCMathFilters::FrequencyFilter(64, 0, 10, in, &out, nullptr);
  for (size_t t = 0; t < n; ++t)
    EXPECT_NEAR(out(t), 3.0 + low(t), 1e-12);

  // Lengths that are not powers of two, and empty input, zero the existing output.
  power = -1;
  Math::Vector zeroed = test::Vec({1, 2, 3});
  TCMathFilters::FrequencyFilter(1, 0, 0, test::Vec({1, 2, 3, 4, 5, 6}), &zeroed, &power);
  EXPECT_EQ(test::Std(zeroed), (std::vector<double>{0, 0, 0}));
  zeroed = test::Vec({1, 2});
  TCMathFilters::FrequencyFilter(1, 0, 0, Math::Vector(0), &zeroed, &power);
  EXPECT_EQ(test::Std(zeroed), (std::vector<double>{0, 0}));
  EXPECT_EQ(power, -1);
  TCMathFilters::FrequencyFilter(1, 0, 0, in, nullptr, &power);
}

TEST(LinearPrediction, PredictsGeometricAndAutoregressiveSeries)
{
  EXPECT_NEAR(TCMathInterpolation::PredictValueFromLastM(test::Vec({1, 2, 4, 8, 16, 32}), 1), 64.0, 1e-12);
  // x[t] = 1.6·x[t−1] − 0.8·x[t−2]: two coefficients, a[0] on the older sample.
  Math::Vector ar(21);
  ar(0) = 1.0;
  ar(1) = 0.5;
  for (size_t t = 2; t < ar.size(); ++t)
    ar(t) = 1.6 * ar(t - 1) - 0.8 * ar(t - 2);
  const double next = 1.6 * ar(20) - 0.8 * ar(19);
  EXPECT_NEAR(TCMathInterpolation::PredictValueFromLastM(ar, 2), next, 1e-9 * std::abs(next));
  // n <= m, m = 0 and a singular R give NaN.
  EXPECT_TRUE(std::isnan(TCMathInterpolation::PredictValueFromLastM(test::Vec({1, 2, 3}), 3)));
  EXPECT_TRUE(std::isnan(TCMathInterpolation::PredictValueFromLastM(test::Vec({1, 2}), 5)));
  EXPECT_TRUE(std::isnan(TCMathInterpolation::PredictValueFromLastM(test::Vec({1, 2, 3}), 0)));
  EXPECT_TRUE(std::isnan(TCMathInterpolation::PredictValueFromLastM(test::Vec({0, 0, 0, 0}), 2)));
}

TEST(LogScale, MapsTheEndsAndInvertsWithClamping)
{
  const TCMathLogScale s(0, 1, 0, 100, 0.5); // k = 1
  EXPECT_NEAR(s(0), 0, 1e-12);
  EXPECT_NEAR(s(1), 100, 1e-12);
  const double mid = 100 * std::log((std::exp(1.0) - 1) * 0.5 + 1);
  EXPECT_NEAR(s(0.5), mid, 1e-12);
  EXPECT_NEAR(mid, 62.0, 0.05);
  EXPECT_NEAR(s.Inverse(mid), 0.5, 1e-12);
  EXPECT_NEAR(s(2.0), 100, 1e-12); // clamped input
  EXPECT_NEAR(s(-3.0), 0, 1e-12);
  EXPECT_NEAR(s.Inverse(150), 1, 1e-12);

  const TCMathLogScale r(10, 20, 5, -5, 0.8); // falling output range
  for (double x : {10.0, 12.5, 17.0, 20.0})
    EXPECT_NEAR(r.Inverse(r(x)), x, 1e-12) << x;
  EXPECT_NEAR(r.Inverse(-9), 20, 1e-12);
  EXPECT_NEAR(r.Inverse(9), 10, 1e-12);
}

namespace
{
// The filter computed directly: DFT sums in long double, the gains from
// their formula, positive bins cutoff..N/2 kept, inverse sum / N, magnitude.
std::vector<double> DirectLogGabor(const std::vector<double>& x, double lambda, double sigmaOnF, int cutoff)
{
  const size_t n = x.size();
  std::vector<LC> xl(x.begin(), x.end());
  std::vector<LC> spectrum = test::DirectDft(xl, -1);
  for (size_t k = 0; k < n; ++k)
  {
    const bool keep = k >= 1 && k >= static_cast<size_t>(cutoff) && k <= n / 2;
    const long double l = std::log(static_cast<long double>(k) / n * lambda);
    const long double g = std::exp(-l * l / (2 * std::log((long double)sigmaOnF) * std::log((long double)sigmaOnF)));
    spectrum[k] = keep ? spectrum[k] * g : LC(0);
  }
  const std::vector<LC> z = test::DirectDft(spectrum, +1);
  std::vector<double> out(n);
  for (size_t j = 0; j < n; ++j)
    out[j] = static_cast<double>(std::abs(z[j]) / n);
  return out;
}
} // namespace

TEST(LogGabor, ResponseMatchesTheDirectComputation)
{
  test::Lcg rng;
  for (int n : {64, 45, 1})
  {
    std::vector<double> x(static_cast<size_t>(n));
    for (auto& v : x)
      v = rng.Next();
    TCMathLogGabor filter(n, 8.0, 0.55, 3);
    const std::vector<double> got = filter.CalculateResponse(x);
    const std::vector<double> ref = DirectLogGabor(x, 8.0, 0.55, 3);
    ASSERT_EQ(got.size(), ref.size());
    for (size_t j = 0; j < ref.size(); ++j)
    {
      EXPECT_NEAR(got[j], ref[j], 1e-13) << n << " " << j;
      EXPECT_EQ(filter.CalculateResponseAt(x, static_cast<int>(j)), got[j]);
    }
  }
  // A cosine at the centre frequency (gain 1) has the constant envelope 1/2:
  // the negative frequencies are removed, the positive ones not doubled.
  TCMathLogGabor centre(64, 8.0, 0.55, 0);
  std::vector<double> c(64);
  for (size_t t = 0; t < 64; ++t)
    c[t] = std::cos(2 * kPiL * t / 8 + 0.4);
  for (double v : centre.CalculateResponse(c))
    EXPECT_NEAR(v, 0.5, 1e-13);
}

TEST(LogGabor, RejectsForeignLengthsAndIndicesAndCopiesOwnTheirBuffers)
{
  std::vector<double> x(32);
  for (size_t t = 0; t < 32; ++t)
    x[t] = std::sin(0.7 * t);
  auto original = std::make_unique<TCMathLogGabor>(32, 6.0, 0.6, 1);
  const std::vector<double> expected = original->CalculateResponse(x);
  EXPECT_TRUE(original->CalculateResponse(std::vector<double>(31, 1.0)).empty());
  EXPECT_TRUE(original->CalculateResponse({}).empty());
  EXPECT_EQ(original->CalculateResponseAt(std::vector<double>(33, 1.0), 0), 0.0);
  EXPECT_EQ(original->CalculateResponseAt(x, -1), 0.0);
  EXPECT_EQ(original->CalculateResponseAt(x, 32), 0.0);

  TCMathLogGabor copy(*original);
  TCMathLogGabor assigned(8, 2.0, 0.5, 0);
  assigned = *original;
  original.reset();
  EXPECT_EQ(copy.CalculateResponse(x), expected);
  EXPECT_EQ(assigned.CalculateResponse(x), expected);

  TCMathLogGabor none(0, 6.0, 0.6, 1);
  EXPECT_TRUE(none.CalculateResponse({}).empty());
  EXPECT_EQ(none.CalculateResponseAt({}, 0), 0.0);
}

namespace
{
Math::Vector Quadratic(size_t n)
{
  Math::Vector v(n);
  for (size_t i = 0; i < n; ++i)
    v(i) = 2.0 + 0.5 * i - 0.003 * i * i;
  return v;
}
} // namespace

TEST(Lowess, ReproducesAQuadraticExactly)
{
  const Math::Vector q = Quadratic(200);
  const TCMathSmoothLowess lowess(10);
  Math::Vector out;
  std::vector<int> outliers = {99};
  double slope = 0;
  lowess.Smooth(q, &out, &slope, &outliers);
  ASSERT_EQ(out.size(), q.size());
  for (size_t i = 0; i < q.size(); ++i)
    EXPECT_NEAR(out(i), q(i), 1e-9) << i;
  EXPECT_TRUE(outliers.empty());
  // Slope in the first window, whose position 0 is sample 0: 0.5 per sample.
  EXPECT_NEAR(slope, 0.5, 1e-9);

  Math::Vector window(25); // longer than L = 21: only the first 21 values count
  std::copy(q.begin() + 40, q.begin() + 65, window.begin());
  EXPECT_NEAR(lowess.WeightedLeastSquares(window), q(50), 1e-9);
  EXPECT_TRUE(std::isnan(lowess.WeightedLeastSquares(Math::Vector(20))));
}

TEST(Lowess, FlagsASingleSpikeAndSmoothsItAway)
{
  Math::Vector in = Quadratic(300);
  test::Lcg rng;
  for (auto& v : in)
    v += 0.01 * rng.Next();
  in(150) += 5.0;
  const TCMathSmoothLowess lowess(8);
  Math::Vector out;
  std::vector<int> outliers;
  lowess.Smooth(in, &out, nullptr, &outliers);
  EXPECT_EQ(outliers, std::vector<int>{150});
  EXPECT_NEAR(out(150), Quadratic(300)(150), 0.05);
  Math::Vector inPlace = in;
  lowess.Smooth(inPlace, &inPlace, nullptr, &outliers);
  EXPECT_EQ(test::Std(inPlace), test::Std(out));
}

TEST(Lowess, WindowAndSeriesLimitsLeaveTheOutputsUntouched)
{
  const Math::Vector q = Quadratic(100);
  const Math::Vector marker = test::Vec({-1});
  for (int half : {0, -3, 15})
  {
    const TCMathSmoothLowess lowess(half);
    Math::Vector out = marker;
    std::vector<int> outliers = {7};
    lowess.Smooth(q, &out, nullptr, &outliers);
    EXPECT_EQ(test::Std(out), test::Std(marker)) << half;
    EXPECT_EQ(outliers, std::vector<int>{7});
    EXPECT_TRUE(std::isnan(lowess.WeightedLeastSquares(q))) << half;
  }
  // L = 29 is the longest window; 10,000 samples the longest series.
  const TCMathSmoothLowess widest(14);
  const Math::Vector longest = Quadratic(10000);
  Math::Vector out;
  std::vector<int> outliers;
  widest.Smooth(longest, &out, nullptr, &outliers);
  ASSERT_EQ(out.size(), 10000u);
  EXPECT_NEAR(out(5000), longest(5000), 1e-6);
  out = marker;
  widest.Smooth(Quadratic(10001), &out, nullptr, &outliers);
  EXPECT_EQ(test::Std(out), test::Std(marker));
  // Shorter than the window: copied.
  widest.Smooth(Quadratic(20), &out, nullptr, &outliers);
  EXPECT_EQ(test::Std(out), test::Std(Quadratic(20)));
  widest.Smooth(q, nullptr, nullptr, &outliers);
  widest.Smooth(q, &out, nullptr, nullptr);
}
