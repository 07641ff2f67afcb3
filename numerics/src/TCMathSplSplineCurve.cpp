// Closed planar spline curve over two cubic B-splines.
#include <tarvekmath/TCMathSplSplineCurve.h>

#include <cmath>
#include <stdexcept>

#include <tarvekmath/TCMathUtils.h>

TCMathSplSplineCurve::~TCMathSplSplineCurve() = default;

void TCMathSplSplineCurve::AddControlPoint(const TCGenPoint<double>& p)
{
  m_xSpline.AddControlPoint(p.GetX());
  m_ySpline.AddControlPoint(p.GetY());
  m_controlPoints.push_back(p);
}

void TCMathSplSplineCurve::SetControlPoints(const std::vector<TCGenPoint<double>>& points)
{
  m_xSpline.ClearControlPoints();
  m_ySpline.ClearControlPoints();
  m_controlPoints.clear();
  m_controlPoints.reserve(points.size());
  for (const auto& p : points)
    AddControlPoint(p);
}

const TCGenPoint<double>& TCMathSplSplineCurve::GetControlPoint(size_t i) const { return m_controlPoints.at(i); }

void TCMathSplSplineCurve::EvaluatePoints(int count, std::vector<TCGenPoint<double>>* out) const
{
  const size_t n = m_controlPoints.size();
  if (out == nullptr || n < 1)
    return;
  if (count <= 0)
  {
    out->clear();
    return;
  }
  out->resize(static_cast<size_t>(count));
  const double step = static_cast<double>(n) / count;
  for (int i = 0; i < count; ++i)
  {
    const double t = i * step;
    (*out)[static_cast<size_t>(i)] = TCGenPoint<double>(m_xSpline.Evaluate(t), m_ySpline.Evaluate(t));
  }
}

void TCMathSplSplineCurve::EvaluateNormals(int count, std::vector<TCGenPoint<double>>* out) const
{
  const size_t n = m_controlPoints.size();
  if (out == nullptr || n < 3)
    return;
  if (count <= 0)
  {
    out->clear();
    return;
  }
  out->resize(static_cast<size_t>(count));
  const double step = static_cast<double>(n) / count;
  for (int i = 0; i < count; ++i)
  {
    const double t = i * step;
    const double dx = m_xSpline.EvaluateDerative(t), dy = m_ySpline.EvaluateDerative(t);
    const double d = std::sqrt(dx * dx + dy * dy);
    if (d != 0.0)
      (*out)[static_cast<size_t>(i)] = TCGenPoint<double>(dy / d, -dx / d);
  }
}

void TCMathSplSplineCurve::UpdateSplines(size_t i)
{
  m_xSpline.SetControlPoint(i, m_controlPoints[i].GetX());
  m_ySpline.SetControlPoint(i, m_controlPoints[i].GetY());
}

void TCMathSplSplineCurve::Translate(const TCGenPoint<double>& offset)
{
  m_center += offset;
  for (size_t i = 0; i < m_controlPoints.size(); ++i)
  {
    m_controlPoints[i] += offset;
    UpdateSplines(i);
  }
}

void TCMathSplSplineCurve::Translate2Center(const TCGenPoint<double>& p) { Translate(p - m_center); }

void TCMathSplSplineCurve::Scale(double f) { Scale(f, f); }

void TCMathSplSplineCurve::Scale(double fx, double fy)
{
  const double cx = m_center.GetX(), cy = m_center.GetY();
  for (size_t i = 0; i < m_controlPoints.size(); ++i)
  {
    const TCGenPoint<double>& p = m_controlPoints[i];
    m_controlPoints[i] = TCGenPoint<double>(cx + (p.GetX() - cx) * fx, cy + (p.GetY() - cy) * fy);
    UpdateSplines(i);
  }
}

void TCMathSplSplineCurve::Rotate(double angle)
{
  for (size_t i = 0; i < m_controlPoints.size(); ++i)
  {
    m_controlPoints[i] = TCMathUtils::Rotate(m_controlPoints[i], m_center, angle);
    UpdateSplines(i);
  }
}

void TCMathSplSplineCurve::Rotate(const std::list<int>& indices, double angle)
{
  for (int idx : indices)
  {
    if (idx < 0 || static_cast<size_t>(idx) >= m_controlPoints.size())
      continue;
    const size_t i = static_cast<size_t>(idx);
    m_controlPoints[i] = TCMathUtils::Rotate(m_controlPoints[i], m_center, angle);
    UpdateSplines(i);
  }
}
