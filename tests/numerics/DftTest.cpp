#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathDFT.h>

#include "TestHelpers.h"

namespace
{
using C = std::complex<double>;
using LC = test::LC;
using test::DirectDft;
using test::kPiL;

// max |a − b| relative to max |b|.
double RelativeError(const std::vector<C>& a, const std::vector<LC>& b)
{
  long double err = 0, scale = 0;
  for (size_t k = 0; k < b.size(); ++k)
  {
    err = std::max(err, std::abs(LC(a[k].real(), a[k].imag()) - b[k]));
    scale = std::max(scale, std::abs(b[k]));
  }
  return static_cast<double>(scale > 0 ? err / scale : err);
}

std::vector<double> Random(size_t n, test::Lcg& rng)
{
  std::vector<double> v(n);
  for (auto& x : v)
    x = rng.Next();
  return v;
}

std::vector<size_t> Lengths()
{
  std::vector<size_t> lengths;
  for (size_t n = 1; n <= 64; ++n)
    lengths.push_back(n);
  for (size_t n : {97u, 1000u, 4096u})
    lengths.push_back(n);
  return lengths;
}
} // namespace

// Powers of two (radix-2), primes and composites (Bluestein) all against the direct sum.
TEST(DFT, ForwardMatchesTheDirectSumForEveryKindOfLength)
{
  test::Lcg rng;
  for (size_t n : Lengths())
  {
    const std::vector<double> x = Random(n, rng);
    std::vector<LC> xl(x.begin(), x.end());
    const std::vector<C> got = TCMathDFT::DFTFwd(x);
    ASSERT_EQ(got.size(), n);
    EXPECT_LT(RelativeError(got, DirectDft(xl, -1)), 1e-12) << "n = " << n;
    // The uBLAS overload is the same transform.
    Math::Vector xv(n);
    std::copy(x.begin(), x.end(), xv.begin());
    EXPECT_EQ(TCMathDFT::DFTFwd(xv), got) << "n = " << n;
  }
}

// The inverse of any complex spectrum (not only a conjugate-symmetric one)
// returns the real parts of the direct inverse sum, scaled by 1/n.
TEST(DFT, InverseIsTheScaledDirectSumAndUndoesTheForwardTransform)
{
  test::Lcg rng;
  for (size_t n : {1u, 2u, 7u, 64u, 97u, 1000u})
  {
    std::vector<C> spectrum(n);
    std::vector<LC> sl(n);
    for (size_t k = 0; k < n; ++k)
    {
      spectrum[k] = {rng.Next(), rng.Next()};
      sl[k] = {spectrum[k].real(), spectrum[k].imag()};
    }
    const std::vector<LC> ref = DirectDft(sl, +1);
    const std::vector<double> got = TCMathDFT::DFTInv(spectrum);
    ASSERT_EQ(got.size(), n);
    for (size_t j = 0; j < n; ++j)
      EXPECT_NEAR(got[j], static_cast<double>(ref[j].real() / n), 1e-14) << "n = " << n << ", j = " << j;

    const std::vector<double> x = Random(n, rng);
    Math::Vector back(3); // resized to n
    TCMathDFT::DFTInv(TCMathDFT::DFTFwd(x), &back);
    ASSERT_EQ(back.size(), n);
    for (size_t j = 0; j < n; ++j)
      EXPECT_NEAR(back(j), x[j], 1e-14) << "n = " << n;
  }
}

TEST(DFT, EmptyInputsGiveEmptyResultsOrZeroedOutputs)
{
  EXPECT_TRUE(TCMathDFT::DFTFwd(std::vector<double>()).empty());
  EXPECT_TRUE(TCMathDFT::DFTFwd(Math::Vector(0)).empty());
  EXPECT_TRUE(TCMathDFT::DFTInv(std::vector<C>()).empty());
  Math::Vector out = test::Vec({1, 2, 3});
  TCMathDFT::DFTInv(std::vector<C>(), &out);
  EXPECT_EQ(test::Std(out), (std::vector<double>{0, 0, 0}));
  TCMathDFT::DFTInv(std::vector<C>{{1, 0}}, nullptr);
}

// Five samples: mean removed, smoothed by [1/3, 1/3, 1/3] with zero borders,
// centred in P = 8 after one zero, amplitudes 2·|X[k]|/5 over H = 5 bins.
TEST(PowerSpectrum, FiveSamplesArePaddedToEightAndScaledByTheInputLength)
{
  const std::vector<double> v = {3, -1, 4, 1, -5};
  const double mean = (3 - 1 + 4 + 1 - 5) / 5.0;
  std::vector<double> c(5), s(5);
  for (size_t i = 0; i < 5; ++i)
    c[i] = v[i] - mean;
  for (size_t i = 0; i < 5; ++i)
    s[i] = ((i > 0 ? c[i - 1] : 0) + c[i] + (i < 4 ? c[i + 1] : 0)) / 3.0;
  std::vector<LC> padded(8, 0);
  for (size_t i = 0; i < 5; ++i)
    padded[1 + i] = s[i];
  const std::vector<LC> ref = DirectDft(padded, -1);

  const double fs = 2.0;
  const Math::Matrix m = TCMathDFT::CalcPowerSpectrum(test::Vec({3, -1, 4, 1, -5}), fs);
  ASSERT_EQ(m.size1(), 5u);
  ASSERT_EQ(m.size2(), 2u);
  for (size_t k = 0; k < 5; ++k)
  {
    EXPECT_DOUBLE_EQ(m(k, 0), 0.125 * fs * k);
    EXPECT_NEAR(m(k, 1), static_cast<double>(2 * std::abs(ref[k]) / 5), 1e-14) << k;
  }

  EXPECT_EQ(TCMathDFT::CalcPowerSpectrum(Math::Vector(0), 1).size1(), 0u);
  // One sample: a single bin at frequency 0 with amplitude 0 (not 0/0).
  const Math::Matrix one = TCMathDFT::CalcPowerSpectrum(test::Vec({7}), 1);
  ASSERT_EQ(one.size1(), 1u);
  EXPECT_EQ(one(0, 0), 0.0);
  EXPECT_EQ(one(0, 1), 0.0);
}

TEST(PowerSpectrum, MaxFrequencyFindsTheSinePeriod)
{
  Math::Vector sine(64);
  for (size_t i = 0; i < 64; ++i)
    sine(i) = std::sin(2 * kPiL * i / 8.0);
  EXPECT_DOUBLE_EQ(TCMathDFT::CalcMaxFrequency(sine, 1), 0.125);
  EXPECT_DOUBLE_EQ(TCMathDFT::CalcMaxFrequency(sine, 10), 1.25);

  // A well-pitch-like profile: 1,280 samples, period 20, padded to 2,048.
  Math::Vector profile(1280);
  for (size_t i = 0; i < profile.size(); ++i)
    profile(i) = 100 + 30 * std::cos(2 * kPiL * i / 20.0 + 0.3);
  EXPECT_NEAR(TCMathDFT::CalcMaxFrequency(profile, 1), 0.05, 1.0 / 2048);

  // Constant: every amplitude is 0 and the first bin wins.
  Math::Vector constant(10);
  std::fill(constant.begin(), constant.end(), 4.0);
  EXPECT_EQ(TCMathDFT::CalcMaxFrequency(constant, 1), 0.0);
  EXPECT_TRUE(std::isnan(TCMathDFT::CalcMaxFrequency(Math::Vector(0), 1)));
  sine(5) = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(TCMathDFT::CalcMaxFrequency(sine, 1)));
}
