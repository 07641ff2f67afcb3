#include <pixolan/filters/TCPxFilterMorphology.h>
#include <pixolan/model/TCPx8bitImage.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxFilterSupport.h"
#include "primitives/PxFilterPrimitives.h"

// Each filter object owns its scratch images: copies never share them, so two
// copies can work on different images (or threads) at once.
struct MorphStates
{
  cv::Mat scratch8;
  cv::Mat scratch24;
  cv::Mat scratchFloat;

  cv::Mat& ScratchFor(NPxImageTypes type)
  {
    if (type == ImageType8bit)
      return scratch8;
    if (type == ImageType24bit)
      return scratch24;
    return scratchFloat;
  }
};

namespace
{
// The morphology creator passes `false` for the border replication argument.
class MorphologyCreator : public of_internal::TCGenOfCreatorBase<TCPxImageFilter>
{
public:
  TCPxImageFilter* Create() const override { return new TCPxFilterMorphology(m_type, m_size, false); }
  void SetParameter1(std::any value) override { m_type = std::any_cast<Px::EMorphologyTypes>(value); }
  void SetParameter2(std::any value) override { m_size = std::any_cast<int>(value); }
  TCGenOfCreatorBase* Clone() const override { return new MorphologyCreator(*this); }

private:
  Px::EMorphologyTypes m_type{};
  int m_size = 0;
};

bool SupportsSquare(NPxImageTypes type)
{
  return type == ImageType8bit || type == ImageType24bit || type == ImageTypeFloat;
}

/// `passes` 3 x 3 passes in place over image(area); the full square in one go.
void RepeatInPlace(const unsigned char (&members)[9], cv::Mat& image, const cv::Rect& area, int passes, bool dilate)
{
  const bool fullSquare = std::all_of(std::begin(members), std::end(members), [](unsigned char m) { return m != 0; });
  if (fullSquare && passes > 1)
  {
    PxPrim::MorphologySquarePasses(image, area, passes, dilate);
    return;
  }
  const cv::Mat mask(3, 3, CV_8UC1, const_cast<unsigned char*>(members));
  for (int i = 0; i < passes; ++i)
    PxPrim::MorphologyPass3x3(image, area, image, area, mask, dilate);
}
} // namespace

PX_REGISTER_FILTER(TCPxFilterMorphology, Morphology, MorphologyCreator,
                   "erosion, dilation, opening or closing with a 3 x 3 square or a circular mask",
                   PxFilterTable::Accepts({ImageType8bit, ImageType24bit, ImageTypeFloat}),
                   PxFilterTable::Enumeration("type", "Px::EMorphologyTypes", "the operation", Px::Open,
                                              {{"Erode", Px::Erode},
                                               {"Dilate", Px::Dilate},
                                               {"Open", Px::Open},
                                               {"Close", Px::Close},
                                               {"ErodeCircular", Px::ErodeCircular},
                                               {"DilateCircular", Px::DilateCircular},
                                               {"OpenCircular", Px::OpenCircular},
                                               {"CloseCircular", Px::CloseCircular}}),
                   PxFilterTable::Integer("size", "steps of the square mask, radius of the circular one", 1, 0, 255))

TCPxFilterMorphology::TCPxFilterMorphology(Px::EMorphologyTypes type, int steps, bool replicateBorder)
    : m_eType(type), m_iSteps(steps), m_bReplicateBorder(replicateBorder), m_bDefaultMask(true),
      m_pStates(std::make_unique<MorphStates>())
{
  std::fill(std::begin(m_mask), std::end(m_mask), static_cast<unsigned char>(1));
  CreateCircularKernel();
}

TCPxFilterMorphology::TCPxFilterMorphology(const TCPxFilterMorphology& other)
    : TCPxImageFilter(other), m_eType(other.m_eType), m_iSteps(other.m_iSteps),
      m_bReplicateBorder(other.m_bReplicateBorder), m_bDefaultMask(other.m_bDefaultMask),
      m_pStates(std::make_unique<MorphStates>())
{
  std::memcpy(m_mask, other.m_mask, sizeof(m_mask));
  CreateCircularKernel();
}

TCPxFilterMorphology& TCPxFilterMorphology::operator=(const TCPxFilterMorphology& other)
{
  if (this != &other)
  {
    m_eType = other.m_eType;
    m_iSteps = other.m_iSteps;
    m_bReplicateBorder = other.m_bReplicateBorder;
    m_bDefaultMask = other.m_bDefaultMask;
    std::memcpy(m_mask, other.m_mask, sizeof(m_mask));
    m_pStates = std::make_unique<MorphStates>();
    CreateCircularKernel();
  }
  return *this;
}

TCPxFilterMorphology::~TCPxFilterMorphology() = default;

void TCPxFilterMorphology::SetSteps(int steps)
{
  m_iSteps = steps;
  CreateCircularKernel();
}

void TCPxFilterMorphology::SetMask4Connectivity()
{
  const unsigned char cross[9] = {0, 1, 0, 1, 1, 1, 0, 1, 0};
  std::memcpy(m_mask, cross, sizeof(m_mask));
  m_bDefaultMask = false;
}

void TCPxFilterMorphology::SetMask8Connectivity()
{
  std::fill(std::begin(m_mask), std::end(m_mask), static_cast<unsigned char>(1));
  m_bDefaultMask = true;
}

