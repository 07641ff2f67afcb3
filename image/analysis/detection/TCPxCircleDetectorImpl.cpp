#include "TCPxCircleDetectorImpl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include <general/TCGenMathUtils.h>
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/analysis/TCPxMatching.h>
#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <tarvekmath/TCMathPbDistribution.h>

#include "PxCircleSupport.h"
#include "primitives/PxPrimitives.h"

namespace _impl
{
namespace
{
constexpr double kTwoPi = 6.283185307179586;
/// The vote smoothing: kernel size and sigma.
constexpr int kVoteKernel = 9;
constexpr double kVoteSigma = 4.0;
/// Below this width or height an image holds no circle of the smallest
/// accepted radius (12), and the filters' neighbourhoods would not fit.
constexpr int kMinimumSide = 26;

int Round(double v) { return TCGenMathUtils::Round(v); }

/// Sums the radii handed to it: the mean radius of a contour's triples.
class TCPxMeanRadiusCalculator
{
public:
  void Add(TCGenPoint<double> /*centre*/, double radius)
  {
    m_dSum += radius;
    m_dCount += 1;
  }
  double GetMean() const { return m_dCount > 0 ? m_dSum / m_dCount : std::numeric_limits<double>::quiet_NaN(); }

private:
  double m_dSum = 0;
  double m_dCount = 0;
};

/// Counts the votes per centre pixel and keeps the running mean radius of
/// the votes there; remembers the box of the pixels voted for.
class TCPx3PointHoughAccumulator
{
public:
  TCPx3PointHoughAccumulator(TCPxFloatImage& votes, TCPxFloatImage& radii) : m_votes(votes), m_radii(radii) {}

