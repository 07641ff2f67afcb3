#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include <opencv2/imgproc.hpp>

#include <pixolan/pixolan.h>

#include "FilterTestSupport.h"

using filtertest::MaxDiff;
using filtertest::Noise;
using filtertest::View;

namespace
{
// Independent SNN: the pair rule written out per pixel.
int NaiveSnn(const cv::Mat& m, int x, int y, int r)
{
  const int v = m.at<uchar>(y, x);
  int sum = 0, count = 0;
  auto pick = [&](int i, int j) {
    const int a = m.at<uchar>(y + j, x + i), b = m.at<uchar>(y - j, x - i);
    sum += std::abs(a - v) < std::abs(b - v) ? a : b;
    ++count;
  };
  for (int i = -r; i <= -1; ++i)
    for (int j = -r; j <= r - 1; ++j)
      pick(i, j);
  for (int j = -r; j <= 0; ++j)
    pick(0, j);
  return sum / count;
}
} // namespace

TEST(GaussFilter, MatchesOpenCvAndUsesReflect101InsideTheImage)
{
  TCPx8bitImage image(40, 30), out(40, 30);
  Noise(image, 1);
  // A full ROI reaches the image edge: the border handling (constant 0 by default) applies.
  TCPxFilterGauss(5, 1.5).ProcessImage(&image, &out);
  cv::Mat floats, blurred, expected, edged;
  View(image).convertTo(floats, CV_32F);
  cv::GaussianBlur(floats, edged, cv::Size(5, 5), 1.5, 1.5, cv::BORDER_CONSTANT);
  edged.convertTo(expected, CV_8U);
  EXPECT_EQ(cv::norm(View(out), expected, cv::NORM_INF), 0.0);
  cv::GaussianBlur(floats, blurred, cv::Size(5, 5), 1.5, 1.5, cv::BORDER_REFLECT_101);

  // ROI well inside: reflect-101 whatever the border handling, and the
  // neighbourhood comes from the image around the ROI.
  TCPxFloatImage f(40, 30);
  floats.copyTo(View(f));
  f.SetROI(TCGenRect<int>(5, 5, 35, 25));
  TCPxFilterGauss g(5, 1.5);
  g.SetBorderHandling(Px::BorderConstant);
  g.ProcessImage(&f, nullptr);
  EXPECT_LT(MaxDiff(View(f), blurred, cv::Rect(5, 5, 30, 20)), 1e-4);
  EXPECT_EQ(MaxDiff(View(f), floats, cv::Rect(0, 0, 40, 5)), 0.0);

  TCPx8bitImage before(image);
  TCPxFilterGauss(4, 1.0).ProcessImage(&image, nullptr);
  TCPxFilterGauss(0, 1.0).ProcessImage(&image, nullptr);
  EXPECT_TRUE(image == before);
}

TEST(DoGFilter, SigmaSettersAndNormalisedBytes)
{
  TCPxFilterDoG dog(5, 0.0, 2.0);
  dog.SetSigma1(2.0);
  EXPECT_EQ(dog.GetSigma1(), 0.0);
  dog.SetSigma2(3.0);
  EXPECT_EQ(dog.GetSigma2(), 3.0);

  TCPx8bitImage image(30, 30), out(30, 30);
  image.Circle(TCGenPoint<int>(15, 15), 6, 200, 1, true);
  TCPxFilterDoG(7, 1.0, 3.0).ProcessImage(&image, &out);
  EXPECT_EQ(out.GetMinimumValue(), 0);
  EXPECT_EQ(out.GetMaximumValue(), 255);

  TCPxFloatImage f(30, 30);
  View(image).convertTo(View(f), CV_32F);
  TCPxFilterDoG(7, 1.0, 3.0).ProcessImage(&f, nullptr);
  cv::Mat g1 = cv::getGaussianKernel(7, 1.0, CV_32F), g2 = cv::getGaussianKernel(7, 3.0, CV_32F);
  cv::Mat expected, input;
  View(image).convertTo(input, CV_32F);
  cv::filter2D(input, expected, -1, g1 * g1.t() - g2 * g2.t(), cv::Point(-1, -1), 0, cv::BORDER_CONSTANT);
  EXPECT_LT(cv::norm(View(f), expected, cv::NORM_INF), 1e-3);
}

