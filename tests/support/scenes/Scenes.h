#pragma once
// Synthetic grey camera scenes with known geometry: anti-aliased discs and
// (rotated) rectangles over a background with a lighting gradient, then
// optical blur and sensor noise. Every scene is reproducible from its seed.
#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>

#include <general/TCGenPoint.h>
#include <pixolan/model/TCPx8bitImage.h>

namespace scenes
{
/// One object of a scene. A disc has radius `radius`; a rectangle has half
/// sizes `halfWidth`, `halfHeight` and is turned by `angle` degrees
/// (counter-clockwise on screen) about its centre, its corners rounded with
/// radius `cornerRadius` (at most the smaller half size). With `rimWidth` > 0 a band
/// of that width just inside the outline gets `rimLevel` (a well's wall).
struct Shape
{
  enum class Kind { Disc, Rect };
  Kind kind = Kind::Disc;
  double x = 0, y = 0;
  double radius = 0;
  double halfWidth = 0, halfHeight = 0;
  double angle = 0;
  double cornerRadius = 0;
  double level = 200;
  double rimWidth = 0;
  double rimLevel = 0;
};

struct Scene
{
  int width = 640;
  int height = 480;
  double background = 100;
  /// Lighting: grey levels added from the top-left corner (−g/2) to the
  /// bottom-right one (+g/2), linear in between.
  double gradient = 0;
  /// Gaussian blur applied after drawing (0: none).
  double blurSigma = 0;
  /// Standard deviation of the Gaussian noise added last (0: none).
  double noiseSigma = 0;
  std::uint32_t seed = 1;
  std::vector<Shape> shapes;
};

/// The scene as an 8-bit grey matrix (rounded, saturated).
cv::Mat RenderMat(const Scene& scene);
/// The same as a library image.
TCPx8bitImage Render(const Scene& scene);

/// A plate of rows × cols wells on a regular grid: centre (cx, cy), pitch
/// (dx, dy), the whole grid turned by `angle` degrees about its centre.
struct Plate
{
  int rows = 8;
  int cols = 12;
  double cx = 320, cy = 240;
  double dx = 48, dy = 48;
  double angle = 0;
  bool square = false;
  /// Disc radius, or half sizes and corner radius of a square well.
  double radius = 18;
  double halfWidth = 18, halfHeight = 18;
  double cornerRadius = 0;
  double wellLevel = 60;
  double rimWidth = 0;
  double rimLevel = 0;
};

/// Well centres row by row from the top left, with the rotation applied.
std::vector<TCGenPoint<double>> WellCentres(const Plate& plate);
/// Appends the plate's wells to the scene.
void AddPlate(const Plate& plate, Scene* scene);
}  // namespace scenes
