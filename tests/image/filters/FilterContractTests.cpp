// The filter contract, walked over every kind of the filter table and every
// image class: unaccepted types and unfit destinations change nothing, in
// place equals out of place, and images smaller than any kernel are safe.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <tuple>

#include <pixolan/model/TCPxInt32Image.h>

#include "FilterTestSupport.h"

namespace
{
const NPxImageTypes kTypes[] = {ImageType8bit, ImageType24bit, ImageType32bit, ImageTypeFloat, ImageTypeInt32};

std::unique_ptr<TCPxImageBase> Noisy(NPxImageTypes type, int w, int h, unsigned seed)
{
  std::unique_ptr<TCPxImageBase> image(type == ImageTypeInt32 ? new TCPxInt32Image(w, h)
                                                              : TCPxUtil::CreateImage(type, w, h));
  filtertest::Noise(*image, seed);
  return image;
}

bool Same(const TCPxImageBase& a, const TCPxImageBase& b)
{
  return a == b;
}

// Filters that by design write a destination of another class: (kind,
// source type, destination type).
const std::set<std::tuple<Px::EFilterTypes, NPxImageTypes, NPxImageTypes>> kCrossClass = {
    {Px::CORF, ImageType8bit, ImageTypeFloat},
    {Px::GradientMagnitude, ImageType8bit, ImageTypeFloat},
    {Px::ForegroundGauss, ImageType24bit, ImageType8bit},
};
// Filters whose result is not a function of the input alone.
const std::set<Px::EFilterTypes> kRandomOrStateful = {Px::AddGaussianNoise, Px::ForegroundGauss};

std::unique_ptr<TCPxImageFilter> Build(const TCPxFilterDescription& d)
{
  for (const auto& p : d.parameters)
    if (p.kind == TCPxFilterParameter::Image)
    {
      // The convolution's kernel: a small float image.
      static TCPxFloatImage kernel(3, 3);
      kernel.Fill(1.0f / 9);
      std::vector<std::any> args = TCPxFilterFactory::Instance()->ParseParameters(d.type, {});
      for (std::size_t i = 0; i < d.parameters.size(); ++i)
        if (d.parameters[i].kind == TCPxFilterParameter::Image)
          args[i] = std::any(static_cast<const TCPxImageBase*>(&kernel));
      return std::unique_ptr<TCPxImageFilter>(TCPxFilterFactory::Instance()->CreateWithArguments(d.type, args));
    }
  return std::unique_ptr<TCPxImageFilter>(TCPxFilterFactory::Instance()->CreateFromText(d.name, {}));
}
}  // namespace

TEST(FilterContract, EveryKindOnEveryImageClass)
{
  for (const auto& d : TCPxFilterFactory::Instance()->GetDescriptions())
  {
    SCOPED_TRACE(d.name);
    std::unique_ptr<TCPxImageFilter> filter = Build(d);
    if (!filter)
    {
      ADD_FAILURE() << "no filter from the defaults";
      continue;
    }
    const std::set<NPxImageTypes> accepted(d.acceptedTypes.begin(), d.acceptedTypes.end());
    for (NPxImageTypes type : kTypes)
    {
      SCOPED_TRACE(type);
      const auto original = Noisy(type, 23, 17, 1);
      if (!accepted.count(type))
      {
        // Unaccepted: neither the source nor a destination changes.
        const auto source = Noisy(type, 23, 17, 1);
        const auto destination = Noisy(type, 23, 17, 2);
        const auto destinationBefore = Noisy(type, 23, 17, 2);
        filter->ProcessImage(source.get(), destination.get());
        filter->ProcessImage(source.get(), nullptr);
        EXPECT_TRUE(Same(*source, *original));
        EXPECT_TRUE(Same(*destination, *destinationBefore));
        continue;
      }

      // A destination of another size, or of another class, is left alone
      // and so is the source.
      for (NPxImageTypes other : kTypes)
      {
        const bool sameClass = other == type;
        if (!sameClass && kCrossClass.count({d.type, type, other}))
          continue;
        const int w = sameClass ? 22 : 23;
        const auto source = Noisy(type, 23, 17, 1);
        const auto destination = Noisy(other, w, 17, 2);
        const auto destinationBefore = Noisy(other, w, 17, 2);
        filter->ProcessImage(source.get(), destination.get());
        EXPECT_TRUE(Same(*source, *original)) << "destination type " << other;
        EXPECT_TRUE(Same(*destination, *destinationBefore)) << "destination type " << other;
      }

      // In place equals out of place into a copy of the source.
      if (!kRandomOrStateful.count(d.type))
      {
        const auto inPlace = Noisy(type, 23, 17, 1);
        const auto source = Noisy(type, 23, 17, 1);
        const auto destination = Noisy(type, 23, 17, 1);
        filter->ProcessImage(inPlace.get(), nullptr);
        filter->ProcessImage(source.get(), destination.get());
        EXPECT_TRUE(Same(*destination, *inPlace));
        EXPECT_TRUE(Same(*source, *original)) << "out of place changed the source";
      }

      // Smaller than any kernel: no crash, nothing read outside.
      for (int size : {1, 2, 3})
      {
        const auto tiny = Noisy(type, size, size, 3);
        const auto target = Noisy(type, size, size, 4);
        filter->ProcessImage(tiny.get(), target.get());
        filter->ProcessImage(tiny.get(), nullptr);
      }
    }
  }
}
