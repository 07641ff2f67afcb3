#pragma once
#include <memory>

#include <pixolan/PxExport.h>

class TCPx8bitImage;
class TCPxFloatImage;

namespace _impl
{
class TCPxOpticalFlowImpl;
}

/// Dense Lucas–Kanade optical flow: per pixel, the motion that best explains
/// the change from one grey frame to the next within a Gaussian window.
/// Keeps its filters and working images between calls; one calculator serves
/// one thread at a time.
class PIXOLAN_EXPORT TCPxOpticalFlowCalculatorLucasKanade
{
public:
  /// Pre-smoothing Gauss(9, 2.0), window Gauss(5, 2.0), eigenvalue threshold
  /// 3e-6, border band 5.
  TCPxOpticalFlowCalculatorLucasKanade();
  /// preSize 0: no pre-smoothing and a border band of 5; otherwise the band
  /// is preSize wide.
  TCPxOpticalFlowCalculatorLucasKanade(int preSize, double preSigma, int winSize, double winSigma, double threshold);
  /// Copies own their filters and working images.
  TCPxOpticalFlowCalculatorLucasKanade(const TCPxOpticalFlowCalculatorLucasKanade& other);
  TCPxOpticalFlowCalculatorLucasKanade& operator=(const TCPxOpticalFlowCalculatorLucasKanade& other);
  virtual ~TCPxOpticalFlowCalculatorLucasKanade();

  /// Flow from `previous` to `next` over their ROIs: flow1 the x component
  /// (positive for motion towards +x), flow2 the y component, in pixels per
  /// frame, written from each flow image's ROI offset. 0 where the smaller
  /// eigenvalue of the windowed structure tensor is below the threshold and
  /// in the border band. Nothing happens unless both frames are 8-bit with
  /// ROIs of one size and both flow images hold that size from their ROI
  /// offsets.
  void CalcOpticalFlow(const TCPx8bitImage& previous, const TCPx8bitImage& next, TCPxFloatImage* flow1,
                       TCPxFloatImage* flow2);

private:
  std::unique_ptr<_impl::TCPxOpticalFlowImpl> m_impl;
};
