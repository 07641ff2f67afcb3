#include <pixolan/analysis/TCPxGUI.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/highgui.hpp>
#include <opencv2/imgproc.hpp>

#include <general/GenConvert.h>
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxHistogram.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxByteImage.h>
#include <pixolan/model/TCPxFloatImage.h>

namespace
{
void ShowMat(const cv::Mat& picture, const std::wstring& name)
{
  const std::string narrow = Gen::convert2nstringa(name);
  cv::namedWindow(narrow, cv::WINDOW_AUTOSIZE);
  cv::imshow(narrow, picture);
  cv::waitKey(1);
}

/// The image's DIB block with the width replaced by the row stride in pixels,
/// so that padded rows are addressed at the image's stride. Null when the
/// image has no buffer.
std::unique_ptr<BITMAPINFOHEADER[]> StrideHeader(const TCPxByteImage& image)
{
  if (!image.GetBuffer() || image.GetPixelSize() <= 0)
    return nullptr;
  std::unique_ptr<BITMAPINFOHEADER[]> header(image.CloneDibHeader());
  header[0].biWidth = image.GetStepSize() / image.GetPixelSize();
  return header;
}
} // namespace

void TCPxGUI::ShowImage(const TCPxImageBase& image, const std::wstring& name)
{
  ShowMat(*image.GetFullMatPtr(), name);
}

void TCPxGUI::ShowScaledImage(const TCPxFloatImage& image, const std::wstring& name)
{
  const cv::Mat& source = *image.GetFullMatPtr();
  double minimum = 0.0, maximum = 0.0;
  cv::minMaxLoc(source, &minimum, &maximum);
  cv::Mat scaled = source - cv::Scalar(minimum);
  const float range = static_cast<float>(maximum - minimum);
  // A constant image has no range: it shows as zeros rather than as 0 / 0.
  if (range > 0.0f)
    scaled *= 1.0f / range;
  else
    scaled.setTo(cv::Scalar(0.0));
  ShowMat(scaled, name);
}

void TCPxGUI::ShowContour(const TCPxContour* contour, int width, int height, const std::wstring& name)
{
  TCPx8bitImage picture(width, height);
  if (contour && !contour->GetPoints().empty())
  {
    const std::vector<std::vector<cv::Point>> outline{contour->GetPoints()};
    cv::drawContours(*picture.GetFullMatPtr(), outline, 0, cv::Scalar(255), 1);
  }
  ShowImage(picture, name);
}

void TCPxGUI::ShowHistogram(const TCPx8bitImage& image, const std::wstring& name, const TCPx8bitImage* mask)
{
  TCPxHistogram histogram;
  if (mask)
    histogram.Calculate(image, *mask);
  else
    histogram.Calculate(image);
  const std::vector<double> values = histogram.GetValues();
  const double largest = values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());

  cv::Mat picture(256, 256, CV_8UC1, cv::Scalar(255));
  for (int j = 0; j < 256 && j < static_cast<int>(values.size()); ++j)
  {
    // An all-zero histogram (an empty mask) has no largest bin: no bars.
    const int bar = largest > 0.0 ? static_cast<int>(values[j] / largest * 255.0) : 0;
    const int end = std::clamp(255 - bar, 0, 255);
    cv::line(picture, cv::Point(j, 255), cv::Point(j, end), cv::Scalar(0), 1);
  }
  ShowMat(picture, name);
}

void TCPxGUI::DestroyWindow(const std::wstring& name)
{
  cv::destroyWindow(Gen::convert2nstringa(name));
}

void TCPxGUI::DestroyAllWindows()
{
  cv::destroyAllWindows();
}

void TCPxGUI::DrawImage(HDC hdc, const TCPxByteImage& image)
{
  DrawImageAt(hdc, image, 0, 0);
}

bool TCPxGUI::DrawImageAt(HDC hdc, const TCPxByteImage& image, int x, int y)
{
  if (!hdc)
    return false;
  const std::unique_ptr<BITMAPINFOHEADER[]> header = StrideHeader(image);
  if (!header)
    return false;
  const int height = image.GetHeight();
  const int lines = SetDIBitsToDevice(hdc, x, y, static_cast<DWORD>(image.GetWidth()), static_cast<DWORD>(height), 0,
                                      0, 0, static_cast<UINT>(height), image.GetBuffer(),
                                      reinterpret_cast<const BITMAPINFO*>(header.get()), DIB_RGB_COLORS);
  return lines == height;
}

bool TCPxGUI::DrawImageInRect(HDC hdc, const TCPxByteImage& image, int x, int y, int w, int h)
{
  if (!hdc)
    return false;
  const std::unique_ptr<BITMAPINFOHEADER[]> header = StrideHeader(image);
  if (!header)
    return false;
  const int height = image.GetHeight();
  const int lines = StretchDIBits(hdc, x, y, w, h, 0, 0, image.GetWidth(), height, image.GetBuffer(),
                                  reinterpret_cast<const BITMAPINFO*>(header.get()), DIB_RGB_COLORS, SRCCOPY);
  return lines == height;
}
