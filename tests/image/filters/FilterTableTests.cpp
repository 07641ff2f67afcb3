#include <gtest/gtest.h>

#include <any>
#include <memory>
#include <stdexcept>
#include <string>

#include <pixolan/filters/TCPxFilterEdge.h>
#include <pixolan/filters/TCPxFilterFactory.h>
#include <pixolan/filters/TCPxFilterRank.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxFloatImage.h>

#include "FilterTestSupport.h"

namespace
{
std::unique_ptr<TCPxImageBase> ImageOfType(NPxImageTypes type)
{
  switch (type)
  {
  case ImageType24bit: return std::make_unique<TCPx24bitImage>(24, 20);
  case ImageType32bit: return std::make_unique<TCPx32bitImage>(24, 20);
  case ImageTypeFloat: return std::make_unique<TCPxFloatImage>(24, 20);
  default: return std::make_unique<TCPx8bitImage>(24, 20);
  }
}

/// The message of the std::invalid_argument that `f` throws, or "" when it throws none.
template <class F>
std::string InvalidArgumentOf(F f)
{
  try
  {
    f();
  }
  catch (const std::invalid_argument& e)
  {
    return e.what();
  }
  return "";
}
} // namespace

// Every kind of the table is built from text with its defaults and runs on an
// image of each type it accepts; every enumerator parses by name and by value.
TEST(FilterTable, EveryKindBuildsFromItsDefaultsAndEveryEnumeratorParses)
{
  TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
  const auto descriptions = factory->GetDescriptions();
  ASSERT_GE(descriptions.size(), 25u);
  for (const auto& d : descriptions)
  {
    SCOPED_TRACE(d.name);
    EXPECT_FALSE(d.summary.empty());
    EXPECT_FALSE(d.acceptedTypes.empty());
    bool needsImage = false;
    for (const auto& p : d.parameters)
    {
      needsImage = needsImage || p.kind == TCPxFilterParameter::Image;
      EXPECT_FALSE(p.description.empty()) << p.name;
      if (p.kind == TCPxFilterParameter::Enumeration)
      {
        ASSERT_FALSE(p.enumerators.empty()) << p.name;
        for (const auto& [name, value] : p.enumerators)
        {
          const auto byName = factory->ParseParameters(d.type, {{p.name, name}});
          const auto byValue = factory->ParseParameters(d.type, {{p.name, std::to_string(value)}});
          const std::size_t index = &p - d.parameters.data();
          EXPECT_EQ(byName[index].type(), p.makeEnumerator(value).type()) << name;
          EXPECT_EQ(byValue[index].type(), byName[index].type()) << name;
        }
      }
    }
    if (needsImage)
    {
      EXPECT_NE(InvalidArgumentOf([&] { delete factory->CreateFromText(d.name, {}); }), "");
      continue;
    }
    std::unique_ptr<TCPxImageFilter> filter(factory->CreateFromText(d.name, {}));
    ASSERT_NE(filter, nullptr);
    for (NPxImageTypes type : d.acceptedTypes)
    {
      const auto image = ImageOfType(type);
      filtertest::Noise(*image, 3);
      filter->ProcessImage(image.get(), nullptr); // sanitizers watch the defaults
    }
  }
}

TEST(FilterTable, TextParametersReachTheFilterAndLeaveTheStoredOnesAlone)
{
  TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
  factory->SetParameter(1, Px::Median, std::any(7));
  std::unique_ptr<TCPxImageFilter> median(factory->CreateFromText("Median", {{"kernelSize", "5"}}));
  EXPECT_EQ(dynamic_cast<TCPxFilterMedian&>(*median).GetKernelSize(), 5);
  std::unique_ptr<TCPxImageFilter> stored(factory->Create(Px::Median));
  EXPECT_EQ(dynamic_cast<TCPxFilterMedian&>(*stored).GetKernelSize(), 7);
  factory->SetParameter(1, Px::Median, std::any(0));

  // Gradient's enumeration by name: the vertical difference of rows 0, 2, 4, 6 is 2 everywhere.
  std::unique_ptr<TCPxImageFilter> gradient(factory->CreateFromText("Gradient", {{"type", "GradientVertical"}}));
  EXPECT_EQ(dynamic_cast<TCPxFilterGradient&>(*gradient).GetType(), Px::GradientVertical);
  TCPxFloatImage column(3, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 3; ++x)
      filtertest::View(column).at<float>(y, x) = 2.0f * y;
  gradient->ProcessImage(&column, nullptr);
  for (int y = 0; y < 4; ++y)
    EXPECT_FLOAT_EQ(filtertest::View(column).at<float>(y, 1), 2.0f) << y;
}

TEST(FilterTable, BadTextNamesTheParameter)
{
  TCPxFilterFactory* factory = TCPxFilterFactory::Instance();
  auto message = [&](const std::string& name, TCPxFilterFactory::TextParameters text) {
    return InvalidArgumentOf([&] { delete factory->CreateFromText(name, text); });
  };
  for (const char* bad : {"five", "", "3.5", "0", "256", "99999999999"})
    EXPECT_NE(message("Median", {{"kernelSize", bad}}).find("kernelSize"), std::string::npos) << bad;
  EXPECT_NE(message("Gauss", {{"kernelSize", "4"}}).find("odd"), std::string::npos);
  EXPECT_NE(message("Gauss", {{"sigma", "nan"}}).find("sigma"), std::string::npos);
  EXPECT_NE(message("Morphology", {{"type", "Shrink"}}).find("Erode"), std::string::npos);
  EXPECT_NE(message("Median", {{"radius", "2"}}).find("radius"), std::string::npos);
  EXPECT_NE(message("Median", {{"kernelSize", "3"}, {"kernelSize", "5"}}).find("twice"), std::string::npos);
  EXPECT_NE(message("NoSuchFilter", {}).find("NoSuchFilter"), std::string::npos);
  EXPECT_THROW(factory->ParseParameters(static_cast<Px::EFilterTypes>(12), {}), std::invalid_argument);
}
