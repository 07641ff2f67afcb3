// 2-D affine transforms.
#include <tarvekmath/TCMathGeometricTransform.h>

#include <cmath>

namespace
{
constexpr double kMinDet = 1e-8;
}

TCMathGeometricTransform::~TCMathGeometricTransform() = default;

void TCMathGeometricTransform::Set(double a11, double a12, double tx, double a21, double a22, double ty)
{
  m_a11 = a11;
  m_a12 = a12;
  m_tx = tx;
  m_a21 = a21;
  m_a22 = a22;
  m_ty = ty;
}

void TCMathGeometricTransform::DefineTranslation(double dx, double dy) { Set(1, 0, dx, 0, 1, dy); }

void TCMathGeometricTransform::DefineRotation(double cx, double cy, double angle)
{
  const double c = std::cos(angle), s = std::sin(angle);
  Set(c, -s, (1 - c) * cx + s * cy, s, c, (1 - c) * cy - s * cx);
}

void TCMathGeometricTransform::DefineScaling(double cx, double cy, double sx, double sy)
{
  Set(sx, 0, (1 - sx) * cx, 0, sy, (1 - sy) * cy);
}

void TCMathGeometricTransform::DefineScalingX(double cx, double sx) { Set(sx, 0, (1 - sx) * cx, 0, 1, 0); }

void TCMathGeometricTransform::DefineScalingY(double cy, double sy) { Set(1, 0, 0, 0, sy, (1 - sy) * cy); }

void TCMathGeometricTransform::DefineShearX(double y0, double k) { Set(1, k, -y0 * k, 0, 1, 0); }

void TCMathGeometricTransform::DefineShearY(double x0, double k) { Set(1, 0, 0, k, 1, -x0 * k); }

void TCMathGeometricTransform::SetNull() { Set(0, 0, 0, 0, 0, 0); }

TCGenPoint<double> TCMathGeometricTransform::Apply(const TCGenPoint<double>& p) const
{
  const double x = p.GetX(), y = p.GetY();
  return TCGenPoint<double>(m_a11 * x + m_a12 * y + m_tx, m_a21 * x + m_a22 * y + m_ty);
}

void TCMathGeometricTransform::ConvertPoint(TCGenPoint<double>& p) const { p = Apply(p); }

bool TCMathGeometricTransform::IsNull() const
{
  return m_a11 == 0 && m_a12 == 0 && m_tx == 0 && m_a21 == 0 && m_a22 == 0 && m_ty == 0;
}

bool TCMathGeometricTransform::IsInvertable() const { return std::abs(m_a11 * m_a22 - m_a21 * m_a12) >= kMinDet; }

bool TCMathGeometricTransform::GetInverseTransform(TCMathGeometricTransform& out) const
{
  const double det = m_a11 * m_a22 - m_a21 * m_a12;
  if (!(std::abs(det) >= kMinDet)) // also refuses a NaN determinant
    return false;
  out.Set(m_a22 / det, -m_a12 / det, (m_ty * m_a12 - m_tx * m_a22) / det, -m_a21 / det, m_a11 / det,
          (m_a21 * m_tx - m_ty * m_a11) / det);
  return true;
}

TCMathGeometricTransform Product(const TCMathGeometricTransform& t1, const TCMathGeometricTransform& t2)
{
  TCMathGeometricTransform r;
  r.Set(t1.m_a11 * t2.m_a11 + t1.m_a12 * t2.m_a21, t1.m_a11 * t2.m_a12 + t1.m_a12 * t2.m_a22,
        t1.m_a11 * t2.m_tx + t1.m_a12 * t2.m_ty + t1.m_tx, t1.m_a21 * t2.m_a11 + t1.m_a22 * t2.m_a21,
        t1.m_a21 * t2.m_a12 + t1.m_a22 * t2.m_a22, t1.m_a21 * t2.m_tx + t1.m_a22 * t2.m_ty + t1.m_ty);
  return r;
}
