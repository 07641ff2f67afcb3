#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathUblasUtils.h>

#include "TestHelpers.h"

using test::Mat;
using test::MaxAbsDiff;
using test::Mul;
using test::Vec;

namespace
{
Math::Matrix Transpose(const Math::Matrix& m) { return Math::ublas::trans(m); }

Math::Matrix RandomMatrix(size_t r, size_t c, test::Lcg& rng)
{
  Math::Matrix m(r, c);
  for (auto& x : m.data())
    x = rng.Next();
  return m;
}

// A·Aᵀ + n·I: symmetric positive definite.
Math::Matrix RandomSpd(size_t n, test::Lcg& rng)
{
  const Math::Matrix a = RandomMatrix(n, n, rng);
  Math::Matrix s = Mul(a, Transpose(a));
  for (size_t i = 0; i < n; ++i)
    s(i, i) += static_cast<double>(n);
  return s;
}

Math::SymmetricMatrix ToSymmetric(const Math::Matrix& m)
{
  Math::SymmetricMatrix s(m.size1());
  for (size_t i = 0; i < m.size1(); ++i)
    for (size_t j = 0; j <= i; ++j)
      s(i, j) = m(i, j);
  return s;
}
} // namespace

TEST(Determinant, MatchesHandWorkedValuesIncludingPivotSign)
{
  EXPECT_NEAR(TCMathUblasUtils::Det(Mat({{4, 7}, {2, 6}})), 10.0, 1e-13);
  EXPECT_NEAR(TCMathUblasUtils::Det(Mat({{0, 1}, {1, 0}})), -1.0, 1e-15);
  EXPECT_NEAR(TCMathUblasUtils::Det(Mat({{1, 2, 3}, {0, 1, 4}, {5, 6, 0}})), 1.0, 1e-13);
  EXPECT_EQ(TCMathUblasUtils::Det(Mat({{1, 2}, {2, 4}})), 0.0);
  EXPECT_EQ(TCMathUblasUtils::Det(Math::Matrix(0, 0)), 1.0);
  EXPECT_TRUE(std::isnan(TCMathUblasUtils::Det(Mat({{1, 2, 3}}))));
}

TEST(Cholesky, FactorReconstructsAndHasZeroUpperTriangle)
{
  test::Lcg rng;
  const Math::Matrix a = RandomSpd(12, rng);
  const Math::Matrix l = TCMathUblasUtils::CholeskyDecompose(ToSymmetric(a));
  EXPECT_TRUE(TCMathUblasUtils::IsLowerTriangular(l));
  EXPECT_LT(MaxAbsDiff(Mul(l, Transpose(l)), a), 1e-12);
  for (size_t i = 0; i < 12; ++i)
    EXPECT_GT(l(i, i), 0.0);
}

TEST(Cholesky, SolveGivesResidualNearZero)
{
  test::Lcg rng;
  const Math::Matrix a = RandomSpd(9, rng);
  Math::Vector b(9);
  for (auto& x : b)
    x = rng.Next();
  const Math::Vector x = TCMathUblasUtils::CholeskySolve(TCMathUblasUtils::CholeskyDecompose(ToSymmetric(a)), b);
  ASSERT_EQ(x.size(), 9u);
  const Math::Vector r = Math::ublas::prod(a, x) - b;
  EXPECT_LT(Math::ublas::norm_inf(r), 1e-12);
}

TEST(Cholesky, BadInputGivesSentinels)
{
  const Math::Matrix l = TCMathUblasUtils::CholeskyDecompose(ToSymmetric(Mat({{1, 2}, {2, 1}})));
  ASSERT_EQ(l.size1(), 2u);
  EXPECT_TRUE(std::isnan(l(0, 0)));
  EXPECT_EQ(TCMathUblasUtils::CholeskySolve(Mat({{1, 0}, {0, 1}}), Vec({1, 2, 3})).size(), 0u);
  EXPECT_EQ(TCMathUblasUtils::CholeskySolve(Mat({{1, 0, 0}, {0, 1, 0}}), Vec({1, 2})).size(), 0u);
}

