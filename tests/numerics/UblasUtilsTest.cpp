#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathUblasUtils.h>

#include "TestHelpers.h"

using test::Mat;
using test::Std;
using test::Vec;
using V = std::vector<double>;

TEST(UblasConversions, RoundTripBetweenStdAndUblasVectorsCopies)
{
  const V src = {1.5, -2.0, 3.25};
  Math::Vector v = TCMathUblasUtils::Dblvec2Mathvec(src);
  EXPECT_EQ(Std(v), src);
  EXPECT_EQ(TCMathUblasUtils::Mathvec2Dblvec(v), src);
  v(0) = 99.0; // no shared storage
  EXPECT_EQ(src[0], 1.5);

  const Math::Matrix m = TCMathUblasUtils::DoubleVec2Matrix(src);
  ASSERT_EQ(m.size1(), 3u);
  ASSERT_EQ(m.size2(), 1u);
  EXPECT_EQ(TCMathUblasUtils::Matrix2DoubleVec(m), src);
  EXPECT_EQ(TCMathUblasUtils::Matrix2DoubleVec(Mat({{1, 2}, {3, 4}})), (V{1, 3}));
  EXPECT_TRUE(TCMathUblasUtils::Matrix2DoubleVec(Math::Matrix(3, 0)).empty());
}

TEST(UblasReductions, SumsDiagonalAndTrace)
{
  EXPECT_EQ(TCMathUblasUtils::Sum(Vec({1, 2, 3.5})), 6.5);
  EXPECT_EQ(TCMathUblasUtils::Sum(Math::Vector(0)), 0.0);
  const Math::Matrix m = Mat({{1, 2, 3}, {4, 5, 6}});
  EXPECT_EQ(Std(TCMathUblasUtils::Diag(m)), (V{1, 5}));
  EXPECT_EQ(TCMathUblasUtils::Trace(m), 6.0);
  EXPECT_EQ(Std(TCMathUblasUtils::SumOfCols(m)), (V{5, 7, 9}));
  EXPECT_EQ(Std(TCMathUblasUtils::SumOfRows(m)), (V{6, 15}));
  EXPECT_EQ(Std(TCMathUblasUtils::CalculateMean(m)), (V{2.5, 3.5, 4.5}));
}

TEST(UblasReductions, ExtremaKeepTheFirstOnTies)
{
  const Math::Matrix m = Mat({{3, 1, 3}, {0, 7, 7}, {3, -2, 1}});
  EXPECT_EQ(Std(TCMathUblasUtils::MaxOfCols(m)), (V{3, 7, 7}));
  EXPECT_EQ(Std(TCMathUblasUtils::MinOfCols(m)), (V{0, -2, 1}));
  EXPECT_EQ(Std(TCMathUblasUtils::MaxOfRows(m)), (V{3, 7, 3}));
  EXPECT_EQ(Std(TCMathUblasUtils::MinOfRows(m)), (V{1, 0, -2}));
  EXPECT_EQ(Std(TCMathUblasUtils::MaxIndexOfRows(m)), (V{0, 1, 0}));
  EXPECT_EQ(Std(TCMathUblasUtils::MaxIndexOfCols(m)), (V{0, 1, 1}));
  EXPECT_EQ(TCMathUblasUtils::MaxIndex(Vec({1, 5, 2, 5})), 1);
  EXPECT_EQ(TCMathUblasUtils::MaxIndex(Math::Vector(0)), 0);
}

TEST(UblasReductions, ExtremaOfMatricesWithoutElementsDoNotReadStorage)
{
  const Math::Vector cols = TCMathUblasUtils::MaxOfCols(Math::Matrix(0, 2));
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_TRUE(std::isnan(cols(0)));
  const Math::Vector rows = TCMathUblasUtils::MinOfRows(Math::Matrix(3, 0));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_TRUE(std::isnan(rows(2)));
}

TEST(UblasBuilders, LinspaceIncludesBothEnds)
{
  EXPECT_EQ(Std(TCMathUblasUtils::Linspace(0, 1, 5)), (V{0, 0.25, 0.5, 0.75, 1.0}));
  EXPECT_EQ(Std(TCMathUblasUtils::Linspace(3, 7, 1)), (V{3}));
  EXPECT_EQ(TCMathUblasUtils::Linspace(0, 1, 0).size(), 0u);
  EXPECT_EQ(TCMathUblasUtils::Linspace(0, 1, -4).size(), 0u);
}

TEST(UblasBuilders, NormalizeRowsSkipsZeroSumRows)
{
  Math::Matrix m = Mat({{1, 3}, {-1, 1}, {2, 2}});
  TCMathUblasUtils::NormalizeMatrixRows(&m);
  EXPECT_EQ(m(0, 0), 0.25);
  EXPECT_EQ(m(0, 1), 0.75);
  EXPECT_EQ(m(1, 0), -1.0); // sum 0: unchanged
  EXPECT_EQ(m(2, 1), 0.5);
  TCMathUblasUtils::NormalizeMatrixRows(nullptr);
}