void TCPxFilterMorphology::CreateCircularKernel()
{
  if (m_iSteps <= 0 || m_iSteps > 4096)
  {
    m_pDisc.reset(); // no disc for these radii: the circular operations do nothing
    return;
  }
  const int r = m_iSteps;
  const int n = 2 * r + 1;
  m_pDisc = std::make_unique<unsigned char[]>(static_cast<std::size_t>(n) * n);
  for (int i = -r; i <= r; ++i)
    for (int j = -r; j <= r; ++j)
      m_pDisc[static_cast<std::size_t>(i + r) * n + (j + r)] = std::sqrt(double(i * i + j * j)) <= r ? 1 : 0;
}

void TCPxFilterMorphology::ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const
{
  if (!source || !_impl::DestinationFits(*source, destination))
    return;
  const NPxImageTypes type = source->GetImageType();
  const bool grey = type == ImageType8bit;
  TCPxImageBase* target = _impl::Target(source, destination);
  auto square = [&](TCPxImageBase* from, TCPxImageBase* to, bool dilate) {
    if (m_bReplicateBorder)
      SquareBorderReplicate(from, to, dilate);
    else
      Square(from, to, dilate);
  };
  switch (m_eType)
  {
  case Px::Erode:
  case Px::Dilate:
    if (SupportsSquare(type))
      square(source, destination, m_eType == Px::Dilate);
    break;
  case Px::Open:
  case Px::Close:
    if (SupportsSquare(type))
    {
      square(source, destination, m_eType == Px::Close);
      square(target, nullptr, m_eType == Px::Open);
    }
    break;
  case Px::ErodeCircular:
  case Px::DilateCircular:
    if (grey)
      Circular(source, destination, m_eType == Px::DilateCircular);
    break;
  case Px::OpenCircular:
  case Px::CloseCircular:
    if (grey)
    {
      Circular(source, destination, m_eType == Px::CloseCircular);
      Circular(target, nullptr, m_eType == Px::OpenCircular);
    }
    break;
  default:
    break;
  }
}

void TCPxFilterMorphology::Square(TCPxImageBase* source, TCPxImageBase* destination, bool dilate) const
{
  const cv::Mat mask(3, 3, CV_8UC1, const_cast<unsigned char*>(m_mask));
  const cv::Rect inner(1, 1, source->GetWidth() - 2, source->GetHeight() - 2);
  if (inner.width <= 0 || inner.height <= 0)
    return;
  // 8-bit images work on their ROI clipped one pixel inside the image (source
  // and destination each on their own); the other kinds on the interior.
  auto area = [&](const TCPxImageBase& image) {
    return image.GetImageType() == ImageType8bit ? (_impl::RoiRect(image) & inner) : inner;
  };
  const cv::Mat src = _impl::WholeView(*source);
  if (destination)
  {
    // One pass source -> destination, then the remaining passes in place.
    cv::Mat dst = _impl::WholeView(*destination);
    const cv::Rect srcArea = area(*source), dstArea = area(*destination);
    PxPrim::MorphologyPass3x3(src, srcArea, dst, dstArea, mask, dilate);
    RepeatInPlace(m_mask, dst, dstArea, m_iSteps - 1, dilate);
    return;
  }
  cv::Mat image = src;
  RepeatInPlace(m_mask, image, area(*source), m_iSteps, dilate);
}

void TCPxFilterMorphology::SquareBorderReplicate(TCPxImageBase* source, TCPxImageBase* destination,
                                                 bool dilate) const
{
  if (m_iSteps <= 0)
    return;
  const cv::Mat mask(3, 3, CV_8UC1, const_cast<unsigned char*>(m_mask));
  cv::Mat& scratch = m_pStates->ScratchFor(source->GetImageType()); // kept between calls
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  // A snapshot of the input, so the output can be the same image. OpenCV runs
  // the steps with the border replicated each time, and turns steps of the
  // full square into one pass with the wider square (the same result).
  _impl::WholeView(*source).copyTo(scratch);
  if (dilate)
    cv::dilate(scratch, dst, mask, cv::Point(1, 1), m_iSteps, cv::BORDER_REPLICATE);
  else
    cv::erode(scratch, dst, mask, cv::Point(1, 1), m_iSteps, cv::BORDER_REPLICATE);
}

void TCPxFilterMorphology::Circular(TCPxImageBase* source, TCPxImageBase* destination, bool dilate) const
{
  if (m_iSteps <= 0 || !m_pDisc)
    return;
  const int n = 2 * m_iSteps + 1;
  const cv::Mat disc(n, n, CV_8UC1, m_pDisc.get());
  const cv::Mat src = _impl::WholeView(*source);
  cv::Mat dst = _impl::WholeView(*_impl::Target(source, destination));
  if (dilate)
    cv::dilate(src, dst, disc, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
  else
    cv::erode(src, dst, disc, cv::Point(-1, -1), 1, cv::BORDER_CONSTANT, cv::morphologyDefaultBorderValue());
}

void TCPxFilterMorphology::Dilate8bitImageROI(std::shared_ptr<TCPx8bitImage> image, TCGenRect<int> rect) const
{
  if (!image)
    return;
  if (!rect.SetIntersect(TCGenRect<int>(1, 1, image->GetWidth() - 1, image->GetHeight() - 1)))
    return;
  cv::Mat view = _impl::WholeView(*image);
  const cv::Mat full = cv::Mat::ones(3, 3, CV_8UC1);
  const cv::Rect area(rect.GetLeft(), rect.GetTop(), rect.GetWidth(), rect.GetHeight());
  PxPrim::MorphologyPass3x3(view, area, view, area, full, true);
}
