// The display windows under a virtual X server: each call returns without
// waiting and without faults, including the pictures whose scale has no range.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxGUI.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

namespace
{
class Display : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
      GTEST_SKIP() << "no display (DISPLAY is unset): the window tests need an X server such as xvfb-run";
  }
  void TearDown() override
  {
    if (!IsSkipped())
      TCPxGUI::DestroyAllWindows();
  }
};
} // namespace

TEST_F(Display, HistogramOfAnEmptyMaskShowsNoBars)
{
  TCPx8bitImage image(64, 48);
  cv::randu(*image.GetFullMatPtr(), 0, 256);
  const TCPx8bitImage emptyMask(64, 48);
  TCPxGUI::ShowHistogram(image, L"histogram \u00e9", &emptyMask);
  TCPxGUI::ShowHistogram(image, L"histogram \u00e9");
  TCPxGUI::DestroyWindow(L"histogram \u00e9");
}

TEST_F(Display, ImagesContoursAndConstantFloatImagesAreShown)
{
  TCPx24bitImage colour(40, 30);
  cv::randu(*colour.GetFullMatPtr(), 0, 256);
  TCPxGUI::ShowImage(colour, L"colour");

  TCPxFloatImage constant(40, 30);
  constant.GetFullMatPtr()->setTo(3.5f);
  TCPxGUI::ShowScaledImage(constant, L"scaled");
  TCPxFloatImage ramp(40, 30);
  cv::randu(*ramp.GetFullMatPtr(), -5.0, 5.0);
  TCPxGUI::ShowScaledImage(ramp, L"scaled");

  const TCPxContour triangle(std::vector<cv::Point>{{2, 2}, {30, 5}, {10, 25}});
  TCPxGUI::ShowContour(&triangle, 40, 30, L"contour");
  TCPxGUI::ShowContour(nullptr, 40, 30, L"contour");
  TCPxGUI::DestroyWindow(L"contour");
}