TEST(CannyFilter, GreyMatchesOpenCvAndFloatSourceStaysUnchanged)
{
  TCPx8bitImage image(40, 40), out(40, 40);
  image.Rectangle(TCGenRect<int>(10, 10, 30, 30), 200);
  TCPxFilterCanny().ProcessImage(&image, &out);
  cv::Mat expected;
  cv::Canny(View(image), expected, 255, 127, 3, false);
  EXPECT_EQ(cv::norm(View(out), expected, cv::NORM_INF), 0.0);

  TCPxFloatImage f(40, 40), fout(40, 40);
  View(image).convertTo(View(f), CV_32F, 0.01);
  const cv::Mat before = View(f).clone();
  TCPxFilterCanny().ProcessImage(&f, &fout);
  EXPECT_EQ(cv::norm(View(f), before, cv::NORM_INF), 0.0);
  cv::Mat edgesAsFloat;
  View(out).convertTo(edgesAsFloat, CV_32F);
  EXPECT_EQ(cv::norm(View(fout), edgesAsFloat, cv::NORM_INF), 0.0);
}

TEST(GradientFilter, CentralDifferencesAndMagnitude)
{
  TCPxFloatImage row(4, 1);
  for (int x = 0; x < 4; ++x)
    row.SetPixel(x, 0, 2.0f * x);
  TCPxFilterGradient(3, Px::GradientHorizontal).ProcessImage(&row, nullptr);
  for (int x = 0; x < 4; ++x)
    EXPECT_EQ(row.GetPixel(x, 0), 2.0f);

  TCPxFloatImage column(2, 3);
  column.SetPixel(1, 0, 1.0f);
  column.SetPixel(1, 1, 5.0f);
  column.SetPixel(1, 2, 6.0f);
  TCPxFloatImage dcol(2, 3);
  TCPxFilterGradient(3, Px::GradientVertical).ProcessImage(&column, &dcol);
  EXPECT_EQ(dcol.GetPixel(1, 0), 4.0f);
  EXPECT_EQ(dcol.GetPixel(1, 1), 2.5f);
  EXPECT_EQ(dcol.GetPixel(1, 2), 1.0f);

  TCPxFloatImage thin(1, 5);
  TCPxFloatImage thinBefore(thin);
  TCPxFilterGradient(3, Px::GradientHorizontal).ProcessImage(&thin, nullptr); // one column: nothing to difference
  EXPECT_TRUE(thin == thinBefore);

  // Magnitude from an 8-bit source into a float destination.
  TCPx8bitImage ramp(20, 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      ramp.SetPixelFast(x, y, static_cast<unsigned char>(3 * x + 4 * y));
  TCPxFloatImage magnitude(20, 20);
  TCPxFilterGradientMagnitude(3).ProcessImage(&ramp, &magnitude);
  // Sobel of a plane: 8 x slope in each direction.
  EXPECT_FLOAT_EQ(magnitude.GetPixel(10, 10), static_cast<float>(std::hypot(24.0, 32.0)));
  TCPx8bitImage greyMagnitude(20, 20);
  TCPxFilterGradientMagnitude(3).ProcessImage(&ramp, &greyMagnitude);
  EXPECT_EQ(greyMagnitude.GetPixelFast(10, 10), 40);
  TCPx8bitImage rampBefore(ramp);
  TCPxFilterGradientMagnitude(1).ProcessImage(&ramp, nullptr);
  EXPECT_TRUE(ramp == rampBefore);
}

TEST(MaskFilters, LaplaceLowpassHighpassOnTheInterior)
{
  TCPx8bitImage image(30, 20);
  Noise(image, 2);
  TCPx8bitImage lap(30, 20), low(30, 20);
  lap.Fill(9);
  TCPxFilterLaplace(3).ProcessImage(&image, &lap);
  TCPxFilterLowpass(5).ProcessImage(&image, &low);
  cv::Mat mask3(3, 3, CV_32F, cv::Scalar(-1.0f));
  mask3.at<float>(1, 1) = 8.0f;
  cv::Mat expectedLap, expectedLow;
  cv::filter2D(View(image), expectedLap, CV_8U, mask3);
  cv::blur(View(image), expectedLow, cv::Size(5, 5));
  EXPECT_EQ(MaxDiff(View(lap), expectedLap, cv::Rect(1, 1, 27, 17)), 0.0);
  EXPECT_EQ(MaxDiff(View(low), expectedLow, cv::Rect(2, 2, 25, 15)), 0.0);
  EXPECT_EQ(lap.GetPixelFast(28, 18), 9); // band untouched
  TCPx8bitImage constant(10, 10);
  constant.Fill(100);
  TCPxFilterHighpass(3).ProcessImage(&constant, nullptr);
  EXPECT_EQ(constant.GetPixelFast(5, 5), 0);
  EXPECT_EQ(constant.GetPixelFast(0, 0), 100);
  TCPx8bitImage before(image);
  TCPxFilterLaplace(1).ProcessImage(&image, nullptr);
  TCPxFilterLowpass(0).ProcessImage(&image, nullptr);
  EXPECT_TRUE(image == before);
}

TEST(ContrastFilter, SymmetricKernelOverTheValidRectangle)
{
  double sum = 0;
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c)
    {
      EXPECT_EQ(TCPxFilterContrast::KernelValue(r, c), TCPxFilterContrast::KernelValue(c, r));
      EXPECT_EQ(TCPxFilterContrast::KernelValue(r, c), TCPxFilterContrast::KernelValue(8 - r, c));
      sum += TCPxFilterContrast::KernelValue(r, c);
    }
  EXPECT_NEAR(sum, 0.0, 0.02);
  EXPECT_FLOAT_EQ(TCPxFilterContrast::KernelValue(4, 4), 0.719623029f);
  TCPx8bitImage image(30, 30), out(30, 30);
  Noise(image, 3);
  TCPxFilterContrast().ProcessImage(&image, &out);
  cv::Mat kernel(9, 9, CV_32F), expected;
  for (int r = 0; r < 9; ++r)
    for (int c = 0; c < 9; ++c)
      kernel.at<float>(r, c) = TCPxFilterContrast::KernelValue(r, c);
  cv::filter2D(View(image), expected, CV_8U, kernel);
  EXPECT_EQ(MaxDiff(View(out), expected, cv::Rect(4, 4, 22, 22)), 0.0);
  EXPECT_EQ(out.GetPixelFast(3, 3), 0);
}