TEST(SymmetricEigen, DecompositionReconstructsInDescendingOrder)
{
  test::Lcg rng;
  const size_t n = 10;
  Math::Matrix a = RandomMatrix(n, n, rng);
  a = a + Transpose(a);
  const auto vv = TCMathUblasUtils::CalcEigenVecsValsSymmetric(a);
  const Math::Matrix& v = vv.first;
  const Math::Vector& w = vv.second;
  ASSERT_EQ(w.size(), n);
  for (size_t i = 1; i < n; ++i)
    EXPECT_GE(w(i - 1), w(i));
  // A·v_j = w_j·v_j for every column j.
  const Math::Matrix av = Mul(a, v);
  for (size_t j = 0; j < n; ++j)
    for (size_t i = 0; i < n; ++i)
      EXPECT_NEAR(av(i, j), w(j) * v(i, j), 1e-12);
  EXPECT_LT(MaxAbsDiff(Mul(Transpose(v), v), Math::ublas::identity_matrix<double>(n)), 1e-12);

  Math::Matrix inPlace = a;
  const Math::Vector w2 = TCMathUblasUtils::CalcEigenVecsValsSymmetric(&inPlace);
  EXPECT_LT(MaxAbsDiff(inPlace, v), 1e-15);
  EXPECT_EQ(test::Std(w2), test::Std(w));

  std::vector<double> values = {42.0};
  TCMathUblasUtils::CalcEigenValuesSymmetric(a, &values);
  ASSERT_EQ(values.size(), n + 1);
  EXPECT_EQ(values[0], 42.0); // appended, not cleared
  for (size_t i = 0; i < n; ++i)
    EXPECT_NEAR(values[i + 1], w(i), 1e-12);
}

TEST(SymmetricEigen, HandWorkedTwoByTwo)
{
  const auto vv = TCMathUblasUtils::CalcEigenVecsValsSymmetric(Mat({{2, 1}, {1, 2}}));
  EXPECT_NEAR(vv.second(0), 3.0, 1e-14);
  EXPECT_NEAR(vv.second(1), 1.0, 1e-14);
  EXPECT_NEAR(std::abs(vv.first(0, 0)), std::sqrt(0.5), 1e-14);
  EXPECT_NEAR(vv.first(0, 0), vv.first(1, 0), 1e-14);
}

TEST(SymmetricEigen, NonSquareInputGivesSentinels)
{
  EXPECT_EQ(TCMathUblasUtils::CalcEigenVecsValsSymmetric(Mat({{1, 2, 3}})).second.size(), 0u);
  std::vector<double> values;
  TCMathUblasUtils::CalcEigenValuesSymmetric(Mat({{1, 2, 3}, {4, 5, 6}}), &values);
  EXPECT_EQ(values, (std::vector<double>{0, 0}));
  TCMathUblasUtils::CalcEigenValuesSymmetric(Mat({{1}}), nullptr);
}

TEST(Svd, ReconstructsRectangularMatrices)
{
  test::Lcg rng;
  for (auto shape : {std::pair<size_t, size_t>{5, 3}, {3, 5}})
  {
    const Math::Matrix a = RandomMatrix(shape.first, shape.second, rng);
    Math::Matrix u, s, vt; // wrong sizes on purpose: the outputs are resized
    TCMathUblasUtils::SVD(a, &u, &s, &vt);
    ASSERT_EQ(u.size1(), shape.first);
    ASSERT_EQ(vt.size1(), shape.second);
    const size_t k = std::min(shape.first, shape.second);
    Math::Matrix d(shape.first, shape.second);
    std::fill(d.data().begin(), d.data().end(), 0.0);
    for (size_t i = 0; i < k; ++i)
      d(i, i) = s.data()[i];
    for (size_t i = 1; i < k; ++i)
      EXPECT_GE(s.data()[i - 1], s.data()[i]);
    EXPECT_LT(MaxAbsDiff(Mul(Mul(u, d), vt), a), 1e-13);
  }
}

TEST(PseudoInverse, SatisfiesMoorePenroseConditionsForRectangularInput)
{
  test::Lcg rng;
  const Math::Matrix a = RandomMatrix(5, 3, rng);
  double det = 0.0;
  const Math::Matrix p = TCMathUblasUtils::PseudoInvert(a, &det);
  ASSERT_EQ(p.size1(), 3u);
  ASSERT_EQ(p.size2(), 5u);
  EXPECT_LT(MaxAbsDiff(Mul(Mul(a, p), a), a), 1e-13);
  EXPECT_LT(MaxAbsDiff(Mul(Mul(p, a), p), p), 1e-13);
  EXPECT_LT(MaxAbsDiff(Mul(p, a), Math::ublas::identity_matrix<double>(3)), 1e-13);
  EXPECT_GT(det, 0.0);
}

