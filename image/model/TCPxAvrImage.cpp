#include <pixolan/model/TCPxAvrImage.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace
{
void Accumulate(const cv::Mat& frame, TCPxAvrImage& average, double alpha, const TCPx8bitImage* mask)
{
  // A header copy as output: OpenCV must never re-point the image's shared view.
  cv::Mat target = *average.GetMatPtr();
  if (mask)
    cv::accumulateWeighted(frame, target, alpha, *mask->GetMatPtr());
  else
    cv::accumulateWeighted(frame, target, alpha, cv::noArray());
}
} // namespace

TCPxAvrImage::TCPxAvrImage(int width, int height) : TCPxFloatImage(width, height)
{
}

TCPxAvrImage::TCPxAvrImage(const TCPx8bitImage& frame) : TCPxFloatImage(frame)
{
}

TCPxAvrImage::TCPxAvrImage(const TCPxFloatImage& image) : TCPxFloatImage(image)
{
}

TCPxAvrImage::TCPxAvrImage(const TCPxAvrImage& other) : TCPxFloatImage(other)
{
}

TCPxAvrImage::~TCPxAvrImage() = default;

TCPxAvrImage& TCPxAvrImage::operator=(const TCPxAvrImage& other)
{
  TCPxFloatImage::operator=(other);
  return *this;
}

void TCPxAvrImage::RunningAvr(const TCPx8bitImage& frame, double alpha, const TCPx8bitImage* mask)
{
  Accumulate(*frame.GetMatPtr(), *this, alpha, mask);
}

void TCPxAvrImage::RunningAvr(const TCPxFloatImage& frame, double alpha, const TCPx8bitImage* mask)
{
  Accumulate(*frame.GetMatPtr(), *this, alpha, mask);
}
