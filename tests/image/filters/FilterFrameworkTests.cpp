#include <gtest/gtest.h>

#include <any>
#include <memory>
#include <thread>
#include <vector>

#include <pixolan/filters/TCPxFilterDoubleThreshold.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/filters/TCPxFilterGauss.h>
#include <pixolan/filters/TCPxFilterMorphology.h>
#include <pixolan/filters/TCPxFilterRank.h>

#include "FilterTestSupport.h"

using filtertest::View;

TEST(FilterFactory, KnowsTheRegisteredKindsAndNoOthers)
{
  TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
  EXPECT_EQ(factory, TCPxFilterFactory::Instance());
  for (Px::EFilterTypes type : {Px::DoubleThreshold, Px::Morphology, Px::Min, Px::Max, Px::Median, Px::Range,
                                Px::HueRange, Px::Fixed})
  {
    std::unique_ptr<TCPxImageFilter> filter(factory->Create(type));
    EXPECT_NE(filter, nullptr) << type;
  }
  EXPECT_EQ(factory->Create(static_cast<Px::EFilterTypes>(12)), nullptr);
  EXPECT_EQ(factory->Create(static_cast<Px::EFilterTypes>(35)), nullptr);
  EXPECT_EQ(factory->Create(static_cast<Px::EFilterTypes>(99)), nullptr);
  TCPx8bitImage image(8, 8);
  factory->ApplyFilter(static_cast<Px::EFilterTypes>(12), &image); // nothing happens

  bool foundMedian = false;
  for (const auto& d : factory->GetDescriptions())
    if (d.type == Px::Median)
    {
      foundMedian = true;
      EXPECT_EQ(d.name, "Median");
      ASSERT_EQ(d.parameters.size(), 1u);
      EXPECT_EQ(d.parameters[0].Signature(), "int kernelSize");
    }
  EXPECT_TRUE(foundMedian);
}

TEST(FilterFactory, StoredParametersReachTheConstructorAndPersist)
{
  TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
  TCPx8bitImage image(10, 10);
  filtertest::Noise(image, 1);
  TCPx8bitImage before(image);
  // Zero-initialised kernel size: the median does nothing.
  factory->ApplyFilter(Px::Median, &image);
  EXPECT_TRUE(image == before);

  factory->SetParameter(1, Px::Median, std::any(3));
  std::unique_ptr<TCPxImageFilter> filter(factory->Create(Px::Median));
  EXPECT_EQ(dynamic_cast<TCPxFilterMedian&>(*filter).GetKernelSize(), 3);
  EXPECT_THROW(factory->SetParameter(1, Px::Median, std::any(3.0)), std::bad_any_cast);
  std::unique_ptr<TCPxImageFilter> morph(factory->Create(Px::Morphology, Px::Dilate, 2));
  EXPECT_EQ(dynamic_cast<TCPxFilterMorphology&>(*morph).GetSteps(), 2);
  EXPECT_FALSE(dynamic_cast<TCPxFilterMorphology&>(*morph).GetReplicateBorder());

  // A copy of the factory owns copies of the creators with their arguments.
  TCGenObjectFactory<TCPxImageFilter, Px::EFilterTypes> copy(*factory);
  factory->SetParameter(1, Px::Median, std::any(0));
  std::unique_ptr<TCPxImageFilter> fromCopy(copy.Create(Px::Median));
  EXPECT_EQ(dynamic_cast<TCPxFilterMedian&>(*fromCopy).GetKernelSize(), 3);
  factory->SetParameter(1, Px::Morphology, std::any(Px::EMorphologyTypes{}));
  factory->SetParameter(2, Px::Morphology, std::any(0));
}

TEST(FilterFactory, LockedCreateGivesEachThreadItsOwnArguments)
{
  // Two threads ask for Gauss filters of different sizes at once; without the
  // lock one would now and then get the other's kernel size or sigma.
  std::vector<int> wrong(2, 0);
  const auto run = [&](int t) {
    const int size = t == 0 ? 5 : 11;
    const double sigma = t == 0 ? 1.0 : 3.0;
    for (int i = 0; i < 2000; ++i)
    {
      std::unique_ptr<TCPxImageFilter> f(TCPxFilterFactory::Instance()->Create(Px::Gauss, size, sigma));
      const auto* g = dynamic_cast<const TCPxFilterGauss*>(f.get());
      if (!g || g->GetKernelSize() != size || g->GetSigma() != sigma)
        ++wrong[t];
    }
  };
  std::thread a(run, 0), b(run, 1);
  a.join();
  b.join();
  EXPECT_EQ(wrong[0] + wrong[1], 0);
  std::unique_ptr<TCPxImageFilter> snn(TCPxFilterFactory::Instance()->Create(Px::SNN, 5));
  EXPECT_NE(snn, nullptr);
}

