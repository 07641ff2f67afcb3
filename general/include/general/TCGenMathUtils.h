#pragma once
#include <general/GenExport.h>
#include <general/TCGenPoint.h>

namespace Gen
{
/// Turning direction of three points p, q, r.
enum EPointOrientation : int
{
  PointsCollinear = 0,
  PointsClockwise = 1,        ///< (q - p) x (r - q) < 0 in a y-up frame
  PointsCounterClockwise = 2, ///< (q - p) x (r - q) > 0
};
} // namespace Gen

/// Rounding and small geometric helpers.
class GEN_EXPORT TCGenMathUtils
{
public:
  /// Nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3).
  /// Values beyond the int range saturate; NaN gives 0.
  static int Round(double value);
  /// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4), as the FPU rounds
  /// in its default mode. Values beyond the int range saturate; NaN gives 0.
  static int RoundFast(double value);
  /// Orientation of the turn p -> q -> r from the sign of (q - p) x (r - q).
  static Gen::EPointOrientation Orientation(const TCGenPoint<double>& p, const TCGenPoint<double>& q,
                                            const TCGenPoint<double>& r);
  static Gen::EPointOrientation Orientation(const TCGenPoint<int>& p, const TCGenPoint<int>& q,
                                            const TCGenPoint<int>& r);
};
