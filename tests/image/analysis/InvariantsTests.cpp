#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <opencv2/imgproc.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxInvariants.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

namespace
{
const double kPi = 3.14159265358979323846;

// An irregular quadrilateral with a notch: no symmetry, so every invariant is
// far from zero and a relative comparison means something.
std::vector<cv::Point> Blob(double scale = 1.0, double shear = 0.0, cv::Point2d at = {150, 150})
{
  const cv::Point2d v[] = {{-60, -45}, {55, -30}, {70, 40}, {10, 20}, {-20, 65}, {-50, 30}};
  std::vector<cv::Point> p;
  for (const cv::Point2d& q : v)
  {
    const double x = scale * (q.x + shear * q.y);
    const double y = scale * q.y;
    p.emplace_back(cvRound(at.x + x), cvRound(at.y + y));
  }
  return p;
}

cv::Mat Filled(const std::vector<cv::Point>& poly, int w = 400, int h = 400, unsigned char value = 1)
{
  cv::Mat m = cv::Mat::zeros(h, w, CV_8U);
  cv::fillPoly(m, std::vector<std::vector<cv::Point>>{poly}, cv::Scalar(value));
  return m;
}

// The blob mapped by (x, y) -> scale (x + shear y, y) and drawn with vertices
// at 1/256 pixel, so the redrawn shapes differ by rasterisation only.
cv::Mat FilledBlob(double scale, double shear, cv::Point2d at, int size)
{
  std::vector<cv::Point> p = Blob(256 * scale, shear, at * 256);
  cv::Mat m = cv::Mat::zeros(size, size, CV_8U);
  cv::fillPoly(m, std::vector<std::vector<cv::Point>>{p}, cv::Scalar(1), cv::LINE_8, 8);
  return m;
}

TCPx8bitImage Grey(const cv::Mat& m)
{
  TCPx8bitImage img(m.cols, m.rows);
  m.copyTo(*img.GetMatPtr());
  return img;
}

TCPxFloatImage Float(const cv::Mat& m)
{
  TCPxFloatImage img(m.cols, m.rows);
  m.convertTo(*img.GetMatPtr(), CV_32F);
  return img;
}

TCPxContour Outline(const cv::Mat& mask)
{
  std::vector<std::vector<cv::Point>> found;
  cv::findContours(mask.clone(), found, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
  return TCPxContour(found.at(0));
}

void ExpectRelNear(const std::vector<double>& a, const std::vector<double>& b, double rel, std::size_t first = 0)
{
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = first; i < a.size(); ++i)
    EXPECT_NEAR(a[i], b[i], rel * std::abs(b[i])) << "value " << i;
}
} // namespace

// Hu and Dudani against OpenCV on the ROI, grey values counting as 1.
TEST(Invariants, HuAndDudaniFollowOpenCVOnTheRoi)
{
  cv::Mat mask = Filled(Blob(), 400, 400, 7);
  mask(cv::Rect(100, 100, 20, 20)).setTo(200);
  mask.at<unsigned char>(5, 5) = 9; // outside the ROI below
  TCPx8bitImage grey = Grey(mask);
  TCPxFloatImage flt = Float(mask);
  const TCGenRect<int> roi(40, 60, 380, 390);
  grey.SetROI(roi);
  flt.SetROI(roi);

  const cv::Mat binary = (mask(cv::Rect(40, 60, 340, 330)) != 0) / 255;
  const cv::Moments ref = cv::moments(binary, false);
  double hu[7];
  cv::HuMoments(ref, hu);
  const std::vector<double> h = TCPxInvariants::CalculateHuInvariants(grey);
  ASSERT_EQ(h.size(), 7u);
  for (int i = 0; i < 7; ++i)
    EXPECT_NEAR(h[i], hu[i], 1e-12 * std::abs(hu[i])) << i;

  const double s = std::sqrt(ref.nu20 + ref.nu02);
  const double expected[7] = {s,
                              hu[1] / std::pow(s, 4),
                              hu[2] / std::pow(s, 6),
                              hu[3] / std::pow(s, 6),
                              hu[4] / std::pow(s, 12),
                              hu[5] / std::pow(s, 8),
                              hu[6] / std::pow(s, 12)};
  const std::vector<double> d = TCPxInvariants::CalculateDudaniInvariants(flt);
  ASSERT_EQ(d.size(), 7u);
  for (int i = 0; i < 7; ++i)
    EXPECT_NEAR(d[i], expected[i], 1e-9 * std::abs(expected[i])) << i;

  // The contour rule is the same helper: a contour of the blob agrees with OpenCV too.
  TCPxContour c(Blob());
  const std::vector<double> ch = TCPxInvariants::GetHuMoments(&c);
  double chRef[7];
  cv::HuMoments(cv::moments(Blob()), chRef);
  for (int i = 0; i < 7; ++i)
    EXPECT_NEAR(ch[i], chRef[i], 1e-12 * std::abs(chRef[i])) << i;
  EXPECT_NEAR(c.GetDudaniMoments()[1], chRef[1] / std::pow(chRef[0], 2), 1e-12);
}

