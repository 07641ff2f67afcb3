// Constant and zero prior means of the Gaussian process.
#include <tarvekmath/TCMathGpMeanFunction.h>

Math::Vector TCMathGpMfConst::CalcValues(const Math::Matrix& x) const
{
  return Math::Vector(x.size1(), m_c);
}

Math::Vector TCMathGpMfZero::CalcValues(const Math::Matrix& x) const
{
  return Math::Vector(x.size1(), 0.0);
}
