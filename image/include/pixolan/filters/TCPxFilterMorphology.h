#pragma once
#include <memory>

#include <general/TCGenRect.h>
#include <pixolan/filters/TCPxFilterFactory.h>

class TCPx8bitImage;
class TCPx24bitImage;
class TCPxFloatImage;

/// Scratch images of the border-replicating morphology, one per pixel kind,
/// and the structuring element they were prepared for.
struct MorphStates;

/// Binary and grey morphology. Square operations (Erode, Dilate, Open, Close)
/// iterate a 3 x 3 structuring element `steps` times: on 8-bit images over the
/// ROI clipped one pixel inside the image, on 24-bit and float images over the
/// interior; with border replication over the whole image with a replicated
/// border. Circular operations (8-bit only) use a disc of radius `steps` once,
/// with OpenCV's constant border for morphology.
class PIXOLAN_EXPORT TCPxFilterMorphology : public TCPxImageFilter
{
public:
  TCPxFilterMorphology(Px::EMorphologyTypes type, int steps, bool replicateBorder);
  /// Copies the parameters; each copy keeps its own scratch state.
  TCPxFilterMorphology(const TCPxFilterMorphology& other);
  TCPxFilterMorphology& operator=(const TCPxFilterMorphology& other);
  ~TCPxFilterMorphology() override;

  using TCPxImageFilter::ProcessImage;
  void ProcessImage(TCPxImageBase* source, TCPxImageBase* destination) const override;
  /// One 3 x 3 dilation in place on `rect` clipped one pixel inside the image,
  /// whatever the filter's mask, steps and type.
  void Dilate8bitImageROI(std::shared_ptr<TCPx8bitImage> image, TCGenRect<int> rect) const;

  Px::EMorphologyTypes GetType() const { return m_eType; }
  void SetType(Px::EMorphologyTypes type) { m_eType = type; }
  bool GetReplicateBorder() const { return m_bReplicateBorder; }
  void SetReplicateBorder(bool replicate) { m_bReplicateBorder = replicate; }
  bool HasDefaultMask() const { return m_bDefaultMask; }
  int GetSteps() const { return m_iSteps; }
  /// Stores the steps and rebuilds the disc.
  void SetSteps(int steps);
  /// Cross-shaped mask 0 1 0 / 1 1 1 / 0 1 0.
  void SetMask4Connectivity();
  /// Full 3 x 3 mask.
  void SetMask8Connectivity();
  /// The disc of the circular operations, (2 steps + 1)^2 bytes, row-major.
  const unsigned char* GetCircularKernel() const { return m_pDisc.get(); }

private:
  void CreateCircularKernel();
  void Square(TCPxImageBase* source, TCPxImageBase* destination, bool dilate) const;
  void SquareBorderReplicate(TCPxImageBase* source, TCPxImageBase* destination, bool dilate) const;
  void Circular(TCPxImageBase* source, TCPxImageBase* destination, bool dilate) const;

  Px::EMorphologyTypes m_eType;
  int m_iSteps;
  bool m_bReplicateBorder;
  unsigned char m_mask[9];
  bool m_bDefaultMask;
  std::unique_ptr<unsigned char[]> m_pDisc;
  std::unique_ptr<MorphStates> m_pStates;
  PX_FILTER_REGISTRAR
};