TEST(Invariants, EmptyInputsGiveTheirSentinels)
{
  EXPECT_TRUE(TCPxInvariants::GetHuMoments(nullptr).empty());
  TCPx8bitImage grey(30, 20);
  TCPxFloatImage flt(30, 20);
  EXPECT_EQ(TCPxInvariants::CalculateHuInvariants(grey), std::vector<double>(7, 0.0));
  for (double v : TCPxInvariants::CalculateDudaniInvariants(flt))
    EXPECT_TRUE(std::isnan(v));
  EXPECT_EQ(TCPxInvariants::CalculateFlusserInvariants(grey), std::vector<double>(6, 0.0));
  EXPECT_EQ(TCPxInvariants::CalculateFlusserInvariants(flt), std::vector<double>(6, 0.0));
  EXPECT_EQ(TCPxInvariants::CalculateFlusserInvariants(TCPxContour()), std::vector<double>(6, 0.0));
  // Values that cancel to a zero mass count as empty in the float form.
  flt.SetPixel(3, 3, 2.0f);
  flt.SetPixel(9, 4, -2.0f);
  EXPECT_EQ(TCPxInvariants::CalculateFlusserInvariants(flt), std::vector<double>(6, 0.0));
}

// Hand values: an n x n square has sum(u^2 + v^2) = n^2 (n^2 - 1) / 6 over
// n^2 pixels and pixel area n^2; a disc tends to 1 / (2 pi). Both are
// centrally symmetric, so every odd moment, and psi2 ... psi6, vanish.
TEST(Invariants, ContourFlusserOfSquareAndDisc)
{
  const int n = 41;
  const TCPxContour square(Outline(Filled({{10, 20}, {10 + n - 1, 20}, {10 + n - 1, 20 + n - 1}, {10, 20 + n - 1}})));
  const std::vector<double> ps = TCPxInvariants::CalculateFlusserInvariants(square);
  ASSERT_EQ(ps.size(), 6u);
  EXPECT_NEAR(ps[0], (n * n - 1.0) / (6.0 * n * n), 1e-12);
  for (int i = 1; i < 6; ++i)
    EXPECT_NEAR(ps[i], 0.0, 1e-12) << i;

  cv::Mat disc = cv::Mat::zeros(300, 300, CV_8U);
  cv::circle(disc, {150, 140}, 90, cv::Scalar(1), cv::FILLED);
  const std::vector<double> pd = TCPxInvariants::CalculateFlusserInvariants(Outline(disc));
  EXPECT_NEAR(pd[0], 1.0 / (2.0 * kPi), 0.01 / (2.0 * kPi));
  for (int i = 1; i < 6; ++i)
    EXPECT_NEAR(pd[i], 0.0, 1e-6) << i;
}