TEST(UblasBuilders, TriangularTestsNeedSquareNonEmptyMatrices)
{
  EXPECT_TRUE(TCMathUblasUtils::IsLowerTriangular(Mat({{1, 0}, {2, 3}})));
  EXPECT_FALSE(TCMathUblasUtils::IsLowerTriangular(Mat({{1, 1e-300}, {2, 3}})));
  EXPECT_TRUE(TCMathUblasUtils::IsUpperTriangular(Mat({{1, 5}, {0, 3}})));
  EXPECT_FALSE(TCMathUblasUtils::IsUpperTriangular(Mat({{1, 0}, {2, 3}})));
  EXPECT_FALSE(TCMathUblasUtils::IsLowerTriangular(Math::Matrix(0, 0)));
  EXPECT_FALSE(TCMathUblasUtils::IsLowerTriangular(Mat({{1, 0, 0}, {2, 3, 0}})));
}

TEST(UblasSignals, ConvolveKeepsLengthAndCentresOddKernels)
{
  const Math::Vector a = Vec({1, 2, 3, 4, 5});
  EXPECT_EQ(Std(TCMathUblasUtils::Convolve(a, Vec({1}))), Std(a));
  EXPECT_EQ(Std(TCMathUblasUtils::Convolve(a, Vec({0.25, 0.5, 0.25}))), (V{1.0, 2.0, 3.0, 4.0, 3.5}));
  // Even kernel: offset floor(2/2) = 1 into the full convolution [1,3,5,7,9,5].
  EXPECT_EQ(Std(TCMathUblasUtils::Convolve(a, Vec({1, 1}))), (V{3, 5, 7, 9, 5}));
  EXPECT_EQ(TCMathUblasUtils::Convolve(Math::Vector(0), a).size(), 0u);
  EXPECT_EQ(TCMathUblasUtils::Convolve(a, Math::Vector(0)).size(), 0u);
}

TEST(UblasSignals, ConvolveMatchesFullConvolutionWithKernelLongerThanSignal)
{
  test::Lcg rng;
  Math::Vector a(7), b(12);
  for (auto& x : a)
    x = rng.Next();
  for (auto& x : b)
    x = rng.Next();
  std::vector<double> full(a.size() + b.size() - 1, 0.0);
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = 0; j < b.size(); ++j)
      full[i + j] += a(i) * b(j);
  const Math::Vector r = TCMathUblasUtils::Convolve(a, b);
  ASSERT_EQ(r.size(), a.size());
  for (size_t i = 0; i < a.size(); ++i)
    EXPECT_NEAR(r(i), full[i + b.size() / 2], 1e-14);
}

TEST(UblasSignals, GaussianKernelIsNormalisedAndSymmetric)
{
  const Math::Vector g = TCMathUblasUtils::CreateGaussian1D(1.0);
  ASSERT_EQ(g.size(), 7u);
  EXPECT_NEAR(TCMathUblasUtils::Sum(g), 1.0, 1e-15);
  for (size_t i = 0; i < 3; ++i)
    EXPECT_DOUBLE_EQ(g(i), g(6 - i));
  EXPECT_EQ(TCMathUblasUtils::MaxIndex(g), 3);
  EXPECT_NEAR(g(4) / g(3), std::exp(-0.5), 1e-15);
  EXPECT_EQ(TCMathUblasUtils::CreateGaussian1D(0.0).size(), 0u);
  EXPECT_EQ(Std(TCMathUblasUtils::CreateGaussian1D(0.2)), (V{1.0}));
  EXPECT_EQ(TCMathUblasUtils::CreateGaussian1D(2.5).size(), 15u);
}

TEST(UblasSignals, GaussianKernelRejectsUnusableSigma)
{
  EXPECT_EQ(TCMathUblasUtils::CreateGaussian1D(-1.0).size(), 0u);
  EXPECT_EQ(TCMathUblasUtils::CreateGaussian1D(std::nan("")).size(), 0u);
  EXPECT_EQ(TCMathUblasUtils::CreateGaussian1D(1e300).size(), 0u);
}

TEST(UblasSignals, PeakCentresOfSinglePeaksAndPlateaus)
{
  auto peaks = [](std::initializer_list<double> v) { return TCMathUblasUtils::FindPeakCenters(Vec(v)); };
  EXPECT_EQ(peaks({0, 1, 0}), (V{1}));
  EXPECT_EQ(peaks({0, 2, 2, 0}), (V{1.5}));
  EXPECT_EQ(peaks({3, 1, 3}), (V{0, 2}));
  EXPECT_EQ(peaks({1, 2, 2, 3}), (V{3}));
  EXPECT_EQ(peaks({5, 5, 5}), (V{1}));
  EXPECT_EQ(peaks({4, 4}), (V{0.5}));
  EXPECT_EQ(peaks({4, 3}), (V{0}));
  EXPECT_EQ(peaks({3, 4}), (V{1}));
  EXPECT_EQ(peaks({7}), (V{0}));
  EXPECT_TRUE(peaks({}).empty());
  EXPECT_EQ(peaks({1, 3, 3, 2, 5, 5}), (V{1.5, 4.5}));
  EXPECT_EQ(peaks({0, 2, 2, 3, 1}), (V{3})); // rising plateau dropped
}

