#include <pixolan/filters/TCPxFilterMotionHistory.h>

#include <deque>

#include <opencv2/video/background_segm.hpp>

#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>

#include "PxFilterSupport.h"
#include "primitives/PxFilterPrimitives.h"

using MotionHistoryCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterMotionHistory>;
PX_REGISTER_FILTER(TCPxFilterMotionHistory, MotionHistory, MotionHistoryCreator,
                   "mask of the pixels that changed within a sliding window of frame differences "
                   "(through ProcessImageFast only)",
                   PxFilterTable::Accepts({ImageType8bit}))

using ForegroundGaussCreator = of_internal::TCGenOfCreator0<TCPxImageFilter, TCPxFilterForegroundGauss>;
PX_REGISTER_FILTER(TCPxFilterForegroundGauss, ForegroundGauss, ForegroundGaussCreator,
                   "grey: 3 x 3 local binary pattern; colour into a grey destination: foreground mask of a "
                   "learnt background",
                   PxFilterTable::Accepts({ImageType8bit, ImageType24bit}))

// ---- motion history ------------------------------------------------------------------------
// Everything an object and its copies share: the frames, the window of
// difference masks and the threshold fixed at the first difference.
struct TCPxFilterMotionHistory::History
{
  std::shared_ptr<TCPx8bitImage> previous;
  std::shared_ptr<TCPx8bitImage> accumulator;
  std::shared_ptr<TCPx8bitImage> difference;
  int counter = 0;
  std::deque<std::shared_ptr<TCPx8bitImage>> window;
  std::shared_ptr<TCPx8bitImage> spare; // the mask last dropped, reused for the next one
  std::unique_ptr<TCPxFilterDoubleThreshold> differenceThreshold;
};

TCPxFilterMotionHistory::TCPxFilterMotionHistory() : m_history(std::make_shared<History>())
{
}

void TCPxFilterMotionHistory::ProcessImage(TCPxImageBase*, TCPxImageBase*) const
{
}

void TCPxFilterMotionHistory::ProcessImageFast(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || source->GetImageType() != ImageType8bit || !_impl::DestinationFits(*source, destination))
    return;
  auto& frame = static_cast<TCPx8bitImage&>(*source);
  History& h = *m_history;
  const int width = frame.GetWidth(), height = frame.GetHeight();

  // A first frame, or one of another size, starts the history afresh.
  if (!h.accumulator || h.accumulator->GetWidth() != width || h.accumulator->GetHeight() != height)
  {
    h.counter = 0;
    h.window.clear();
    h.spare.reset();
    h.accumulator = std::make_shared<TCPx8bitImage>(width, height);
    _impl::WholeView(*h.accumulator).setTo(0);
    h.difference = std::make_shared<TCPx8bitImage>(width, height);
    h.previous.reset();
  }
  if (!h.previous)
  {
    h.previous = std::make_shared<TCPx8bitImage>(frame);
    return;
  }

  ++h.counter;
  const int step = m_iStep < 1 ? 1 : m_iStep;
  if (h.counter % step == 0)
  {
    if (!h.differenceThreshold)
      h.differenceThreshold = std::make_unique<TCPxFilterDoubleThreshold>(m_dThreshold, 255);
    h.difference->Subtract(frame, *h.previous, true);
    h.differenceThreshold->ProcessImage(h.difference.get(), nullptr);
    // 0/255 to 0/1: the same as dividing by 255, in one cheap pass.
    cv::Mat difference = _impl::WholeView(*h.difference);
    cv::bitwise_and(difference, cv::Scalar(1), difference);
    *h.accumulator += *h.difference;
    std::shared_ptr<TCPx8bitImage> kept = std::move(h.spare);
    if (!kept)
      kept = std::make_shared<TCPx8bitImage>(width, height);
    difference.copyTo(_impl::WholeView(*kept));
    h.window.push_back(std::move(kept));
    if (static_cast<double>(h.window.size()) >= m_dDuration)
    {
      h.accumulator->Subtract(*h.accumulator, *h.window.front(), true);
      h.spare = std::move(h.window.front());
      h.window.pop_front();
    }
    _impl::WholeView(frame).copyTo(_impl::WholeView(*h.previous));
  }

  // 255 where any mask in the window saw a change (the accumulator's 1 ... 255).
  cv::Mat target = _impl::WholeView(*_impl::Target(source, destination));
  cv::compare(_impl::WholeView(*h.accumulator), 0, target, cv::CMP_GT);
}

// ---- foreground Gauss ----------------------------------------------------------------------
struct TCPxFilterForegroundGauss::Model
{
  // Fixed settings of the mixture (the record the model is built from).
  static constexpr int kGaussians = 7;
  static constexpr int kWindow = 200;
  cv::Ptr<cv::BackgroundSubtractorMOG2> subtractor;
  std::unique_ptr<TCPx24bitImage> background;
  int width = 0;
  int height = 0;
};

TCPxFilterForegroundGauss::TCPxFilterForegroundGauss() : m_model(std::make_unique<Model>())
{
}

TCPxFilterForegroundGauss::TCPxFilterForegroundGauss(const TCPxFilterForegroundGauss&)
    : TCPxImageFilter(), m_model(std::make_unique<Model>())
{
}

TCPxFilterForegroundGauss& TCPxFilterForegroundGauss::operator=(const TCPxFilterForegroundGauss& other)
{
  if (this != &other)
    m_model = std::make_unique<Model>();
  return *this;
}

TCPxFilterForegroundGauss::~TCPxFilterForegroundGauss() = default;

const TCPx24bitImage* TCPxFilterForegroundGauss::GetBackgroundImage() const
{
  return m_model->background.get();
}

void TCPxFilterForegroundGauss::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source)
    return;
  if (source->GetImageType() == ImageType8bit)
  {
    if (!_impl::DestinationFits(*source, destination))
      return;
    const cv::Mat region = _impl::RoiRegion(*source);
    TCPxImageBase* target = _impl::Target(source, destination);
    const TCGenRect<int> roi = target->GetROI();
    if (static_cast<long long>(roi.GetLeft()) + region.cols > target->GetWidth() ||
        static_cast<long long>(roi.GetTop()) + region.rows > target->GetHeight() || region.empty())
      return;
    cv::Mat out = _impl::RegionView(*target, cv::Rect(roi.GetLeft(), roi.GetTop(), region.cols, region.rows));
    if (target == source)
    {
      cv::Mat code(region.size(), CV_8U);
      PxPrim::LocalBinaryPattern3x3(region, code);
      code.copyTo(out);
    }
    else
      PxPrim::LocalBinaryPattern3x3(region, out);
    return;
  }
  if (source->GetImageType() != ImageType24bit || !destination || destination->GetImageType() != ImageType8bit ||
      destination->GetWidth() != source->GetWidth() || destination->GetHeight() != source->GetHeight())
    return;
  Model& m = *m_model;
  const int width = source->GetWidth(), height = source->GetHeight();
  if (!m.subtractor || width != m.width || height != m.height)
  {
    m.subtractor = cv::createBackgroundSubtractorMOG2(Model::kWindow, 16.0, false);
    m.subtractor->setNMixtures(Model::kGaussians);
    m.background = std::make_unique<TCPx24bitImage>(width, height);
    m.width = width;
    m.height = height;
  }
  cv::Mat mask = _impl::WholeView(*destination);
  m.subtractor->apply(_impl::WholeView(*source), mask);
  cv::Mat background = _impl::WholeView(*m.background);
  m.subtractor->getBackgroundImage(background);
}