// The right triangle's centre of gravity is far from its box centre: the
// whole shape must still be drawn, so psi1 (the scale-normalised polar
// moment) matches Hu's h0 of the outline.
TEST(Invariants, ContourFlusserKeepsAsymmetricShapesWhole)
{
  TCPxContour triangle(Outline(Filled({{20, 20}, {260, 20}, {20, 180}})));
  const std::vector<double> p = TCPxInvariants::CalculateFlusserInvariants(triangle);
  const double h0 = TCPxInvariants::GetHuMoments(&triangle)[0];
  EXPECT_NEAR(p[0], h0, 0.005 * h0);
  // Far from the origin and with an ROI: only the shape matters.
  TCPxContour moved(Outline(Filled({{120, 220}, {360, 220}, {120, 380}})));
  moved.SetROIRect(TCGenRect<int>(5, 5, 500, 500));
  ExpectRelNear(TCPxInvariants::CalculateFlusserInvariants(moved), p, 1e-12);
}

// Transposing the shape maps u + iv to i (u - iv): c(p, q) becomes
// i^p (-i)^q conj(c(p, q)), so psi3 and psi6 change sign, the rest are equal.
TEST(Invariants, ContourFlusserOfTransposedShape)
{
  const cv::Mat blob = Filled(Blob());
  const std::vector<double> a = TCPxInvariants::CalculateFlusserInvariants(Outline(blob));
  std::vector<double> b = TCPxInvariants::CalculateFlusserInvariants(Outline(blob.t()));
  b[2] = -b[2];
  b[5] = -b[5];
  ExpectRelNear(b, a, 1e-9);
  const cv::Mat rect = Filled({{30, 40}, {130, 40}, {130, 90}, {30, 90}});
  ExpectRelNear(TCPxInvariants::CalculateFlusserInvariants(Outline(rect.t())),
                TCPxInvariants::CalculateFlusserInvariants(Outline(rect)), 1e-12);
}

// A brute-force reference for invariants 1 and 2: central moments summed
// pixel by pixel and the fifth-order corrections written out term by term.
TEST(Invariants, ImageFormsMatchDirectSums)
{
  cv::Mat mask = Filled(Blob(0.5), 160, 160, 1);
  const TCPx8bitImage grey = Grey(mask);
  double m00 = 0, sx = 0, sy = 0;
  for (int y = 0; y < mask.rows; ++y)
    for (int x = 0; x < mask.cols; ++x)
      if (mask.at<unsigned char>(y, x))
        m00 += 1, sx += x, sy += y;
  auto mu = [&](int k, int l) {
    double s = 0;
    for (int y = 0; y < mask.rows; ++y)
      for (int x = 0; x < mask.cols; ++x)
        if (mask.at<unsigned char>(y, x))
          s += std::pow(x - sx / m00, k) * std::pow(y - sy / m00, l);
    return s;
  };
  const double u30 = mu(3, 0), u21 = mu(2, 1), u12 = mu(1, 2), u03 = mu(0, 3);
  const double u20 = mu(2, 0), u11 = mu(1, 1), u02 = mu(0, 2);
  const double c50 = mu(5, 0) - 10 * u30 * u20 / m00;
  const double c41 = mu(4, 1) - 2 * (2 * u30 * u11 + 3 * u21 * u20) / m00;
  const double c32 = mu(3, 2) - (3 * u12 * u20 + u30 * u02 + 6 * u21 * u11) / m00;
  const double c23 = mu(2, 3) - (3 * u21 * u02 + u20 * u03 + 6 * u12 * u11) / m00;
  const double c14 = mu(1, 4) - 2 * (2 * u03 * u11 + 3 * u12 * u02) / m00;
  const double c05 = mu(0, 5) - 10 * u03 * u02 / m00;
  const double i1 = (u30 * u30 + u03 * u03 - 6 * u30 * u21 * u12 * u03 + 4 * u30 * std::pow(u12, 3) +
                     4 * std::pow(u21, 3) * u03 - 3 * u21 * u21 * u12 * u12) /
                    std::pow(m00, 10);
  const double i2 = (c05 * c05 + c50 * c50 - 10 * c50 * c41 * c14 * c05 + 4 * c50 * c32 * c23 * c05 +
                     16 * c50 * c32 * c14 * c14 - 12 * c50 * c23 * c23 * c14 + 16 * c41 * c41 * c23 * c05 +
                     9 * c41 * c41 * c14 * c14 - 12 * c41 * c32 * c32 * c05 - 76 * c41 * c32 * c23 * c14 +
                     48 * c41 * std::pow(c23, 3) + 48 * std::pow(c32, 3) * c14 - 32 * c32 * c32 * c23 * c23) /
                    std::pow(m00, 14);
  const std::vector<double> g = TCPxInvariants::CalculateFlusserInvariants(grey);
  ASSERT_EQ(g.size(), 6u);
  EXPECT_NEAR(g[0], i1, 1e-9 * std::abs(i1));
  EXPECT_NEAR(g[1], i2, 1e-9 * std::abs(i2));
  // On a 0/1 image both weightings agree: the float form gives the first four.
  const std::vector<double> f = TCPxInvariants::CalculateFlusserInvariants(Float(mask));
  ASSERT_EQ(f.size(), 4u);
  ExpectRelNear(f, std::vector<double>(g.begin(), g.begin() + 4), 1e-9);
}

