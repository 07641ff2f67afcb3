#pragma once
#include <vector>

#include <pixolan/PxExport.h>

class TCPx8bitImage;
class TCPxFloatImage;
class TCPxContour;

/// Moment invariants of a shape for recognition and matching. Every function
/// returns a new vector owned by the caller and reads the image's ROI only;
/// x is the ROI column, y the ROI row.
///
/// Affine moment invariants of an image (both `CalculateFlusserInvariants`
/// image forms). With m00 the mass, mu_kl the central moments
/// sum (x - xc)^k (y - yc)^l v, and the fifth- and seventh-order moments
/// replaced by cumulants scaled by m00 (mu'_kl below; for order 5:
/// mu'50 = mu50 - 10 mu30 mu20 / m00, mu'41 = mu41 - 2 (2 mu30 mu11 +
/// 3 mu21 mu20) / m00, ...; for order 7 also the products of orders 4 and 3
/// and the triple products 3 * 2 * 2 / m00^2):
///
///   I1 = (mu30^2 + mu03^2 - 6 mu30 mu21 mu12 mu03 + 4 mu30 mu12^3
///         + 4 mu21^3 mu03 - 3 mu21^2 mu12^2) / m00^10
///   I2 = (mu'05^2 + mu'50^2 - 10 mu'50 mu'41 mu'14 mu'05 + 4 mu'50 mu'32 mu'23 mu'05
///         + 16 mu'50 mu'32 mu'14^2 - 12 mu'50 mu'23^2 mu'14 + 16 mu'41^2 mu'23 mu'05
///         + 9 mu'41^2 mu'14^2 - 12 mu'41 mu'32^2 mu'05 - 76 mu'41 mu'32 mu'23 mu'14
///         + 48 mu'41 mu'23^3 + 48 mu'32^3 mu'14 - 32 mu'32^2 mu'23^2) / m00^14
///   I3 = (mu30^2 mu12 mu'05 - mu30^2 mu03 mu'14 - mu21^2 mu30 mu'05 - 2 mu30 mu21 mu12 mu'14
///         + 4 mu30 mu21 mu03 mu'23 + 2 mu30 mu12^2 mu'23 - 4 mu30 mu12 mu03 mu'32
///         + mu03^2 mu30 mu'41 + 3 mu21^3 mu'14 - 6 mu21^2 mu12 mu'23 - 2 mu21^2 mu03 mu'32
///         + 6 mu21 mu12^2 mu'32 + 2 mu21 mu12 mu03 mu'41 - mu03^2 mu21 mu'50
///         - 3 mu12^3 mu'41 + mu12^2 mu03 mu'50) / m00^11
///   I4 = (2 mu30 mu12 mu'41 mu'05 - 8 mu30 mu12 mu'32 mu'14 + 6 mu30 mu12 mu'23^2
///         - mu03 mu30 mu'50 mu'05 + 3 mu30 mu03 mu'41 mu'14 - 2 mu30 mu03 mu'32 mu'23
///         - 2 mu21^2 mu'41 mu'05 + 8 mu21^2 mu'32 mu'14 - 6 mu21^2 mu'23^2
///         + mu21 mu12 mu'50 mu'05 - 3 mu21 mu12 mu'41 mu'14 + 2 mu21 mu12 mu'32 mu'23
///         + 2 mu21 mu03 mu'50 mu'14 - 8 mu21 mu03 mu'41 mu'23 + 6 mu21 mu03 mu'32^2
///         - 2 mu12^2 mu'50 mu'14 + 8 mu12^2 mu'41 mu'23 - 6 mu12^2 mu'32^2) / m00^12
///   I5 = (H0 T0 - H1 T1 + H2 T2) / m00^13 with
///         H0 = mu30 mu12 - mu21^2, H1 = mu30 mu03 - mu21 mu12, H2 = mu21 mu03 - mu12^2,
///         Tj = sum_{i=0..5} (-1)^i C(5, i) mu'(5-i, i) mu'(i+j, 7-i-j)
///   I6 = (mu'70^2 mu'07^2 - 14 mu'70 mu'61 mu'16 mu'07 + 18 mu'70 mu'52 mu'25 mu'07
///         + 24 mu'70 mu'52 mu'16^2 - 10 mu'70 mu'43 mu'34 mu'07 - 60 mu'70 mu'43 mu'25 mu'16
///         + 40 mu'70 mu'34^2 mu'16 + 24 mu'61^2 mu'25 mu'07 + 25 mu'61^2 mu'16^2
///         - 60 mu'61 mu'52 mu'34 mu'07 - 234 mu'61 mu'52 mu'25 mu'16 + 40 mu'61 mu'43^2 mu'07
///         + 50 mu'61 mu'43 mu'34 mu'16 + 360 mu'61 mu'43 mu'25^2 - 240 mu'61 mu'34^2 mu'25
///         + 360 mu'52^2 mu'34 mu'16 + 81 mu'52^2 mu'25^2 - 240 mu'52 mu'43^2 mu'16
///         - 990 mu'52 mu'43 mu'34 mu'25 + 600 mu'52 mu'34^3 + 600 mu'43^3 mu'25
///         - 375 mu'43^2 mu'34^2) / m00^18
///
/// I3 to I6 are true affine invariants (derived and checked exactly by
/// scripts/derive_moment_invariants.py; I5 joins the cubic's Hessian with the
/// fifth transvectant of the quintic and septic forms; I6 is the quartic
/// invariant of the septic form). I1 and I2 lead with the sums mu30^2 + mu03^2
/// and mu'05^2 + mu'50^2, kept because stored descriptors were computed so:
/// they are invariant under translation and quarter turns, not under general
/// rotation or scaling.
class PIXOLAN_EXPORT TCPxInvariants
{
public:
  /// Hu's seven invariants (OpenCV's order) of the binary moments of the ROI:
  /// every non-zero pixel weighs 1. Seven zeros for an image without one.
  static std::vector<double> CalculateHuInvariants(const TCPx8bitImage& image);
  /// Hu's seven invariants of the contour's cached moments (the cache is
  /// created when absent); an empty vector for null.
  static std::vector<double> GetHuMoments(TCPxContour* contour);
  /// [s, h1/s^4, h2/s^6, h3/s^6, h4/s^12, h5/s^8, h6/s^12] of the binary
  /// moments of the ROI with s = sqrt(nu20 + nu02) and h Hu's values; seven
  /// NaN when s is 0 (no non-zero pixel).
  static std::vector<double> CalculateDudaniInvariants(const TCPxFloatImage& image);
  /// Complex-moment invariants psi1 ... psi6 of the filled shape: the outline
  /// is drawn (placed by its bounding box, nothing clipped) and the moments
  /// c(p, q) = sum (u + iv)^p (u - iv)^q over its pixels are normalised by the
  /// pixel area A (A^2 for order 2, A^2.5 for order 3):
  /// psi1 = Re n11, psi2 = Re(n12 n21), psi3 + i psi4 = n12 n21 n20,
  /// psi5 + i psi6 = n12 n12 n21 n20 n30. Six zeros for an empty contour; the
  /// image constructor's exception passes through when the bounding box is
  /// too large for an image.
  static std::vector<double> CalculateFlusserInvariants(const TCPxContour& contour);
  /// I1 ... I4 (class comment) with the pixel values as weights, for the
  /// centroid and m00 as well; six zeros when m00 is 0.
  static std::vector<double> CalculateFlusserInvariants(const TCPxFloatImage& image);
  /// I1 ... I6 (class comment): centroid and m00 from the non-zero pixels
  /// (each weighs 1), the central moments weighted by the grey values. Six
  /// zeros when no pixel is non-zero.
  static std::vector<double> CalculateFlusserInvariants(const TCPx8bitImage& image);
};
