#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include <opencv2/core.hpp>

#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "CORFReference.h"
#include "FilterTestSupport.h"

using filtertest::View;

namespace
{
using pixolan_test::LiteralCORF;

TCPxFloatImage EdgeAndNoise(int w, int h, unsigned seed)
{
  TCPxFloatImage image(w, h);
  filtertest::Noise(image, seed);
  View(image) *= 0.2;
  View(image)(cv::Rect(w / 3, 0, w - w / 3, h)) += 180.0; // a vertical step at x = w / 3
  return image;
}
} // namespace

TEST(CORF, RadiiAndHalfSizeFollowSigmaWhileItStaysInRange)
{
  TCPxFilterCORF corf;
  EXPECT_EQ(corf.GetRadii(), (std::vector<double>{3.0515, 6.1992, 12.6488, 24.62}));
  EXPECT_EQ(corf.GetHalfSize(), 26);
  EXPECT_FALSE(corf.GetTuples().empty());
  corf.SetSigma(1.5);
  EXPECT_EQ(corf.GetHalfSize(), 16);
  EXPECT_EQ(corf.GetMaxRadius(), 14.38);
  corf.SetSigma(4.5);
  EXPECT_EQ(corf.GetHalfSize(), 36);
  EXPECT_EQ(corf.GetRadii().size(), 5u);
  corf.SetSigma(6.0); // stored, radii kept ...
  EXPECT_EQ(corf.GetSigma(), 6.0);
  EXPECT_EQ(corf.GetHalfSize(), 36);
  corf.SetSigma(3.0); // ... and from now on ignored
  EXPECT_EQ(corf.GetSigma(), 6.0);
}

// The restructured operator against the literal one in all three bands of sigma.
TEST(CORF, MatchesTheLiteralOperatorAndPeaksOnTheEdge)
{
  for (double sigma : {1.5, 2.5, 4.5})
  {
    SCOPED_TRACE(sigma);
    TCPxFilterCORF corf;
    corf.SetSigma(sigma);
    const TCPxFloatImage image = EdgeAndNoise(120, 90, 7);
    const TCPxFloatImage expected = LiteralCORF(corf, image);
    TCPxFloatImage source(image), out(120, 90);
    corf.ProcessImage(&source, &out);
    EXPECT_EQ(cv::norm(View(source), View(image), cv::NORM_INF), 0.0); // source untouched
    double peak = 0;
    cv::minMaxLoc(View(expected), nullptr, &peak);
    ASSERT_GT(peak, 0);
    EXPECT_LE(cv::norm(View(out), View(expected), cv::NORM_INF), 1e-5 * peak);

    // Along a middle row the strongest response sits on the step's columns.
    cv::Point at;
    cv::minMaxLoc(View(out).row(45)(cv::Rect(10, 0, 100, 1)), nullptr, nullptr, nullptr, &at);
    EXPECT_NEAR(at.x + 10, 40, 2);
  }
}

TEST(CORF, ConstantImagesGiveZeroAndCopiesAndImageTypesAgree)
{
  TCPxFilterCORF corf;
  TCPxFloatImage flat(64, 48);
  flat.Fill(100.0f);
  corf.ProcessImage(&flat, nullptr);
  EXPECT_EQ(cv::norm(View(flat), cv::NORM_INF), 0.0);

  // A copy filters like the original; an 8-bit source gives the float response
  // into a float destination and its normalised bytes in place.
  TCPxFilterCORF copy(corf);
  TCPx8bitImage bytes(64, 48);
  filtertest::Noise(bytes, 4);
  TCPxFloatImage asFloat(bytes), fromBytes(64, 48), expected(64, 48);
  corf.ProcessImage(&bytes, &fromBytes);
  copy.ProcessImage(&asFloat, &expected);
  EXPECT_EQ(cv::norm(View(fromBytes), View(expected), cv::NORM_INF), 0.0);
  expected.Normalize();
  expected *= 255.0f;
  corf.ProcessImage(&bytes, nullptr);
  cv::Mat rounded;
  View(expected).convertTo(rounded, CV_8U);
  EXPECT_EQ(cv::norm(View(bytes), rounded, cv::NORM_INF), 0.0);
}