TEST(ImageFilter, ConstReferenceFormEqualsPointerForm)
{
  TCPx8bitImage a(12, 12);
  filtertest::Noise(a, 2);
  TCPx8bitImage b(a), outA(12, 12), outB(12, 12);
  const TCPxFilterMax filter(3);
  filter.ProcessImage(static_cast<const TCPxImageBase&>(a), &outA);
  filter.ProcessImage(&b, &outB);
  EXPECT_TRUE(outA == outB);
  filter.ProcessImage(static_cast<const TCPxImageBase&>(a), nullptr);
  filter.ProcessImage(&b, nullptr);
  EXPECT_TRUE(a == b);
}

TEST(ImageFilter, BufferAccessorsAddTheRoiOffset)
{
  TCPx8bitImage grey(40, 10);
  grey.SetROI(TCGenRect<int>(3, 2, 10, 5));
  TCPxFloatImage flt(40, 10);
  flt.SetROI(TCGenRect<int>(3, 2, 10, 5));
  const TCPxFilterMin filter(3);
  EXPECT_EQ(filter.Get8bitImageBufferROI(&grey) - filter.Get8bitImageBuffer(&grey), 3 + 2 * grey.GetStepSize());
  EXPECT_EQ(filter.GetFloatImageBufferROI(&flt) - filter.GetFloatImageBuffer(&flt), 3 + 2 * flt.GetStepSize() / 4);
}

TEST(KernelFilter, ValidRoiAndBufferOffset)
{
  TCPxFilterMin five(5);
  TCPx8bitImage image(100, 80);
  EXPECT_EQ(five.CalculateValidROI(image), TCGenRect<int>(2, 2, 98, 78));
  image.SetROI(TCGenRect<int>(10, 10, 20, 20));
  EXPECT_EQ(five.CalculateValidROI(image), TCGenRect<int>(10, 10, 20, 20));
  TCPx8bitImage tiny(3, 3);
  EXPECT_EQ(five.CalculateValidROI(tiny), TCGenRect<int>(-1, -1, -1, -1));
  TCPxFilterMin seven(7);
  EXPECT_EQ(seven.CalculateBufferOffset(64, 1), 195);
  seven.SetKernelSize(3);
  EXPECT_EQ(seven.GetKernelSize(), 3);
}

TEST(ImageFilter, UnacceptedTypesAndMismatchedDestinationsAreNoOps)
{
  TCPx24bitImage colour(10, 10);
  filtertest::Noise(colour, 3);
  TCPx24bitImage before(colour);
  TCPxFilterMin(3).ProcessImage(&colour, nullptr);
  EXPECT_TRUE(colour == before);

  TCPx8bitImage grey(10, 10), smaller(9, 10);
  filtertest::Noise(grey, 4);
  TCPx8bitImage greyBefore(grey), smallerBefore(smaller);
  TCPxFilterMedian(3).ProcessImage(&grey, &smaller);
  TCPxFilterMax(3).ProcessImage(&grey, &colour);
  TCPxFilterDoubleThreshold(1, 2).ProcessImage(&grey, &smaller);
  TCPxFilterMorphology(Px::Erode, 1, false).ProcessImage(&grey, &colour);
  EXPECT_TRUE(smaller == smallerBefore);
  EXPECT_TRUE(colour == before);
  EXPECT_TRUE(grey == greyBefore);

  // Kernels that do not fit or are not positive.
  TCPxFilterMedian(0).ProcessImage(&grey, nullptr);
  TCPxFilterMin(-3).ProcessImage(&grey, nullptr);
  TCPxFilterMax(10).ProcessImage(&grey, nullptr);
  TCPxFilterRange(0).ProcessImage(&grey, nullptr);
  EXPECT_TRUE(grey == greyBefore);
}
