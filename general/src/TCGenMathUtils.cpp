#include <general/TCGenMathUtils.h>

#include <climits>
#include <cmath>

namespace
{
// Clamp a value that has already been rounded to an integral double into int.
int SaturateToInt(double integral)
{
  if (std::isnan(integral))
    return 0;
  if (integral >= static_cast<double>(INT_MAX))
    return INT_MAX;
  if (integral <= static_cast<double>(INT_MIN))
    return INT_MIN;
  return static_cast<int>(integral);
}

Gen::EPointOrientation OrientationOf(double pqx, double pqy, double qrx, double qry)
{
  const double cross = pqx * qry - pqy * qrx;
  if (cross < 0)
    return Gen::PointsClockwise;
  if (cross > 0)
    return Gen::PointsCounterClockwise;
  return Gen::PointsCollinear;
}
} // namespace

int TCGenMathUtils::Round(double value)
{
  return SaturateToInt(std::round(value));
}

int TCGenMathUtils::RoundFast(double value)
{
  // nearbyint follows the current rounding mode, which is round-half-even by default.
  return SaturateToInt(std::nearbyint(value));
}

Gen::EPointOrientation TCGenMathUtils::Orientation(const TCGenPoint<double>& p, const TCGenPoint<double>& q,
                                                   const TCGenPoint<double>& r)
{
  return OrientationOf(q.GetX() - p.GetX(), q.GetY() - p.GetY(), r.GetX() - q.GetX(), r.GetY() - q.GetY());
}

Gen::EPointOrientation TCGenMathUtils::Orientation(const TCGenPoint<int>& p, const TCGenPoint<int>& q,
                                                   const TCGenPoint<int>& r)
{
  // Differences in double: int coordinates near the limits cannot overflow.
  return OrientationOf(double(q.GetX()) - p.GetX(), double(q.GetY()) - p.GetY(), double(r.GetX()) - q.GetX(),
                            double(r.GetY()) - q.GetY());
}