// Exact raster maps: a shift, a quarter turn and the integer shear
// (x, y) -> (x + y, y) move every pixel onto a pixel, so the invariants must
// agree to rounding. Invariants 1 and 2 lead with sums of squares and follow
// the shift and the quarter turn only.
TEST(Invariants, ImageFormsUnderExactRasterMaps)
{
  const cv::Mat mask = Filled(Blob(), 400, 400, 1);
  const std::vector<double> base = TCPxInvariants::CalculateFlusserInvariants(Grey(mask));
  ASSERT_EQ(base.size(), 6u);
  for (double v : base)
    EXPECT_NE(v, 0.0);

  cv::Mat shifted = cv::Mat::zeros(mask.size(), CV_8U);
  mask(cv::Rect(0, 0, 370, 390)).copyTo(shifted(cv::Rect(30, 10, 370, 390)));
  ExpectRelNear(TCPxInvariants::CalculateFlusserInvariants(Grey(shifted)), base, 1e-9);

  cv::Mat turned;
  cv::rotate(mask, turned, cv::ROTATE_90_CLOCKWISE);
  ExpectRelNear(TCPxInvariants::CalculateFlusserInvariants(Grey(turned)), base, 1e-9);
  ExpectRelNear(TCPxInvariants::CalculateFlusserInvariants(Float(turned)),
                TCPxInvariants::CalculateFlusserInvariants(Float(mask)), 1e-9);

  cv::Mat sheared = cv::Mat::zeros(mask.rows, mask.cols + mask.rows, CV_8U);
  for (int y = 0; y < mask.rows; ++y)
    for (int x = 0; x < mask.cols; ++x)
      sheared.at<unsigned char>(y, x + y) = mask.at<unsigned char>(y, x);
  ExpectRelNear(TCPxInvariants::CalculateFlusserInvariants(Grey(sheared)), base, 1e-9, 2);
}

// A redraw at 1.4 times the size with a shear of 0.35: invariants 3 to 6 are
// affine invariants and agree up to rasterisation.
TEST(Invariants, ImageFormsUnderScaledAndShearedRedraw)
{
  // Large drawings: the seventh-order moments are sensitive to the staircase edge.
  const std::vector<double> a =
      TCPxInvariants::CalculateFlusserInvariants(Grey(FilledBlob(5.0, 0.0, {750, 750}, 1500)));
  const std::vector<double> b =
      TCPxInvariants::CalculateFlusserInvariants(Grey(FilledBlob(7.0, 0.35, {1050, 1050}, 2100)));
  ExpectRelNear(b, a, 0.03, 2);
}
