#pragma once
#include <memory>

#include <pixolan/filters/TCPxFilterFactory.h>

/// Motion-history mask of a stream of 8-bit frames: every step-th frame the
/// difference to the frame last compared with is thresholded into a 0/1 mask;
/// the masks of a sliding window of duration − 1 differences are summed, and
/// the output is 255 where any of them saw a change, else 0.
///
/// The work is done by ProcessImageFast; ProcessImage does nothing (so the
/// factory's ApplyFilter does nothing for this kind either). The first frame
/// (and the first after a change of frame size) is only stored: it writes no
/// output. Each object keeps its own history window, which its copies share
/// with it together with the images; separate objects may run on separate
/// threads. The difference threshold is fixed by the object's first
/// difference: SetThreshold afterwards changes only the stored value.
class PIXOLAN_EXPORT TCPxFilterMotionHistory : public TCPxImageFilter
{
public:
  TCPxFilterMotionHistory();
  using TCPxImageFilter::ProcessImage;
  /// Does nothing.
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  /// One frame of the history; the mask goes to the destination (an 8-bit
  /// image of the source's size) or, without one, into the source.
  virtual void ProcessImageFast(TCPxImageBase* source, TCPxImageBase* destination) const;

  double GetDuration() const { return m_dDuration; }
  void SetDuration(double duration) { m_dDuration = duration; }
  double GetThreshold() const { return m_dThreshold; }
  void SetThreshold(double threshold) { m_dThreshold = threshold; }
  /// Frames between differences; values below 1 count as 1.
  int GetStep() const { return m_iStep; }
  void SetStep(int step) { m_iStep = step; }

private:
  struct History;
  double m_dDuration = 10.0;
  double m_dThreshold = 10.0;
  int m_iStep = 2;
  std::shared_ptr<History> m_history;
  PX_FILTER_REGISTRAR
};

/// Background and texture for video frames.
/// - 8-bit source: the 3 × 3 local binary pattern of the ROI, replicating the
///   ROI's edge pixels: bit k of a pixel's code is set when neighbour k is at
///   least the centre value, neighbours numbered clockwise from the top-left
///   one (0 top-left, 1 top, 2 top-right, 3 right, 4 bottom-right, 5 bottom,
///   6 bottom-left, 7 left).
/// - 24-bit source with an 8-bit destination of the same size (an exception
///   to the rule that a destination is of the source's class): the foreground
///   mask (255 foreground, 0 background) of a per-pixel mixture of 7
///   Gaussians learnt from the frames so far, history 200 frames, no shadow
///   detection. A frame of another size starts a new model. Without an 8-bit
///   destination the colour path does nothing.
/// Copies start with a fresh model.
class PIXOLAN_EXPORT TCPxFilterForegroundGauss : public TCPxImageFilter
{
public:
  TCPxFilterForegroundGauss();
  TCPxFilterForegroundGauss(const TCPxFilterForegroundGauss& other);
  TCPxFilterForegroundGauss& operator=(const TCPxFilterForegroundGauss& other);
  ~TCPxFilterForegroundGauss() override;
  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;

  /// The model's background estimate after the last colour frame (null before).
  const TCPx24bitImage* GetBackgroundImage() const;

private:
  struct Model;
  std::unique_ptr<Model> m_model;
  PX_FILTER_REGISTRAR
};
