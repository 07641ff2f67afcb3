#include "Scenes.h"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace scenes
{
namespace
{
constexpr double kPi = 3.14159265358979323846;

// Signed distance to the outline (negative inside) at (px, py).
double SignedDistance(const Shape& s, double px, double py)
{
  const double ux = px - s.x;
  const double uy = py - s.y;
  if (s.kind == Shape::Kind::Disc)
    return std::hypot(ux, uy) - s.radius;
  // Screen y points down: a counter-clockwise turn on screen is clockwise in
  // (x, y), so rotate the point by +angle into the rectangle's frame.
  const double a = s.angle * kPi / 180.0;
  const double c = std::cos(a);
  const double sn = std::sin(a);
  const double u = c * ux - sn * uy;
  const double v = sn * ux + c * uy;
  // A rounded rectangle is the inner rectangle grown by the corner radius.
  const double r = std::clamp(s.cornerRadius, 0.0, std::min(s.halfWidth, s.halfHeight));
  const double qx = std::abs(u) - (s.halfWidth - r);
  const double qy = std::abs(v) - (s.halfHeight - r);
  const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
  return outside + std::min(std::max(qx, qy), 0.0) - r;
}

double Extent(const Shape& s)
{
  return s.kind == Shape::Kind::Disc ? s.radius : std::hypot(s.halfWidth, s.halfHeight);
}

// Coverage of a pixel whose centre lies at signed distance d from an
// outline: a linear ramp one pixel wide across the outline, a close match to exact area
// coverage for outlines that are straight on the pixel scale.
double Coverage(double d)
{
  return std::clamp(0.5 - d, 0.0, 1.0);
}

void Paint(const Shape& s, cv::Mat* canvas)
{
  const double extent = Extent(s) + 2;
  const int x0 = std::max(0, static_cast<int>(std::floor(s.x - extent)));
  const int x1 = std::min(canvas->cols - 1, static_cast<int>(std::ceil(s.x + extent)));
  const int y0 = std::max(0, static_cast<int>(std::floor(s.y - extent)));
  const int y1 = std::min(canvas->rows - 1, static_cast<int>(std::ceil(s.y + extent)));
  for (int y = y0; y <= y1; ++y)
  {
    auto* row = canvas->ptr<float>(y);
    for (int x = x0; x <= x1; ++x)
    {
      const double d = SignedDistance(s, x, y);
      const double inside = Coverage(d);
      if (inside <= 0)
        continue;
      double value = s.level;
      if (s.rimWidth > 0)
      {
        // Rim where the distance inside is below rimWidth, anti-aliased at
        // its inner edge too.
        const double rim = Coverage(-(d + s.rimWidth));
        value = s.level + (s.rimLevel - s.level) * (1.0 - rim);
      }
      row[x] = static_cast<float>(row[x] * (1.0 - inside) + value * inside);
    }
  }
}
}  // namespace

cv::Mat RenderMat(const Scene& scene)
{
  cv::Mat canvas(scene.height, scene.width, CV_32F);
  const double span = std::max(1, scene.width + scene.height - 2);
  for (int y = 0; y < scene.height; ++y)
  {
    auto* row = canvas.ptr<float>(y);
    for (int x = 0; x < scene.width; ++x)
      row[x] = static_cast<float>(scene.background + scene.gradient * ((x + y) / span - 0.5));
  }
  for (const Shape& s : scene.shapes)
    Paint(s, &canvas);
  if (scene.blurSigma > 0)
    cv::GaussianBlur(canvas, canvas, cv::Size(), scene.blurSigma, scene.blurSigma, cv::BORDER_REPLICATE);
  if (scene.noiseSigma > 0)
  {
    cv::RNG rng(scene.seed);
    cv::Mat noise(canvas.size(), CV_32F);
    rng.fill(noise, cv::RNG::NORMAL, 0.0, scene.noiseSigma);
    canvas += noise;
  }
  cv::Mat out;
  canvas.convertTo(out, CV_8U);  // rounds and saturates
  return out;
}

TCPx8bitImage Render(const Scene& scene)
{
  const cv::Mat pixels = RenderMat(scene);
  TCPx8bitImage image(scene.width, scene.height);
  pixels.copyTo(*image.GetFullMatPtr());
  return image;
}

std::vector<TCGenPoint<double>> WellCentres(const Plate& plate)
{
  std::vector<TCGenPoint<double>> centres;
  const double a = plate.angle * kPi / 180.0;
  const double c = std::cos(a);
  const double s = std::sin(a);
  for (int j = 0; j < plate.rows; ++j)
    for (int i = 0; i < plate.cols; ++i)
    {
      const double u = (i - (plate.cols - 1) / 2.0) * plate.dx;
      const double v = (j - (plate.rows - 1) / 2.0) * plate.dy;
      // Counter-clockwise on screen (y down).
      centres.emplace_back(plate.cx + c * u + s * v, plate.cy - s * u + c * v);
    }
  return centres;
}

void AddPlate(const Plate& plate, Scene* scene)
{
  for (const auto& centre : WellCentres(plate))
  {
    Shape well;
    well.kind = plate.square ? Shape::Kind::Rect : Shape::Kind::Disc;
    well.x = centre.GetX();
    well.y = centre.GetY();
    well.radius = plate.radius;
    well.halfWidth = plate.halfWidth;
    well.halfHeight = plate.halfHeight;
    well.angle = plate.angle;
    well.cornerRadius = plate.cornerRadius;
    well.level = plate.wellLevel;
    well.rimWidth = plate.rimWidth;
    well.rimLevel = plate.rimLevel;
    scene->shapes.push_back(well);
  }
}
}  // namespace scenes