TEST(SmoothingFilters, ConstantsStayAndOutputsMatchIndependentFormulas)
{
  TCPx8bitImage constant(20, 20);
  constant.Fill(77);
  for (TCPxImageFilter* f : std::initializer_list<TCPxImageFilter*>{
           new TCPxFilterKuwahara(5), new TCPxFilterSNN(3), new TCPxFilterBilateral(5), new TCPxFilterPMDiffusion()})
  {
    TCPx8bitImage work(constant);
    f->ProcessImage(&work, nullptr);
    EXPECT_TRUE(work == constant);
    delete f;
  }

  TCPx8bitImage image(24, 18), snn(24, 18);
  Noise(image, 4);
  TCPxFilterSNN(3).ProcessImage(&image, &snn); // r = 2
  for (int y = 2; y < 16; ++y)
    for (int x = 2; x < 22; ++x)
      ASSERT_EQ(snn.GetPixelFast(x, y), NaiveSnn(View(image), x, y, 2)) << x << "," << y;
  EXPECT_EQ(snn.GetPixelFast(1, 1), 0);

  // Kuwahara keeps a step edge sharp where a mean would blur it.
  TCPx8bitImage step(20, 20);
  step.Rectangle(TCGenRect<int>(10, 0, 19, 19), 200);
  TCPxFilterKuwahara(5).ProcessImage(&step, nullptr);
  EXPECT_EQ(step.GetPixelFast(9, 10), 0);
  EXPECT_EQ(step.GetPixelFast(10, 10), 200);

  TCPx8bitImage bilateral(30, 30);
  Noise(bilateral, 5);
  cv::Mat expected;
  cv::bilateralFilter(View(bilateral), expected, 5, 150, 3);
  TCPx8bitImage bout(30, 30);
  TCPxFilterBilateral(5).ProcessImage(&bilateral, &bout);
  EXPECT_LE(MaxDiff(View(bout), expected, cv::Rect(2, 2, 26, 26)), 1.0);

  TCPx8bitImage noisy(32, 32);
  Noise(noisy, 6);
  cv::Scalar mean0, sd0, mean1, sd1;
  cv::meanStdDev(View(noisy), mean0, sd0);
  TCPxFilterPMDiffusion().ProcessImage(&noisy, nullptr);
  cv::meanStdDev(View(noisy), mean1, sd1);
  EXPECT_LT(sd1[0], sd0[0] * 0.8);
}

