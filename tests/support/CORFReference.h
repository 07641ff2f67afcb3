#pragma once
// The contour operator computed step by step, as a reference for the
// restructured filter in tests and benchmarks (slow: small images in tests).
#include <cmath>

#include <opencv2/core.hpp>

#include <general/TCGenMathUtils.h>
#include <pixolan/filters/TCPxFilterCORF.h>
#include <pixolan/filters/TCPxFilterGauss.h>
#include <pixolan/model/TCPxFloatImage.h>

namespace pixolan_test
{
// The operator step by step: per orientation and tuple a blurred, circularly
// shifted, powered copy of the response multiplied into the product, then the
// weighted geometric mean and the maximum over the orientations. The product
// is kept in double: with a few dozen factors below 1 a float product
// underflows into subnormals and loses its digits. Slow; small images only.
inline TCPxFloatImage LiteralCORF(const TCPxFilterCORF& corf, const TCPxFloatImage& source)
{
  const int w = source.GetWidth(), h = source.GetHeight();
  TCPxFloatImage input(source);
  input /= 255.0f;
  TCPxFilterDoG dog(2 * corf.GetHalfSize() - 1, corf.GetSigma(), corf.GetSigmaRatio() * corf.GetSigma());
  dog.SetBorderHandling(Px::BorderReflect);
  TCPxFloatImage on(w, h);
  dog.ProcessImage(&input, &on);
  TCPxFloatImage off(on);
  off *= -1.0f;
  on.SetMinimumValue(0.0f);
  off.SetMinimumValue(0.0f);

  TCPxFloatImage result(w, h);
  result.Fill(-1.0f);
  const auto& tuples = corf.GetTuples();
  const double spread = corf.GetMaxRadius() / 3;
  for (int a = 0; a < 16; ++a)
  {
    TCPxFloatImage b(w, h);
    cv::Mat product(h, w, CV_64F, cv::Scalar(1.0)), factor;
    double weightSum = 0, sx = 0, sy = 0;
    for (std::size_t k = 0; k < tuples.size(); ++k)
    {
      const auto& t = tuples[k];
      const double weight = std::exp(-t.rho * t.rho / (2 * spread * spread));
      const double theta = a * CV_PI / 8 + t.phi;
      const bool rebuild = k == 0 || t.rho != tuples[k - 1].rho || t.sigma != tuples[k - 1].sigma ||
                           t.polarity != tuples[k - 1].polarity;
      if (rebuild)
      {
        b = t.polarity == 0 ? on : off;
        const double r = (0.9 * t.rho + 2.0) / 2;
        int size = TCGenMathUtils::Round(2 * r + 1);
        size += size % 2 == 0;
        TCPxFilterGauss gauss(size, r / 3);
        gauss.SetBorderHandling(Px::BorderReflect);
        gauss.ProcessImage(&b, nullptr);
        b.CircShift(static_cast<int>(t.rho * std::sin(theta)), static_cast<int>(-t.rho * std::cos(theta)));
        b.Pow(weight);
        sx = t.rho * std::sin(theta);
        sy = t.rho * std::cos(theta);
      }
      else
        b.CircShift(static_cast<int>(t.rho * std::sin(theta)) - TCGenMathUtils::Round(sx),
                    TCGenMathUtils::Round(sy) - static_cast<int>(t.rho * std::cos(theta)));
      b.GetMatPtr()->convertTo(factor, CV_64F);
      product = product.mul(factor);
      weightSum += weight;
    }
    cv::pow(product, 1.0 / weightSum, product);
    TCPxFloatImage mean(w, h);
    product.convertTo(*mean.GetMatPtr(), CV_32F);
    result.Max(mean);
  }
  return result;
}

} // namespace pixolan_test
