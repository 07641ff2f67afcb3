#pragma once
#include <vector>

#include <pixolan/PxExport.h>

class TCPx8bitImage;

/// Grey-level histogram of 8-bit images: 256 raw counts, re-binned into 1 to
/// 256 bins of width 256 / bins (integer division; the remainder of the range
/// falls into the last bin). Counts accumulate over Calculate calls.
class PIXOLAN_EXPORT TCPxHistogram
{
public:
  TCPxHistogram();
  TCPxHistogram(const TCPxHistogram& other) = default;
  TCPxHistogram& operator=(const TCPxHistogram& other) = default;
  virtual ~TCPxHistogram();

  /// Adds the image ROI's pixels whose mask pixel (same offset within the
  /// mask ROI) is non-zero. A mask ROI of another size resets every count to 0.
  void Calculate(const TCPx8bitImage& image, const TCPx8bitImage& mask);
  /// Adds every pixel of the image ROI.
  void Calculate(const TCPx8bitImage& image);

  /// n bins (1 ... 256), re-binned from the raw counts; other n are ignored.
  void SetNrBins(int n);
  int GetNrBins() const { return m_iNrBins; }
  std::vector<double> GetValues() const { return m_binned; }
  /// Largest / smallest binned value.
  double GetMaximumValue() const;
  double GetMinimumValue() const;

  /// Divides every bin where both values are non-zero by other's value; bins
  /// beyond other's bin count stay as they are.
  TCPxHistogram& operator/=(const TCPxHistogram& other);

private:
  void CalculateBinnedValues();

  int m_iNrBins;
  std::vector<double> m_binned;
  std::vector<double> m_raw;
};
