#pragma once
// Enumerations of the filter library.

namespace Px
{
/// Filter kinds known to the filter factory. Values 12 and 35 name no filter.
enum EFilterTypes : int
{
  Canny = 0,
  Contrast = 1,
  Fourier = 2,
  Gauss = 3,
  Highpass = 4,
  Hurst = 5,
  Laplace = 6,
  Lowpass = 7,
  Max = 8,
  Median = 9,
  Min = 10,
  MotionHistory = 11,
  DoubleThreshold = 13,
  PyrSegmentation = 14,
  PMDiffusion = 15,
  Angularity = 16,
  Morphology = 17,
  Range = 18,
  AddGaussianNoise = 19,
  GradientMagnitude = 20,
  Kuwahara = 21,
  EqualizeHistogram = 22,
  RGBChannelMixer = 23,
  HueRange = 24,
  Gradient = 25,
  HSV = 26,
  Bilateral = 27,
  ForegroundGauss = 28,
  Fixed = 29,
  SNN = 30,
  Convolution = 31,
  Gabor2D = 32,
  RGB2HSV = 33,
  LogGabor2D = 34,
  CORF = 36,
  DoG = 37,
};

/// Operations of the morphology filter; any other value does nothing.
enum EMorphologyTypes : int
{
  Erode = 1,
  Dilate = 2,
  Open = 3,
  Close = 4,
  ErodeCircular = 5,
  DilateCircular = 6,
  OpenCircular = 7,
  CloseCircular = 8,
};

/// Component computed by the gradient filter; other values do nothing.
enum EGradient : int
{
  GradientHorizontal = 0,
  GradientVertical = 1,
  GradientMagnitudeType = 2,
};

/// Output geometry of the convolution filter.
enum EConvolutionType : int
{
  ConvolutionFull = 0,  ///< true convolution, output (w + kw - 1) x (h + kh - 1)
  ConvolutionValid = 1, ///< not computed: the filter does nothing
  ConvolutionSame = 2,  ///< correlation of the source's size, reflect-101 border
};

/// Border types handed to OpenCV (the numeric values are OpenCV's).
enum EBorderHandling : int
{
  BorderConstant = 0,
  BorderReplicate = 1,
  BorderReflect = 2,
  BorderWrap = 3,
  BorderReflect101 = 4,
};

/// Kernels of the fixed filter; values 3 to 6 and all others do nothing.
/// A scoped enumeration: its Lowpass would otherwise collide with EFilterTypes' Lowpass.
enum class EFixedFilters
{
  Laplacian = 1,
  Lowpass = 2,
  ScharrHoriz = 7,
  ScharrVert = 8,
  Sharpen = 9,
  SobelCross = 10,
  SobelHoriz = 11,
  SobelHorizSecond = 12,
  SobelVert = 13,
  SobelVertSecond = 14,
};
} // namespace Px