TEST(PseudoInverse, RankDeficientMatrixDropsNoiseSingularValues)
{
  double det = -1.0;
  const Math::Matrix p = TCMathUblasUtils::PseudoInvert(Mat({{1, 1}, {1, 1}}), &det);
  EXPECT_LT(MaxAbsDiff(p, Mat({{0.25, 0.25}, {0.25, 0.25}})), 1e-15);
  EXPECT_NEAR(det, 2.0, 1e-14);
}

TEST(PseudoInverse, AllZeroMatrixGivesZeroResult)
{
  double det = -1.0;
  Math::Matrix z(2, 3);
  std::fill(z.data().begin(), z.data().end(), 0.0);
  const Math::Matrix p = TCMathUblasUtils::PseudoInvert(z, &det);
  ASSERT_EQ(p.size1(), 3u);
  for (double x : p.data())
    EXPECT_EQ(x, 0.0);
  EXPECT_EQ(det, 0.0);
}

TEST(PseudoInverse, EqualsInverseForRegularSquareMatrix)
{
  const Math::Matrix a = Mat({{4, 7}, {2, 6}});
  double det = 0.0;
  const Math::Matrix p = TCMathUblasUtils::PseudoInvert(a, &det);
  EXPECT_LT(MaxAbsDiff(p, Mat({{0.6, -0.7}, {-0.2, 0.4}})), 1e-14);
  EXPECT_NEAR(det, 10.0, 1e-12); // product of singular values = |det|
}

TEST(LeastSquares, QrSolvesOverdeterminedSystemLikeNormalEquations)
{
  // Fit y = 1 + 2x through exact points plus one outlier-free check.
  const Math::Matrix a = Mat({{1, 0}, {1, 1}, {1, 2}, {1, 3}});
  const Math::Matrix b = Mat({{1, 2}, {3, 1}, {5, 0}, {7, -1}});
  const Math::Matrix x = TCMathUblasUtils::SolveLeastSquareQR(a, b);
  ASSERT_EQ(x.size1(), 2u);
  ASSERT_EQ(x.size2(), 2u);
  EXPECT_LT(MaxAbsDiff(x, Mat({{1, 2}, {2, -1}})), 1e-13);
}

TEST(LeastSquares, ShapeMismatchAndRankDeficiencyGiveEmptyMatrix)
{
  EXPECT_EQ(TCMathUblasUtils::SolveLeastSquareQR(Mat({{1, 2, 3}}), Mat({{1}})).size1(), 0u);
  EXPECT_EQ(TCMathUblasUtils::SolveLeastSquareQR(Mat({{1}, {2}}), Mat({{1}})).size1(), 0u);
  EXPECT_EQ(TCMathUblasUtils::SolveLeastSquareQR(Mat({{1, 2}, {2, 4}, {3, 6}}), Mat({{1}, {2}, {3}})).size1(), 0u);
}

TEST(SymmetricSolve, SolvesIndefiniteSymmetricSystem)
{
  const Math::Matrix a = Mat({{1, 2, 0}, {2, -3, 1}, {0, 1, 4}});
  const Math::Matrix xTrue = Mat({{1, -1}, {2, 0.5}, {-3, 2}});
  const Math::Matrix x = TCMathUblasUtils::SolveSymmetric(a, Mul(a, xTrue));
  ASSERT_EQ(x.size1(), 3u);
  ASSERT_EQ(x.size2(), 2u);
  EXPECT_LT(MaxAbsDiff(x, xTrue), 1e-13);
}

TEST(SymmetricSolve, BadShapesAndSingularMatrixGiveEmptyMatrix)
{
  EXPECT_EQ(TCMathUblasUtils::SolveSymmetric(Mat({{1, 2}}), Mat({{1}})).size1(), 0u);
  EXPECT_EQ(TCMathUblasUtils::SolveSymmetric(Mat({{1, 0}, {0, 1}}), Mat({{1}})).size1(), 0u);
  Math::Matrix z(2, 2);
  std::fill(z.data().begin(), z.data().end(), 0.0);
  EXPECT_EQ(TCMathUblasUtils::SolveSymmetric(z, Mat({{1}, {1}})).size1(), 0u);
}