TEST(ConvolutionFilter, SameFullAndValid)
{
  TCPxFloatImage kernel(3, 3);
  kernel.SetPixel(2, 1, 1.0f); // picks the right neighbour under correlation
  TCPx8bitImage image(10, 8);
  Noise(image, 7);
  TCPx8bitImage same(10, 8);
  TCPxFilterConvolution(&kernel, Px::ConvolutionSame).ProcessImage(&image, &same);
  EXPECT_EQ(same.GetPixelFast(3, 4), image.GetPixelFast(4, 4));

  TCPx8bitImage full(12, 10);
  TCPxFilterConvolution(&kernel, Px::ConvolutionFull).ProcessImage(&image, &full);
  // The true convolution: out(x, y) = sum in(x - j, y - i) k(j, i), so the
  // single weight at column 2, row 1 moves every pixel by (2, 1).
  EXPECT_EQ(full.GetPixelFast(2, 1), image.GetPixelFast(0, 0));
  EXPECT_EQ(full.GetPixelFast(11, 8), image.GetPixelFast(9, 7));
  EXPECT_EQ(full.GetPixelFast(0, 0), 0);

  TCPx8bitImage valid(10, 8), untouched(10, 8);
  valid.Fill(3);
  untouched.Fill(3);
  TCPxFilterConvolution(&kernel, Px::ConvolutionValid).ProcessImage(&image, &valid);
  EXPECT_TRUE(valid == untouched);
  TCPx8bitImage wrongSize(10, 8);
  TCPxFilterConvolution(&kernel, Px::ConvolutionFull).ProcessImage(&image, &wrongSize);
  EXPECT_EQ(wrongSize.CountNonZero(), 0);

  TCPxFilterConvolution original(&kernel, Px::ConvolutionSame);
  TCPxFilterConvolution copy(original);
  EXPECT_NE(copy.GetKernel(), original.GetKernel());
  EXPECT_TRUE(*copy.GetKernel() == kernel);
  EXPECT_EQ(TCPxFilterFactory::Instance()->Create(Px::Convolution), nullptr);
}

TEST(FourierFilter, SpectrumView)
{
  TCPx8bitImage zero(6, 4);
  TCPxFilterFourier().ProcessImage(&zero, nullptr);
  EXPECT_EQ(zero.GetMinimumValue(), 255);
  TCPx8bitImage image(3, 3), out(3, 3);
  image.SetPixelFast(1, 1, 10);
  image.SetPixelFast(2, 2, 20);
  TCPxFilterFourier().ProcessImage(&image, &out);
  const int expected[3][3] = {{225, 238, 238}, {238, 238, 225}, {238, 225, 238}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(out.GetPixelFast(x, y), expected[y][x]) << x << "," << y;
}

TEST(NoiseFilters, EqualizeAndSeededGaussianNoise)
{
  TCPx8bitImage image(16, 16), out(16, 16);
  for (int i = 0; i < 256; ++i)
    image.SetPixelFast(i % 16, i / 16, static_cast<unsigned char>(100 + i / 8));
  TCPxFilterEqualizeHistogram().ProcessImage(&image, &out);
  EXPECT_EQ(out.GetMaximumValue(), 255);
  EXPECT_EQ(image.GetMaximumValue(), 131);

  TCPx8bitImage flat(50, 50);
  flat.Fill(100);
  TCPx8bitImage before(flat);
  TCPxFilterAddGaussianNoise(0, 0).ProcessImage(&flat, nullptr);
  EXPECT_TRUE(flat == before);
  TCPxFilterAddGaussianNoise(-10, 0).ProcessImage(&flat, nullptr); // a signed mean
  EXPECT_EQ(flat.GetPixelFast(3, 3), 90);

  TCPxFilterAddGaussianNoise::SetSeed(42);
  TCPx8bitImage a(before), b(before);
  TCPxFilterAddGaussianNoise(0, 25).ProcessImage(&a, nullptr);
  TCPxFilterAddGaussianNoise::SetSeed(42);
  TCPxFilterAddGaussianNoise(0, 25).ProcessImage(&b, nullptr);
  EXPECT_TRUE(a == b);
  cv::Scalar mean, sd;
  cv::meanStdDev(View(a), mean, sd);
  EXPECT_NEAR(mean[0], 100.0, 0.5);
  EXPECT_NEAR(sd[0], 5.0, 0.4);
}