TEST(UblasSignals, PeakCentresIgnoreNaNComparisons)
{
  const double nan = std::nan("");
  EXPECT_EQ(TCMathUblasUtils::FindPeakCenters(Vec({0, nan, 0, 2, 1})), (V{3}));
}

TEST(MathInversion, ClosedFormsInvert)
{
  Math::Matrix out(2, 2);
  Math::invert_dbl2x2(Mat({{4, 7}, {2, 6}}), &out);
  EXPECT_NEAR(test::MaxAbsDiff(out, Mat({{0.6, -0.7}, {-0.2, 0.4}})), 0, 1e-15);

  const Math::Matrix a = Mat({{2, -1, 0}, {-1, 2, -1}, {0, -1, 2}});
  Math::Matrix inv3(3, 3), invLu(3, 3);
  Math::invert_dbl3x3(a, &inv3);
  Math::invert_dbl(a, &invLu);
  EXPECT_NEAR(test::MaxAbsDiff(inv3, Mat({{0.75, 0.5, 0.25}, {0.5, 1, 0.5}, {0.25, 0.5, 0.75}})), 0, 1e-15);
  EXPECT_NEAR(test::MaxAbsDiff(invLu, inv3), 0, 1e-14);

  // A non-symmetric 3×3 catches transposed cofactors.
  const Math::Matrix b = Mat({{1, 2, 3}, {0, 1, 4}, {5, 6, 0}});
  Math::invert_dbl3x3(b, &inv3);
  EXPECT_NEAR(test::MaxAbsDiff(test::Mul(b, inv3), Math::ublas::identity_matrix<double>(3)), 0, 1e-13);
}

TEST(MathInversion, SingularMatricesThrowSingular)
{
  Math::Matrix out(2, 2);
  try
  {
    Math::invert_dbl2x2(Mat({{1, 2}, {2, 4}}), &out);
    FAIL() << "no exception";
  }
  catch (const Math::ublas::singular& e)
  {
    EXPECT_STREQ(e.what(), "singular");
  }
  Math::Matrix out3(3, 3), out4(4, 4);
  EXPECT_THROW(Math::invert_dbl3x3(Mat({{1, 2, 3}, {2, 4, 6}, {0, 1, 1}}), &out3), Math::ublas::singular);
  Math::Matrix z(4, 4);
  std::fill(z.data().begin(), z.data().end(), 0.0);
  EXPECT_THROW(Math::invert_dbl(z, &out4), Math::ublas::singular);
}

TEST(MathInversion, WrongShapesThrowAndSmallOutputsAreResized)
{
  Math::Matrix out(1, 1);
  EXPECT_THROW(Math::invert_dbl2x2(Mat({{1, 2, 3}, {4, 5, 6}}), &out), std::invalid_argument);
  EXPECT_THROW(Math::invert_dbl(Mat({{1, 2, 3}, {4, 5, 6}}), &out), std::invalid_argument);
  EXPECT_THROW(Math::invert_dbl2x2(Mat({{1, 0}, {0, 1}}), nullptr), std::invalid_argument);
  Math::invert_dbl2x2(Mat({{2, 0}, {0, 4}}), &out);
  ASSERT_EQ(out.size1(), 2u);
  EXPECT_EQ(out(1, 1), 0.25);
}

TEST(VectorFunctions, ShiftOperatorsAlsoChangeTheirArgument)
{
  Math::Vector v = Vec({1, 2});
  const Math::Vector r = v - 1.5;
  EXPECT_EQ(Std(r), (V{-0.5, 0.5}));
  EXPECT_EQ(Std(v), (V{-0.5, 0.5}));
  const Math::Vector s = v + 2.0;
  EXPECT_EQ(Std(s), (V{1.5, 2.5}));
  EXPECT_EQ(Std(v), (V{1.5, 2.5}));
}

TEST(VectorFunctions, ElementWiseMaps)
{
  EXPECT_EQ(Std(Abs({{3, 4}, {0, -2}})), (V{5, 2}));
  EXPECT_EQ(Std(pow(Vec({2, 3}), 2.0)), (V{4, 9}));
  EXPECT_EQ(Std(sigm(Vec({0}))), (V{0.5}));
  EXPECT_NEAR(sigm(Vec({2}))(0), 1.0 / (1.0 + std::exp(-2.0)), 1e-16);
  EXPECT_NEAR(sin(Vec({M_PI / 2}))(0), 1.0, 1e-16);
  EXPECT_EQ(Std(vecexp(Vec({0}))), (V{1}));
  EXPECT_NEAR(veclog(Vec({0}))(0), -708.3964185322641, 1e-9);
  EXPECT_EQ(veclog(Vec({1}))(0), 0.0);
}
