#include <pixolan/analysis/TCPxOpticalFlowCalculatorLucasKanade.h>

#include <cfloat>
#include <mutex>

#include <opencv2/core.hpp>

#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/filters/TCPxFilterGauss.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxUtil.h>

#include "PxImageViews.h"
#include "PxSharedOpticalFlow.h"

namespace _impl
{
class TCPxOpticalFlowImpl
{
public:
  TCPxOpticalFlowImpl(int preSize, double preSigma, int winSize, double winSigma, double threshold)
      : m_pre(preSize != 0 ? std::make_unique<TCPxFilterGauss>(preSize, preSigma) : nullptr),
        m_window(winSize, winSigma), m_threshold(threshold, FLT_MAX), m_border(preSize != 0 ? preSize : 5)
  {
  }

  // A copy takes the filters' settings; its gradient filters and working
  // images are made afresh on its first use, so nothing is shared.
  TCPxOpticalFlowImpl(const TCPxOpticalFlowImpl& other)
      : m_pre(other.m_pre ? std::make_unique<TCPxFilterGauss>(*other.m_pre) : nullptr), m_window(other.m_window),
        m_threshold(other.m_threshold), m_border(other.m_border)
  {
  }

  void Calc(const TCPx8bitImage& previous, const TCPx8bitImage& next, TCPxFloatImage* flow1, TCPxFloatImage* flow2);

private:
  enum Slot { F1, F2, A, B, AB, T, P, Q, Det, Tr, Lambda, Valid, kFloatImages };

  void Prepare(int width, int height);
  static bool Holds(const TCPxFloatImage* flow, int width, int height);

  std::unique_ptr<TCPxFilterGauss> m_pre;
  TCPxFilterGauss m_window;
  std::unique_ptr<TCPxImageFilter> m_gradientY;
  std::unique_ptr<TCPxImageFilter> m_gradientX;
  TCPxFilterDoubleThreshold m_threshold;
  std::unique_ptr<TCPxFloatImage> m_images[kFloatImages];
  std::unique_ptr<TCPx8bitImage> m_invalid;
  int m_width = 0;
  int m_height = 0;
  int m_border;
};

void TCPxOpticalFlowImpl::Prepare(int width, int height)
{
  if (!m_gradientY)
  {
    TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
    m_gradientY.reset(factory->Create(Px::Gradient, 3, Px::GradientVertical));
    m_gradientX.reset(factory->Create(Px::Gradient, 3, Px::GradientHorizontal));
  }
  if (m_invalid && width == m_width && height == m_height)
    return;
  for (auto& image : m_images)
    image = std::make_unique<TCPxFloatImage>(width, height);
  m_invalid = std::make_unique<TCPx8bitImage>(width, height);
  m_width = width;
  m_height = height;
}

bool TCPxOpticalFlowImpl::Holds(const TCPxFloatImage* flow, int width, int height)
{
  if (!flow)
    return false;
  const TCGenRect<int> roi = flow->GetROI();
  return static_cast<long long>(roi.GetLeft()) + width <= flow->GetWidth() &&
         static_cast<long long>(roi.GetTop()) + height <= flow->GetHeight();
}

void TCPxOpticalFlowImpl::Calc(const TCPx8bitImage& previous, const TCPx8bitImage& next, TCPxFloatImage* flow1,
                               TCPxFloatImage* flow2)
{
  const TCGenRect<int> roi = next.GetROI();
  const int width = roi.GetWidth();
  const int height = roi.GetHeight();
  if (width <= 0 || height <= 0 || previous.GetROI().GetWidth() != width ||
      previous.GetROI().GetHeight() != height || !Holds(flow1, width, height) || !Holds(flow2, width, height) ||
      flow1 == flow2)
    return;
  Prepare(width, height);
  if (!m_gradientX || !m_gradientY)
    return;
  TCPxFloatImage& f1 = *m_images[F1];
  TCPxFloatImage& f2 = *m_images[F2];
  TCPxFloatImage& a = *m_images[A];
  TCPxFloatImage& b = *m_images[B];
  TCPxFloatImage& ab = *m_images[AB];
  TCPxFloatImage& t = *m_images[T];
  TCPxFloatImage& p = *m_images[P];
  TCPxFloatImage& q = *m_images[Q];
  TCPxFloatImage& det = *m_images[Det];
  TCPxFloatImage& tr = *m_images[Tr];
  TCPxFloatImage& lambda = *m_images[Lambda];
  TCPxFloatImage& valid = *m_images[Valid];

  // Grey levels to 0..1 in single precision.
  const double scale = 0.003921569f;
  _impl::RoiRegion(previous).convertTo(*f1.GetFullMatPtr(), CV_32F, scale);
  _impl::RoiRegion(next).convertTo(*f2.GetFullMatPtr(), CV_32F, scale);
  if (m_pre)
  {
    m_pre->ProcessImage(&f1, nullptr);
    m_pre->ProcessImage(&f2, nullptr);
  }

  // a: vertical derivative, b: horizontal one, of the earlier frame.
  m_gradientY->ProcessImage(&f1, &a);
  m_gradientX->ProcessImage(&f1, &b);
  ab.Prod(a, b);
  t.Sub(f2, f1);
  p.Prod(t, a);
  p *= -1.0f;
  q.Prod(t, b);
  q *= -1.0f;
  a.Sqr();
  b.Sqr();
  for (TCPxFloatImage* image : {&a, &b, &ab, &p, &q})
    m_window.ProcessImage(image, nullptr);

  // Structure tensor [[b, ab], [ab, a]]: determinant, trace and the smaller
  // eigenvalue tr/2 - sqrt(max(tr² - 4 det, 0))/2.
  det.Prod(a, b);
  t.Prod(ab, ab);
  det -= t;
  tr.Sum(a, b);
  t.Prod(tr, tr);
  lambda = det;
  lambda *= 4.0f;
  t -= lambda;
  t.SetMinimumValue(0.0f);
  t.Sqrt();
  t *= 0.5f;
  lambda = tr;
  lambda *= 0.5f;
  lambda -= t;

  if (m_border > 0)
  {
    cv::Mat l = *lambda.GetFullMatPtr();
    const int w = std::min(m_border, width);
    const int h = std::min(m_border, height);
    l.rowRange(0, h).setTo(0);
    l.rowRange(height - h, height).setTo(0);
    l.colRange(0, w).setTo(0);
    l.colRange(width - w, width).setTo(0);
  }

  // The invalid mask: non-zero where the eigenvalue is below the threshold.
  m_threshold.ProcessImage(&lambda, &valid);
  valid.Normalize();
  valid *= 255.0f;
  TCPxConversion::Float2Byte(valid, m_invalid.get());
  m_invalid->Not();
  det.Set(1.0f, *m_invalid);

  // flow1 = (a q - ab p) / det, flow2 = (b p - ab q) / det.
  TCPxFloatImage& u = tr;
  TCPxFloatImage& v = lambda;
  u.Prod(a, q);
  t.Prod(ab, p);
  u -= t;
  u /= det;
  u.Set(0.0f, *m_invalid);
  v.Prod(b, p);
  t.Prod(ab, q);
  v -= t;
  v /= det;
  v.Set(0.0f, *m_invalid);

  const auto store = [&](const TCPxFloatImage& source, TCPxFloatImage* flow) {
    const TCGenRect<int> r = flow->GetROI();
    cv::Mat target = _impl::RegionView(*flow, cv::Rect(r.GetLeft(), r.GetTop(), width, height));
    source.GetFullMatPtr()->copyTo(target);
  };
  store(u, flow1);
  store(v, flow2);
}
}  // namespace _impl

