#pragma once
#include <general/TCGenPoint.h>
#include <tarvekmath/MathExport.h>

/// 2-D affine transform x′ = a11·x + a12·y + tx, y′ = a21·x + a22·y + ty.
/// The default transform is the null transform (all six coefficients 0).
class TARVEKMATH_EXPORT TCMathGeometricTransform
{
public:
  TCMathGeometricTransform() = default;
  virtual ~TCMathGeometricTransform();

  void DefineTranslation(double dx, double dy);
  /// Rotation by angle (radians, counter-clockwise in y-up axes) about (cx, cy).
  void DefineRotation(double cx, double cy, double angle);
  /// Scaling by (sx, sy) about (cx, cy).
  void DefineScaling(double cx, double cy, double sx, double sy);
  void DefineScalingX(double cx, double sx);
  void DefineScalingY(double cy, double sy);
  /// x′ = x + k·(y − y0).
  void DefineShearX(double y0, double k);
  /// y′ = y + k·(x − x0).
  void DefineShearY(double x0, double k);
  void SetNull();

  TCGenPoint<double> Apply(const TCGenPoint<double>& p) const;
  void ConvertPoint(TCGenPoint<double>& p) const;
  /// All six coefficients exactly 0.
  bool IsNull() const;
  /// |a11·a22 − a21·a12| >= 1e-8.
  bool IsInvertable() const;
  /// The inverse into out; false (out untouched) when not invertible.
  bool GetInverseTransform(TCMathGeometricTransform& out) const;

  friend TARVEKMATH_EXPORT TCMathGeometricTransform Product(const TCMathGeometricTransform& t1,
                                                            const TCMathGeometricTransform& t2);

private:
  void Set(double a11, double a12, double tx, double a21, double a22, double ty);

  double m_a11 = 0.0;
  double m_a12 = 0.0;
  double m_tx = 0.0;
  double m_a21 = 0.0;
  double m_a22 = 0.0;
  double m_ty = 0.0;
};

/// The composition that applies t2 first and then t1.
TARVEKMATH_EXPORT TCMathGeometricTransform Product(const TCMathGeometricTransform& t1,
                                                   const TCMathGeometricTransform& t2);
