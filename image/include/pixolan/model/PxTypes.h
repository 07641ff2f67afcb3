#pragma once
// Image type codes and interpolation kinds shared by every image class.

/// Pixel layout of an image. Stored in every image and used by the image factory.
enum NPxImageTypes : int
{
  ImageType8bit = 1,  ///< one channel of unsigned bytes
  ImageType24bit = 3, ///< B, G, R bytes
  ImageType32bit = 4, ///< B, G, R, A bytes
  ImageTypeFloat = 5, ///< one channel of 32-bit floats
  ImageTypeAvr = 6,   ///< asks the factory for a running-average image (which reports ImageTypeFloat)
  ImageTypeInt32 = 7, ///< one channel of 32-bit signed integers
};

namespace Px
{
/// Resampling kinds of Scale and the resizing functions.
enum EInterpolationType : int
{
  InterpolationNearestNeighbour = 0,
  InterpolationLinear = 1,
  InterpolationArea = 2,
  InterpolationCubic = 3,
};
} // namespace Px