TCPxOpticalFlowCalculatorLucasKanade::TCPxOpticalFlowCalculatorLucasKanade()
    : m_impl(std::make_unique<_impl::TCPxOpticalFlowImpl>(9, 2.0, 5, 2.0, 3e-6))
{
}

TCPxOpticalFlowCalculatorLucasKanade::TCPxOpticalFlowCalculatorLucasKanade(int preSize, double preSigma, int winSize,
                                                                           double winSigma, double threshold)
    : m_impl(std::make_unique<_impl::TCPxOpticalFlowImpl>(preSize, preSigma, winSize, winSigma, threshold))
{
}

TCPxOpticalFlowCalculatorLucasKanade::TCPxOpticalFlowCalculatorLucasKanade(
    const TCPxOpticalFlowCalculatorLucasKanade& other)
    : m_impl(std::make_unique<_impl::TCPxOpticalFlowImpl>(*other.m_impl))
{
}

TCPxOpticalFlowCalculatorLucasKanade& TCPxOpticalFlowCalculatorLucasKanade::operator=(
    const TCPxOpticalFlowCalculatorLucasKanade& other)
{
  if (this != &other)
    m_impl = std::make_unique<_impl::TCPxOpticalFlowImpl>(*other.m_impl);
  return *this;
}

TCPxOpticalFlowCalculatorLucasKanade::~TCPxOpticalFlowCalculatorLucasKanade() = default;

void TCPxOpticalFlowCalculatorLucasKanade::CalcOpticalFlow(const TCPx8bitImage& previous, const TCPx8bitImage& next,
                                                           TCPxFloatImage* flow1, TCPxFloatImage* flow2)
{
  m_impl->Calc(previous, next, flow1, flow2);
}

// ---- the library's one calculator ------------------------------------------------------------
namespace
{
std::mutex& SharedCalculatorMutex()
{
  static std::mutex mutex;
  return mutex;
}

// Built on first use (not while the library loads), with default settings.
TCPxOpticalFlowCalculatorLucasKanade& SharedCalculator()
{
  static TCPxOpticalFlowCalculatorLucasKanade calculator;
  return calculator;
}
}  // namespace

namespace _impl
{
void CalcSharedOpticalFlow(const TCPx8bitImage& previous, const TCPx8bitImage& next, TCPxFloatImage* flow1,
                           TCPxFloatImage* flow2)
{
  std::lock_guard<std::mutex> lock(SharedCalculatorMutex());
  SharedCalculator().CalcOpticalFlow(previous, next, flow1, flow2);
}
}  // namespace _impl

void TCPxUtil::CalculateOpticalFlow(const TCPx8bitImage& previous, const TCPx8bitImage& next, int,
                                    TCPxFloatImage* flowX, TCPxFloatImage* flowY)
{
  _impl::CalcSharedOpticalFlow(previous, next, flowX, flowY);
}
