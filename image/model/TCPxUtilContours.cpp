// Contour utilities of TCPxUtil: building, joining and measuring outlines.
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxUtil.h>

#include <algorithm>
#include <limits>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <general/TCGenMathUtils.h>

void TCPxUtil::FillDistImage(TCPxFloatImage* target, const TCPxFloatImage& mask, const TCPxContour& contour)
{
  if (!target)
    return;
  target->Fill(-1.0f);
  const TCGenRect<int> roi = target->GetROI();
  // Mask pixels are read at the same whole-image positions: only where both images have them.
  const int right = std::min(roi.GetRight(), mask.GetWidth());
  const int bottom = std::min(roi.GetBottom(), mask.GetHeight());
  const cv::Mat maskView = *mask.GetFullMatPtr();
  cv::Mat out = *target->GetFullMatPtr();
  for (int y = roi.GetTop(); y < bottom; ++y)
  {
    const float* m = maskView.ptr<float>(y);
    float* t = out.ptr<float>(y);
    for (int x = roi.GetLeft(); x < right; ++x)
      if (m[x] != 0.0f)
        t[x] = static_cast<float>(std::max(0.0, -contour.GetDistance(TCGenPoint<int>(x, y))));
  }
}

TCPxContour* TCPxUtil::CreateContourFromPoints(const std::vector<TCGenPoint<int>>& points)
{
  std::vector<cv::Point> pts;
  pts.reserve(points.size());
  for (const auto& p : points)
    pts.emplace_back(p.GetX(), p.GetY());
  return new TCPxContour(pts);
}

TCPxContour* TCPxUtil::CreateContourFromPoints(const std::vector<TCGenPoint<double>>& points)
{
  std::vector<cv::Point> pts;
  pts.reserve(points.size());
  for (const auto& p : points)
    pts.emplace_back(TCGenMathUtils::RoundFast(p.GetX()), TCGenMathUtils::RoundFast(p.GetY()));
  return new TCPxContour(pts);
}

TCPxContour* TCPxUtil::CreateConvexHullContour(const std::list<TCPxContour*>& contours)
{
  std::list<const TCPxContour*> present;
  for (const TCPxContour* c : contours)
    if (c)
      present.push_back(c);
  if (present.empty())
    return nullptr;
  if (present.size() == 1)
    return new TCPxContour(*present.front());
  std::vector<cv::Point> all;
  for (const TCPxContour* c : present)
    all.insert(all.end(), c->GetPoints().begin(), c->GetPoints().end());
  const TCPxContour joined(all);
  std::list<TCGenPoint<int>> hull;
  joined.GetConvexHull(&hull);
  std::vector<cv::Point> hullPoints;
  for (const auto& p : hull)
    hullPoints.emplace_back(p.GetX(), p.GetY());
  return new TCPxContour(hullPoints);
}

std::shared_ptr<TCPxContour> TCPxUtil::CreateUnionContour(std::shared_ptr<TCPxContour> a,
                                                         std::shared_ptr<TCPxContour> b)
{
  if (!a || !b || a->GetPoints().empty() || b->GetPoints().empty())
    return nullptr;
  TCGenRect<int> box = a->GetBoundingRect();
  box.SetUnion(b->GetBoundingRect());
  // Outlines with negative coordinates cannot be drawn into the scratch image.
  if (box.GetLeft() < 0 || box.GetTop() < 0 || box.GetRight() < 0 || box.GetBottom() < 0)
    return nullptr;
  TCPx8bitImage scratch(box.GetRight() + 4, box.GetBottom() + 4);
  scratch.DrawContour(a.get(), 255, true, 1);
  scratch.DrawContour(b.get(), 255, true, 1);
  // The closest pair of points (the first of equals) joins the two blobs.
  double best = std::numeric_limits<double>::max();
  cv::Point pa, pb;
  for (const cv::Point& p : a->GetPoints())
    for (const cv::Point& q : b->GetPoints())
    {
      const double dx = double(p.x) - q.x, dy = double(p.y) - q.y;
      const double d = dx * dx + dy * dy;
      if (d < best)
      {
        best = d;
        pa = p;
        pb = q;
      }
    }
  scratch.Line(pa.x, pa.y, pb.x, pb.y, 255, 1);
  return std::shared_ptr<TCPxContour>(scratch.FindLargestContour(nullptr));
}

std::shared_ptr<TCPxContour> TCPxUtil::CreateUnionContour(const std::vector<std::shared_ptr<TCPxContour>>& contours)
{
  if (contours.empty())
    return nullptr;
  if (contours.size() == 1)
    return contours[0] ? std::make_shared<TCPxContour>(*contours[0]) : nullptr;
  if (contours.size() == 2)
    return CreateUnionContour(contours[0], contours[1]);
  // Merge the accumulated outline with the contour whose centre is nearest to
  // it, until one remains (iteratively: no recursion depth grows with the count).
  std::vector<std::shared_ptr<TCPxContour>> rest(contours.begin() + 1, contours.end());
  std::shared_ptr<TCPxContour> accumulated = contours[0];
  while (!rest.empty() && accumulated)
  {
    const TCGenPoint<double> centre = accumulated->GetCOG();
    std::size_t nearest = 0;
    double best = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < rest.size(); ++i)
    {
      if (!rest[i])
        continue;
      const double d = centre.DistanceSqr(rest[i]->GetCOG());
      if (d < best)
      {
        best = d;
        nearest = i;
      }
    }
    accumulated = CreateUnionContour(accumulated, rest[nearest]);
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(nearest));
  }
  return accumulated;
}

bool TCPxUtil::PointInPolygon(const std::vector<TCGenPoint<double>>& polygon, TCGenPoint<double> point)
{
  std::vector<cv::Point> pts;
  for (const auto& p : polygon)
    pts.emplace_back(TCGenMathUtils::RoundFast(p.GetX()), TCGenMathUtils::RoundFast(p.GetY()));
  if (pts.empty())
    return false;
  return cv::pointPolygonTest(pts, cv::Point2f(static_cast<float>(point.GetX()), static_cast<float>(point.GetY())),
                              false) >= 0;
}
