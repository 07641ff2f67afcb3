// Objects from masks: contour extraction and thinning of 8-bit images.
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx8bitImage.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cmath>
#include <memory>
#include <mutex>
#include <numeric>
#include <utility>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "PxParallel.h"

namespace
{
TCGenRect<int> RoiOf(const TCPxImageBase& image)
{
  return image.GetROI();
}

using Outline = std::vector<cv::Point>;

// Index of the first outline with the strictly largest absolute area; -1 when none.
int LargestIndex(const std::vector<Outline>& outlines)
{
  double best = -1.0;
  int index = -1;
  for (std::size_t i = 0; i < outlines.size(); ++i)
  {
    const double area = std::fabs(cv::contourArea(outlines[i]));
    if (area > best)
    {
      best = area;
      index = static_cast<int>(i);
    }
  }
  return index;
}

template <class Container>
void DeleteAll(Container& contours)
{
  for (TCPxContour* c : contours)
    delete c;
  contours.clear();
}
} // namespace

void TCPx8bitImage::FindContours(std::list<TCPxContour*>& contours, Px::EFindContourFlags mode,
                                 bool largestOnly) const
{
  int retrieval;
  if (mode == Px::FindContoursExternal)
    retrieval = cv::RETR_EXTERNAL;
  else if (mode == Px::FindContoursList)
    retrieval = cv::RETR_LIST;
  else
    return;
  std::vector<Outline> outlines;
  try
  {
    // findContours reads its input only (OpenCV 4), so the view itself can be passed.
    cv::findContours(*GetMatPtr(), outlines, retrieval, cv::CHAIN_APPROX_NONE, cv::Point(0, 0));
  }
  catch (...)
  {
    return; // an image the finder cannot trace yields no contours
  }
  const TCGenRect<int> roi = RoiOf(*this);
  if (largestOnly)
  {
    const int index = LargestIndex(outlines);
    if (index >= 0)
      contours.push_back(new TCPxContour(std::move(outlines[static_cast<std::size_t>(index)]), roi));
    return;
  }
  for (Outline& outline : outlines)
  {
    auto contour = std::make_unique<TCPxContour>(std::move(outline), roi);
    contours.push_back(contour.get());
    contour.release();
  }
}

void TCPx8bitImage::FindContours(std::vector<TCPxContour*>& outer, std::vector<std::vector<TCPxContour*>>& holes,
                                 bool largestOnly) const
{
  // The vectors are emptied, not their contours deleted: callers often
  // release what they got from the previous call themselves.
  outer.clear();
  holes.clear();

  std::vector<Outline> outlines;
  std::vector<cv::Vec4i> hierarchy;
  cv::findContours(*GetMatPtr(), outlines, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_NONE, cv::Point(0, 0));
  const TCGenRect<int> roi = RoiOf(*this);
  // Builds the outline `index` and the holes whose parent it is.
  auto add = [&](int index) {
    outer.push_back(nullptr);
    outer.back() = new TCPxContour(outlines[static_cast<std::size_t>(index)], roi);
    holes.emplace_back();
    for (std::size_t i = 0; i < outlines.size(); ++i)
      if (hierarchy[i][3] == index)
      {
        holes.back().push_back(nullptr);
        holes.back().back() = new TCPxContour(outlines[i], roi);
      }
  };
  if (largestOnly)
  {
    const int index = LargestIndex(outlines);
    if (index >= 0)
      add(index);
    return;
  }
  for (std::size_t j = 0; j < outlines.size(); ++j)
    if (hierarchy[j][3] < 0)
      add(static_cast<int>(j));
}

TCPxContour* TCPx8bitImage::FindLargestContour(
    std::function<bool(const TCPxContour*, const TCPxContour*)> less) const
{
  std::list<TCPxContour*> found;
  // With the caller's ranking: every external outline is a candidate.
  FindContours(found, Px::FindContoursExternal, !less);
  if (found.empty())
    return nullptr;
  auto best = less ? std::max_element(found.begin(), found.end(), less) : found.begin();
  TCPxContour* result = *best;
  found.erase(best);
  DeleteAll(found);
  return result;
}