  void Add(TCGenPoint<double> centre, double radius)
  {
    const int x = static_cast<int>(centre.GetX());
    const int y = static_cast<int>(centre.GetY());
    if (!m_votes.AreCoordinatesValid(x, y))
      return;
    const double n = m_votes.GetPixelFast(x, y);
    m_votes.SetPixelFast(x, y, static_cast<float>(n + 1));
    m_radii.SetPixelFast(x, y, static_cast<float>((m_radii.GetPixelFast(x, y) * n + radius) / (n + 1)));
    if (m_iCount++ == 0)
      m_box = TCGenRect<int>(x, y, x, y);
    else
      m_box = TCGenRect<int>(std::min(m_box.GetLeft(), x), std::min(m_box.GetTop(), y),
                             std::max(m_box.GetRight(), x), std::max(m_box.GetBottom(), y));
  }
  /// Inclusive corners of the pixels voted for; meaningful when GetCount() > 0.
  const TCGenRect<int>& GetBox() const { return m_box; }
  long long GetCount() const { return m_iCount; }

private:
  TCPxFloatImage& m_votes;
  TCPxFloatImage& m_radii;
  TCGenRect<int> m_box;
  long long m_iCount = 0;
};

/// Inclusive corners to a rectangle with exclusive right and bottom.
TCGenRect<int> Exclusive(const TCGenRect<int>& box)
{
  return TCGenRect<int>(box.GetLeft(), box.GetTop(), box.GetRight() + 1, box.GetBottom() + 1);
}

void FillRect(TCPxFloatImage* image, const TCGenRect<int>& rect, float value)
{
  image->SetROI(rect);
  image->Fill(value);
  image->ResetROI();
}

/// a += b over `rect` of both images.
void AddRect(TCPxFloatImage* a, TCPxFloatImage* b, const TCGenRect<int>& rect)
{
  a->SetROI(rect);
  b->SetROI(rect);
  *a += *b;
  a->ResetROI();
  b->ResetROI();
}
}  // namespace

TCPxCircleDetectorImpl::TCPxCircleDetectorImpl()
    : m_pCorf(std::make_unique<TCPxFilterCORF>()),
      m_pThreshold(std::make_unique<TCPxFilterDoubleThreshold>(0.0, 255.0)),
      m_pMorphology(std::make_unique<TCPxFilterMorphology>(Px::Close, 1, false))
{
}

TCPxCircleDetectorImpl::~TCPxCircleDetectorImpl() = default;

void TCPxCircleDetectorImpl::ClearContours(ContourList* contours)
{
  for (TCPxContour* c : *contours)
    delete c;
  contours->clear();
}

void TCPxCircleDetectorImpl::ProcessImage(const TCPx8bitImage& image, std::vector<TCPxCircle>* circles)
{
  if (!circles || image.GetWidth() < kMinimumSide || image.GetHeight() < kMinimumSide)
    return;
  // The whole image is searched, whatever its ROI.
  m_pWork = std::make_shared<TCPx8bitImage>(image);
  m_pWork->ResetROI();
  InitAccumulatorsAndImages();
  if (!PreProcessImage())
    return;
  *m_pEdges = *m_pWork;

  ContourList contours, used, blobs, leftOver;
  struct Cleanup
  {
    ContourList* lists[4];
    ~Cleanup()
    {
      for (ContourList* l : lists)
        ClearContours(l);
    }
  } cleanup{{&contours, &used, &blobs, &leftOver}};

  m_pWork->FindContours(contours, Px::FindContoursExternal, false);
  m_iStep = -1;
  FillAccumulators(contours, used);
  ClearContours(&contours);
  GetAccumulatorContours(&blobs);
  std::vector<TCPxCircle> candidates;
  FindCandidateCircles(blobs, &candidates);

  circles->clear();
  SelectCircles(candidates, std::vector<TCPxCircle>(), circles);
  MakeSameRadius(circles);
  SetStep(circles);

  for (;;)
  {
    const std::size_t before = circles->size();
    ClearContours(&blobs);
    ClearContours(&leftOver);
    FindLeftOverContours(image, *circles, used, &leftOver);
    InitAccumulatorsAndImages();
    // The decision is made once per pass: without a known step every
    // left-over contour estimates its own.
    const bool estimate = m_iStep == -1;
    for (const TCPxContour* c : leftOver)
      VoteContour(*c, estimate, used);
    m_pVotes->Normalize();
    *m_pVotes *= 255.0f;
    GetAccumulatorContours(&blobs);
    candidates.clear();
    FindCandidateCircles(blobs, &candidates);
    const std::vector<TCPxCircle> previous = *circles;
    SelectCircles(candidates, previous, circles);
    if (circles->size() == before)
      break;
  }
  MakeSameRadius(circles);
  DoTemplateMatching(image, circles);
  RefineRadius(circles);
}

void TCPxCircleDetectorImpl::RefineRadius(std::vector<TCPxCircle>* circles) const
{
  if (circles->empty() || !m_pResponse)
    return;
  const cv::Mat response = *m_pResponse->GetFullMatPtr();
  constexpr int kRays = 64;
  std::vector<double> peaks;
  peaks.reserve(circles->size() * kRays);
  for (const TCPxCircle& c : *circles)
  {
    const double r = c.radius;
    for (int k = 0; k < kRays; ++k)
    {
      const double a = 2 * M_PI * k / kRays, dx = std::cos(a), dy = std::sin(a);
      int best = 0;
      double at = 0;
      for (double s = 0.75 * r; s <= 1.25 * r; s += 0.25)
      {
        const int x = static_cast<int>(std::lround(c.centre.GetX() + s * dx));
        const int y = static_cast<int>(std::lround(c.centre.GetY() + s * dy));
        if (x < 0 || y < 0 || x >= response.cols || y >= response.rows)
          continue;
        const int v = response.ptr<std::uint8_t>(y)[x];
        if (v > best)
        {
          best = v;
          at = s;
        }
      }
      if (best > 0)
        peaks.push_back(at);
    }
  }
  if (peaks.empty())
    return;
  std::nth_element(peaks.begin(), peaks.begin() + static_cast<std::ptrdiff_t>(peaks.size() / 2), peaks.end());
  const double radius = peaks[peaks.size() / 2];
  for (TCPxCircle& c : *circles)
    c.radius = radius;
}

void TCPxCircleDetectorImpl::ApplyCorfFilter() { m_pCorf->ProcessImage(m_pWork.get(), nullptr); }

void TCPxCircleDetectorImpl::ApplyThresholdFilter(double lower, TCPxImageBase* image)
{
  m_pThreshold->UpdateLower(lower);
  m_pThreshold->ProcessImage(image ? image : m_pWork.get(), nullptr);
}

void TCPxCircleDetectorImpl::ApplyMorphologyFilter(Px::EMorphologyTypes type, int steps, TCPxImageBase* image)
{
  m_pMorphology->SetType(type);
  m_pMorphology->SetSteps(steps);
  m_pMorphology->ProcessImage(image ? image : m_pWork.get(), nullptr);
}

void TCPxCircleDetectorImpl::InitAccumulatorsAndImages()
{
  const int w = m_pWork->GetWidth();
  const int h = m_pWork->GetHeight();
  if (!m_pVotes || m_pVotes->GetWidth() != w || m_pVotes->GetHeight() != h)
  {
    m_pMask = std::make_shared<TCPx8bitImage>(w, h);
    m_pScratch = std::make_shared<TCPx8bitImage>(w, h);
    m_pVotes = std::make_shared<TCPxFloatImage>(w, h);
    m_pRadii = std::make_shared<TCPxFloatImage>(w, h);
    m_pContourVotes = std::make_shared<TCPxFloatImage>(w, h);
    m_pContourRadii = std::make_shared<TCPxFloatImage>(w, h);
    m_pEdges = std::make_shared<TCPx8bitImage>(w, h);
    m_pResponse = std::make_shared<TCPx8bitImage>(w, h);
  }
  m_pVotes->Fill(0);
  m_pRadii->Fill(0);
  m_pContourVotes->Fill(0);
  m_pContourRadii->Fill(0);
}

bool TCPxCircleDetectorImpl::PreProcessImage()
{
  ApplyCorfFilter();
  *m_pResponse = *m_pWork;
  const double t = CalculateCORFImageThreshold();
  m_dCorfThreshold = t;
  if (std::isnan(t))
    return false;
  ApplyThresholdFilter(t, nullptr);
  // Sensor noise leaves specks and spurs on the thresholded edge ring; its
  // outer contour then gets deep convexity defects and stops voting, and the
  // template sweep fills the gap with misplaced circles. A two-step opening
  // removes everything thinner than the ring itself and leaves clean rings as
  // they are.
  ApplyMorphologyFilter(Px::Open, 2, nullptr);
  return true;
}

double TCPxCircleDetectorImpl::CalculateCORFImageThreshold()
{
  // c[i], the number of pixels >= i, for i = 1 ... 31 from one histogram of
  // the response instead of 31 thresholded copies.
  std::uint32_t histogram[256] = {};
  PxPrim::Histogram256(static_cast<const std::uint8_t*>(m_pWork->GetBuffer()), m_pWork->GetStepSize(),
                       m_pWork->GetWidth(), m_pWork->GetHeight(), histogram);
  double c[33] = {};
  double above = 0;
  for (int v = 255; v >= 1; --v)
  {
    above += histogram[v];
    if (v <= 32)
      c[v] = above;
  }
  double s[29];
  double peak = std::numeric_limits<double>::lowest();
  for (int j = 0; j <= 28; ++j)
  {
    s[j] = c[j + 2] - c[j + 3];
    peak = std::max(peak, s[j]);
  }
  if (peak == 0)
    return std::numeric_limits<double>::quiet_NaN();
  int q = 0;
  for (int j = 0; j <= 28; ++j)
    s[j] /= peak;
  while (q < 28 && s[q] != 1.0)
    ++q;
  for (int j = q; j <= 28; ++j)
    if (s[j] < 0.1)
      return j + 3;
  return 10;
}

int TCPxCircleDetectorImpl::CalculateInitialStepSize(const TCPxContour& contour) const
{
  const std::size_t defects = contour.GetConvexityDefects(8.0).size();
  const int n = contour.GetSize();
  if (n <= 0 || static_cast<double>(defects) / n > 0.007)
    return -1;
  return static_cast<int>(static_cast<double>(n) / static_cast<double>(std::max<std::size_t>(1, defects)) * 0.125);
}

void TCPxCircleDetectorImpl::ProcessContour3PointCircles(const TCPxContour& contour, double step,
                                                         const Sink& sink) const
{
  const std::vector<cv::Point>& points = contour.GetPoints();
  const int n = static_cast<int>(points.size());
  if (!(step < n) || !(step >= 0))
    return;
  for (int i = 0; i < n; ++i)
  {
    int b = static_cast<int>(i + step);
    if (b >= n)
      b -= n;
    int a = static_cast<int>(i - step);
    if (a < 0)
      a += n;
    const double ax = points[a].x, ay = points[a].y;
    const double px = points[i].x, py = points[i].y;
    const double bx = points[b].x, by = points[b].y;
    const double d = 2 * (ax * (py - by) + px * (by - ay) + bx * (ay - py));
    if (d == 0)
      continue;
    const double a2 = ax * ax + ay * ay, p2 = px * px + py * py, b2 = bx * bx + by * by;
    const double cx = Round((a2 * (py - by) + p2 * (by - ay) + b2 * (ay - py)) / d);
    const double cy = Round((a2 * (bx - px) + p2 * (ax - bx) + b2 * (px - ax)) / d);
    const TCGenPoint<double> centre(cx, cy);
    if (!contour.IsInside(centre))
      continue;
    sink(centre, std::sqrt((ax - cx) * (ax - cx) + (ay - cy) * (ay - cy)));
  }
}

TCGenRect<int> TCPxCircleDetectorImpl::SmoothVotes(TCPxFloatImage* votes, const TCGenRect<int>& voteBox)
{
  const int half = kVoteKernel / 2;
  const TCGenRect<int> box(std::max(0, voteBox.GetLeft() - half), std::max(0, voteBox.GetTop() - half),
                           std::min(votes->GetWidth(), voteBox.GetRight() + half + 1),
                           std::min(votes->GetHeight(), voteBox.GetBottom() + half + 1));
  // The smoothing reads the zeros around the box from the whole image, so
  // the box receives the values a whole-frame smoothing would give it.
  votes->SetROI(box);
  std::unique_ptr<TCPxImageFilter> gauss(TCPxFilterFactory::Instance()->Create(Px::Gauss, kVoteKernel, kVoteSigma));
  if (gauss)
    gauss->ProcessImage(votes, nullptr);
  votes->ResetROI();
  return box;
}

void TCPxCircleDetectorImpl::VoteContour(const TCPxContour& contour, bool estimateStep, ContourList& used)
{
  if (!(contour.GetArea() > 240))
    return;
  if (estimateStep)
  {
    const int step = CalculateInitialStepSize(contour);
    if (step == -1)
      return;
    TCPxMeanRadiusCalculator mean;
    ProcessContour3PointCircles(contour, step,
                                std::bind(&TCPxMeanRadiusCalculator::Add, &mean, std::placeholders::_1,
                                          std::placeholders::_2));
    const double m = mean.GetMean();
    if (std::isnan(m))
    {
      m_iStep = -1;
      return;
    }
    m_iStep = Round(m * kTwoPi * 0.125);
  }
  used.push_back(new TCPxContour(contour));

  // The contour images are zero outside the box of the previous contour's
  // votes, which is cleared after accumulating, so only that box is touched.
  TCPx3PointHoughAccumulator hough(*m_pContourVotes, *m_pContourRadii);
  ProcessContour3PointCircles(contour, m_iStep,
                              std::bind(&TCPx3PointHoughAccumulator::Add, &hough, std::placeholders::_1,
                                        std::placeholders::_2));
  if (hough.GetCount() == 0)
    return;
  const TCGenRect<int> voteBox = Exclusive(hough.GetBox());
  const TCGenRect<int> smoothed = SmoothVotes(m_pContourVotes.get(), hough.GetBox());
  AddRect(m_pVotes.get(), m_pContourVotes.get(), smoothed);
  AddRect(m_pRadii.get(), m_pContourRadii.get(), voteBox);
  FillRect(m_pContourVotes.get(), smoothed, 0);
  FillRect(m_pContourRadii.get(), voteBox, 0);
}

void TCPxCircleDetectorImpl::FillAccumulators(const ContourList& contours, ContourList& used)
{
  for (const TCPxContour* c : contours)
    VoteContour(*c, true, used);
  m_pVotes->Normalize();
  *m_pVotes *= 255.0f;
}

void TCPxCircleDetectorImpl::GetAccumulatorContours(ContourList* blobs)
{
  TCPxConversion::Float2Byte(*m_pVotes, m_pWork.get());
  ApplyThresholdFilter(44, nullptr);
  ApplyMorphologyFilter(Px::Close, 12, nullptr);
  m_pWork->FindContours(*blobs, Px::FindContoursExternal, false);
}

void TCPxCircleDetectorImpl::FindCandidateCircles(const ContourList& blobs, std::vector<TCPxCircle>* candidates) const
{
  for (const TCPxContour* blob : blobs)
  {
    const TCGenPoint<double> cog = blob->GetCOG();
    const TCGenRect<int> r = blob->GetBoundingRect();
    double m = 0, w = 0;
    bool any = false;
    for (int y = std::max(0, r.GetTop()); y < std::min(r.GetBottom(), m_pVotes->GetHeight()); ++y)
      for (int x = std::max(0, r.GetLeft()); x < std::min(r.GetRight(), m_pVotes->GetWidth()); ++x)
      {
        if (!blob->IsInside(TCGenPoint<double>(x, y)))
          continue;
        const double v = m_pVotes->GetPixelFast(x, y);
        const double q = m_pRadii->GetPixelFast(x, y);
        if (q == 0 || v == 0)
          continue;
        m = any ? (q * v + m * w) / (w + v) : q;
        w += v;
        any = true;
      }
    // A blob without a voted pixel has no radius.
    if (any && Round(m) > 12)
      candidates->push_back(TCPxCircle(cog, Round(m) - 1, w));
  }
}

void TCPxCircleDetectorImpl::SelectCircles(const std::vector<TCPxCircle>& candidates,
                                           const std::vector<TCPxCircle>& previous, std::vector<TCPxCircle>* selected)
{
  if (candidates.empty())
    return;
  if (previous.empty())
  {
    // The reference radius is the mean of the candidates within 20 % of their
    // median: one much larger disc among the wells would otherwise pull the
    // plain mean so far that every well failed the 20 % test.
    std::vector<double> radii;
    for (const TCPxCircle& c : candidates)
      radii.push_back(c.radius);
    std::nth_element(radii.begin(), radii.begin() + static_cast<std::ptrdiff_t>(radii.size() / 2), radii.end());
    const double median = radii[radii.size() / 2];
    m_radiusStatistics.Reset();
    for (const TCPxCircle& c : candidates)
      if (std::fabs(c.radius / median - 1) <= 0.2)
        m_radiusStatistics.Update(Math::Vector(1, c.radius));
  }
  if (m_radiusStatistics.GetMean().size() < 1)
    return;
  const double mu = TCMathPbGaussian(m_radiusStatistics.GetMean()(0), 2.0).GetExpectation();

  const std::size_t n = candidates.size();
  std::vector<char> rejected(n, 0);
  for (std::size_t i = 0; i < n; ++i)
    if (std::fabs(candidates[i].radius / mu - 1) > 0.2)
      rejected[i] = 1;
  for (std::size_t a = 0; a < n; ++a)
  {
    if (rejected[a])
      continue;
    const TCPxCircle& ca = candidates[a];
    for (std::size_t b = a + 1; b < n; ++b)
    {
      if (rejected[b])
        continue;
      const TCPxCircle& cb = candidates[b];
      const double d = ca.centre.Distance(cb.centre);
      if (d < ca.radius || d < cb.radius)
      {
        if (ca.score > cb.score)
          rejected[b] = 1;
        else
          rejected[a] = 1;
      }
    }
    for (const TCPxCircle& p : previous)
    {
      const double d = ca.centre.Distance(p.centre);
      if (d < ca.radius || d < p.radius)
        rejected[a] = 1;
    }
  }
  for (std::size_t i = 0; i < n; ++i)
    if (!rejected[i])
      selected->push_back(candidates[i]);
}

void TCPxCircleDetectorImpl::MakeSameRadius(std::vector<TCPxCircle>* circles) const { pxdetect::MakeSameRadius(circles); }

void TCPxCircleDetectorImpl::SetStep(const std::vector<TCPxCircle>* circles)
{
  m_iStep = circles->empty() ? -1 : Round(circles->front().radius * kTwoPi * 0.125);
}

void TCPxCircleDetectorImpl::FindLeftOverContours(const TCPx8bitImage& /*image*/, const std::vector<TCPxCircle>& circles,
                                                  const ContourList& used, ContourList* leftOver)
{
  m_pMask->Fill(0);
  for (const TCPxCircle& c : circles)
    m_pMask->Circle(c.centre, Round(std::max(c.radius, 2.0)), 255, 1, true);
  m_pWork->Fill(0);
  for (const TCPxContour* c : used)
    m_pWork->DrawContour(c, 255, true, 1);
  *m_pWork -= *m_pMask;
  ApplyMorphologyFilter(Px::Open, 2, nullptr);
  m_pWork->And(*m_pEdges);

  *m_pScratch = *m_pWork;
  ClearContours(leftOver);
  m_pScratch->FindContours(*leftOver, Px::FindContoursExternal, false);
  for (const TCPxContour* c : *leftOver)
    m_pWork->DrawContour(c, 0, false, 4);
  ApplyMorphologyFilter(Px::Open, 1, nullptr);
  ApplyMorphologyFilter(Px::Close, 2, nullptr);
  ClearContours(leftOver);
  m_pWork->FindContours(*leftOver, Px::FindContoursExternal, false);
}

void TCPxCircleDetectorImpl::DoTemplateMatching(const TCPx8bitImage& image, std::vector<TCPxCircle>* circles)
{
  if (circles->empty())
    return;
  const int r = Round(circles->front().radius);
  const int side = 2 * r;
  const int width = image.GetWidth();
  const int height = image.GetHeight();
  // The match image would have no pixel.
  if (r < 1 || side >= width || side >= height)
    return;
  if (!m_pMask || m_pMask->GetWidth() != width || m_pMask->GetHeight() != height)
    m_pMask = std::make_shared<TCPx8bitImage>(width, height);
  TCPx8bitImage& copy = *m_pMask;
  copy.ResetROI();
  TCPx8bitImage source(image);
  source.ResetROI();
  copy = source;

  TCPxFloatImage sum(side, side);
  int added = 0;
  for (const TCPxCircle& c : *circles)
  {
    const int left = Round(c.centre.GetX() - r);
    const int top = Round(c.centre.GetY() - r);
    if (left < 0 || left + side >= width || top < 0 || top + side >= height)
      break;
    copy.SetROI(TCGenRect<int>(left, top, left + side, top + side));
    std::unique_ptr<TCPxImageBase> crop(copy.CreateImageOfROI());
    copy.ResetROI();
    if (!crop)
      continue;
    sum += TCPxFloatImage(static_cast<const TCPx8bitImage&>(*crop));
    ++added;
  }
  // Without a crop the template would be all zero and match everywhere.
  if (added == 0)
    return;
  sum /= static_cast<float>(added);
  TCPx8bitImage templ(side, side);
  TCPxConversion::Float2Byte(sum, &templ);

  TCPxFloatImage match(width - side + 1, height - side + 1);
  TCPxMatching::MatchTemplate(copy, templ, &match, 5);
  ApplyThresholdFilter(0.5 * match.GetMaximumValue(), &match);
  TCPx8bitImage matched(match.GetWidth(), match.GetHeight());
  TCPxConversion::Float2Byte(match, &matched);
  ContourList blobs;
  matched.FindContours(blobs, Px::FindContoursExternal, false);
  std::vector<TCPxCircle> candidates;
  for (const TCPxContour* b : blobs)
  {
    const TCGenPoint<double> cog = b->GetCOG();
    candidates.push_back(TCPxCircle(TCGenPoint<double>(cog.GetX() + r, cog.GetY() + r), r, 0));
  }
  ClearContours(&blobs);
  // A match must also have an edge along its outline: inside a large disc of
  // the wells' brightness the template matches flat ground.
  candidates.erase(std::remove_if(candidates.begin(), candidates.end(),
                                  [&](const TCPxCircle& c) { return EdgeSupport(c) < 0.5; }),
                   candidates.end());
  const std::vector<TCPxCircle> known = *circles;
  SelectCircles(candidates, known, circles);
}

double TCPxCircleDetectorImpl::EdgeSupport(const TCPxCircle& circle) const
{
  if (!m_pResponse || std::isnan(m_dCorfThreshold))
    return 1;
  const cv::Mat response = *m_pResponse->GetFullMatPtr();
  constexpr int kRays = 64;
  const double r = circle.radius;
  int supported = 0;
  for (int k = 0; k < kRays; ++k)
  {
    const double a = 2 * M_PI * k / kRays, dx = std::cos(a), dy = std::sin(a);
    const auto peak = [&](double from, double to) {
      int best = 0;
      for (double s = from * r; s <= to * r; s += 0.5)
      {
        const int x = static_cast<int>(std::lround(circle.centre.GetX() + s * dx));
        const int y = static_cast<int>(std::lround(circle.centre.GetY() + s * dy));
        if (x >= 0 && y >= 0 && x < response.cols && y < response.rows)
          best = std::max<int>(best, response.ptr<std::uint8_t>(y)[x]);
      }
      return best;
    };
    const int outline = peak(0.8, 1.2);
    if (outline >= m_dCorfThreshold && outline > 1.5 * peak(0.2, 0.6))
      ++supported;
  }
  return static_cast<double>(supported) / kRays;
}
}  // namespace _impl