TEST(Covariance, MatchesTwoPassComputation)
{
  test::Lcg rng;
  const Math::Matrix x = RandomMatrix(50, 4, rng);
  const Math::Matrix c = TCMathUblasUtils::CalculateCovariance(x);
  ASSERT_EQ(c.size1(), 4u);
  for (size_t i = 0; i < 4; ++i)
    for (size_t j = 0; j < 4; ++j)
    {
      double mi = 0, mj = 0;
      for (size_t r = 0; r < 50; ++r)
      {
        mi += x(r, i) / 50;
        mj += x(r, j) / 50;
      }
      double s = 0;
      for (size_t r = 0; r < 50; ++r)
        s += (x(r, i) - mi) * (x(r, j) - mj);
      EXPECT_NEAR(c(i, j), s / 49, 1e-14);
    }
  Math::Matrix centred = x;
  const Math::Matrix c2 = TCMathUblasUtils::CalculateCovariance(&centred);
  EXPECT_LT(MaxAbsDiff(c, c2), 1e-15);
  EXPECT_LT(std::abs(TCMathUblasUtils::CalculateMean(centred)(2)), 1e-15);
}

TEST(Covariance, SingleRowOrColumnGivesSampleVariance)
{
  const Math::Matrix r = TCMathUblasUtils::CalculateCovariance(Mat({{1, 2, 3, 4}}));
  ASSERT_EQ(r.size1(), 1u);
  EXPECT_NEAR(r(0, 0), 5.0 / 3.0, 1e-15);
  EXPECT_NEAR(TCMathUblasUtils::CalculateCovariance(Mat({{1}, {2}, {3}, {4}}))(0, 0), 5.0 / 3.0, 1e-15);
  EXPECT_TRUE(std::isnan(TCMathUblasUtils::CalculateCovariance(Mat({{7}}))(0, 0)));
  EXPECT_EQ(TCMathUblasUtils::CalculateCovariance(Math::Matrix(0, 3)).size1(), 0u);
}

TEST(BestFittingTransform, RecoversAffineMapOfPointLists)
{
  std::vector<TCGenPoint<double>> a = {{0, 0}, {1, 0}, {0, 1}, {2, 3}};
  std::vector<TCGenPoint<double>> b;
  for (const auto& p : a) // R = [[0, −2], [2, 0]], t = (5, −1)
    b.emplace_back(-2 * p.GetY() + 5, 2 * p.GetX() - 1);
  const auto rt = TCMathUblasUtils::CalcBestFittingTransform(a, b);
  EXPECT_LT(MaxAbsDiff(rt.first, Mat({{0, -2}, {2, 0}})), 1e-12);
  EXPECT_NEAR(rt.second(0), 5, 1e-12);
  EXPECT_NEAR(rt.second(1), -1, 1e-12);

  const auto same = TCMathUblasUtils::CalcBestFittingTransform(std::vector<TCGenPoint<double>>(a.begin(), a.begin() + 3),
                                                               std::vector<TCGenPoint<double>>(a.begin(), a.begin() + 3));
  EXPECT_LT(MaxAbsDiff(same.first, Math::ublas::identity_matrix<double>(2)), 1e-12);
  EXPECT_NEAR(same.second(0), 0, 1e-12);
}

TEST(BestFittingTransform, DegenerateInputGivesZeroPair)
{
  auto isZero = [](const std::pair<Math::Matrix, Math::Vector>& rt) {
    for (double x : rt.first.data())
      if (x != 0.0)
        return false;
    for (double x : rt.second)
      if (x != 0.0)
        return false;
    return rt.first.size1() == 2 && rt.second.size() == 2;
  };
  const std::vector<TCGenPoint<double>> two = {{0, 0}, {1, 1}};
  EXPECT_TRUE(isZero(TCMathUblasUtils::CalcBestFittingTransform(two, two)));
  const std::vector<TCGenPoint<double>> line = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
  EXPECT_TRUE(isZero(TCMathUblasUtils::CalcBestFittingTransform(line, line))); // singular
  EXPECT_TRUE(isZero(TCMathUblasUtils::CalcBestFittingTransform(line, two)));
  // 3-D and 1-D fits go through the 4×4 (LU) and 2×2 inversions.
  const Math::Matrix a1 = Mat({{0, 1, 2}});
  const auto rt1 = TCMathUblasUtils::CalcBestFittingTransform(a1, Mat({{1, 4, 7}}));
  EXPECT_NEAR(rt1.first(0, 0), 3, 1e-12);
  EXPECT_NEAR(rt1.second(0), 1, 1e-12);
  const Math::Matrix a3 = Mat({{0, 1, 0, 0, 1}, {0, 0, 1, 0, 1}, {0, 0, 0, 1, 1}});
  const auto rt3 = TCMathUblasUtils::CalcBestFittingTransform(a3, a3 * 2.0);
  EXPECT_LT(MaxAbsDiff(rt3.first, 2.0 * Math::Matrix(Math::ublas::identity_matrix<double>(3))), 1e-12);
}