// ---- thinning -------------------------------------------------------------------------------
namespace
{
// Neighbourhood code bits, from the correlation with
// 256 128 64 / 32 16 8 / 4 2 1 over a binary image.
enum : int
{
  kTL = 256,
  kT = 128,
  kTR = 64,
  kL = 32,
  kC = 16,
  kR = 8,
  kBL = 4,
  kB = 2,
  kBR = 1,
};

struct ThinningTables
{
  std::array<std::uint8_t, 512> first{};
  std::array<std::uint8_t, 512> second{};
  std::array<bool, 512> endPoint{};

  ThinningTables()
  {
    for (int code = 0; code < 512; ++code)
    {
      if (!(code & kC))
        continue;
      // Neighbours counter-clockwise from the right: x1 = R ... x8 = BR, x9 = x1.
      const bool x[10] = {false,          bool(code & kR),  bool(code & kTR), bool(code & kT), bool(code & kTL),
                          bool(code & kL), bool(code & kBL), bool(code & kB),  bool(code & kBR), bool(code & kR)};
      int crossings = 0, n1 = 0, n2 = 0;
      for (int i = 1; i <= 4; ++i)
      {
        if (!x[2 * i - 1] && (x[2 * i] || x[2 * i + 1]))
          ++crossings;
        if (x[2 * i - 1] || x[2 * i])
          ++n1;
        if (x[2 * i] || x[2 * i + 1])
          ++n2;
      }
      const int m = std::min(n1, n2);
      const bool removable = crossings == 1 && m >= 2 && m <= 3;
      // The first pass removes pixels unless ((x6 or x7 or not x4) and x5): the
      // south-west side; the second unless ((x2 or x3 or not x8) and x1).
      first[static_cast<std::size_t>(code)] = removable && !((x[6] || x[7] || !x[4]) && x[5]) ? 0 : 1;
      second[static_cast<std::size_t>(code)] = removable && !((x[2] || x[3] || !x[8]) && x[1]) ? 0 : 1;

      // End point: fewer than 8 neighbours and at most one contiguous run of
      // set neighbours in the circular order T, TR, R, BR, B, BL, L, TL.
      const int ring[8] = {kT, kTR, kR, kBR, kB, kBL, kL, kTL};
      int set = 0, runs = 0;
      for (int i = 0; i < 8; ++i)
      {
        const bool on = code & ring[i];
        const bool previous = code & ring[(i + 7) % 8];
        set += on;
        runs += on && !previous;
      }
      endPoint[static_cast<std::size_t>(code)] = set < 8 && (runs <= 1);
    }
  }
};

const ThinningTables& Tables()
{
  static const ThinningTables tables;
  return tables;
}

// Row bands of about a twelfth of the rows, concurrently where workers are available.
template <class Body>
void ForEachBand(int rows, Body body)
{
  _impl::ForEachRowBand(rows, rows / 12, body);
}

class Skeletoniser
{
public:
  // Binary copy of the whole image (0/1) and the work region: the ROI grown by
  // one pixel on every side, clipped to the image.
  explicit Skeletoniser(const TCPx8bitImage& image)
  {
    const cv::Mat source(image.GetHeight(), image.GetWidth(), CV_8UC1, const_cast<unsigned char*>(image.GetBuffer()),
                         static_cast<std::size_t>(image.GetStepSize()));
    cv::threshold(source, m_binary, 0, 1, cv::THRESH_BINARY);
    TCGenRect<int> region = image.GetROI();
    region.InflateRect(1, 1, 1, 1);
    m_valid = region.SetIntersect(TCGenRect<int>(0, 0, image.GetWidth(), image.GetHeight())) &&
              !image.GetROI().IsEmpty();
    m_region = cv::Rect(region.GetLeft(), region.GetTop(), region.GetWidth(), region.GetHeight());
    m_kernel = (cv::Mat_<float>(3, 3) << 256, 128, 64, 32, 16, 8, 4, 2, 1);
  }

  bool Valid() const { return m_valid; }

  // One thinning iteration (both sub-passes); true when a pixel changed.
  bool Iterate()
  {
    std::atomic<bool> changed{false};
    for (const auto* table : {&Tables().first, &Tables().second})
    {
      ComputeCodes();
      ForEachBand(m_region.height, [&](int begin, int end) {
        bool local = false;
        for (int y = begin; y < end; ++y)
        {
          std::uint8_t* b = m_binary.ptr<std::uint8_t>(m_region.y + y) + m_region.x;
          const std::int16_t* c = m_codes.ptr<std::int16_t>(y);
          for (int x = 0; x < m_region.width; ++x)
            if (b[x])
            {
              const std::uint8_t v = (*table)[static_cast<std::size_t>(c[x])];
              local |= v != b[x];
              b[x] = v;
            }
        }
        if (local)
          changed = true;
      });
    }
    return changed;
  }

  std::vector<TCGenPoint<int>> EndPoints()
  {
    ComputeCodes();
    std::vector<TCGenPoint<int>> points;
    std::mutex guard;
    ForEachBand(m_region.height, [&](int begin, int end) {
      std::vector<TCGenPoint<int>> local;
      for (int y = begin; y < end; ++y)
      {
        const std::uint8_t* b = m_binary.ptr<std::uint8_t>(m_region.y + y) + m_region.x;
        const std::int16_t* c = m_codes.ptr<std::int16_t>(y);
        for (int x = 0; x < m_region.width; ++x)
          if (b[x] && Tables().endPoint[static_cast<std::size_t>(c[x])])
            local.emplace_back(m_region.x + x, m_region.y + y);
      }
      std::lock_guard<std::mutex> lock(guard);
      points.insert(points.end(), local.begin(), local.end());
    });
    // Bands finish in any order: sort so that results are reproducible.
    std::sort(points.begin(), points.end(), [](const TCGenPoint<int>& a, const TCGenPoint<int>& b) {
      return a.GetY() != b.GetY() ? a.GetY() < b.GetY() : a.GetX() < b.GetX();
    });
    return points;
  }

  const cv::Mat& Binary() const { return m_binary; }

private:
  // Codes of the work region by one correlation; neighbours outside the region
  // come from the image, mirrored (reflect-101) at the image border.
  void ComputeCodes()
  {
    cv::filter2D(m_binary(m_region), m_codes, CV_16S, m_kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT_101);
  }

  cv::Mat m_binary;
  cv::Mat m_codes;
  cv::Mat m_kernel;
  cv::Rect m_region;
  bool m_valid = false;
};
} // namespace

std::vector<TCGenPoint<int>> TCPx8bitImage::Thin(bool collectEndPoints, int maxIterations)
{
  if (maxIterations <= 0)
    return {};
  if (maxIterations == INT_MAX)
    maxIterations = std::min(GetWidth(), GetHeight());
  Skeletoniser skeleton(*this);
  if (!skeleton.Valid())
    return {};
  for (int i = 1; i <= maxIterations; ++i)
    if (!skeleton.Iterate())
      break;
  std::vector<TCGenPoint<int>> ends;
  if (collectEndPoints)
    ends = skeleton.EndPoints();
  // The ROI takes the skeleton as 0 and 1.
  const TCGenRect<int> roi = GetROI();
  const cv::Rect r(roi.GetLeft(), roi.GetTop(), roi.GetWidth(), roi.GetHeight());
  cv::Mat target(GetHeight(), GetWidth(), CV_8UC1, CurrentBuffer(), static_cast<std::size_t>(GetStepSize()));
  cv::Mat part = target(r);
  skeleton.Binary()(r).copyTo(part);
  return ends;
}

std::vector<TCGenPoint<int>> TCPx8bitImage::GetEndPoints() const
{
  Skeletoniser skeleton(*this);
  if (!skeleton.Valid())
    return {};
  while (skeleton.Iterate())
  {
  }
  return skeleton.EndPoints();
}
