#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <unistd.h>

#include <general/general.h>

TEST(GenMathUtils, RoundTakesHalvesAwayFromZero)
{
  EXPECT_EQ(TCGenMathUtils::Round(2.5), 3);
  EXPECT_EQ(TCGenMathUtils::Round(-2.5), -3);
  EXPECT_EQ(TCGenMathUtils::Round(0.5), 1);
  EXPECT_EQ(TCGenMathUtils::Round(1.49999), 1);
  EXPECT_EQ(TCGenMathUtils::Round(-1.2), -1);
}

TEST(GenMathUtils, RoundFastTakesHalvesToEven)
{
  EXPECT_EQ(TCGenMathUtils::RoundFast(2.5), 2);
  EXPECT_EQ(TCGenMathUtils::RoundFast(3.5), 4);
  EXPECT_EQ(TCGenMathUtils::RoundFast(-1.5), -2);
  EXPECT_EQ(TCGenMathUtils::RoundFast(-2.5), -2);
  EXPECT_EQ(TCGenMathUtils::RoundFast(0.5), 0);
  EXPECT_EQ(TCGenMathUtils::RoundFast(2.51), 3);
}

TEST(GenMathUtils, RoundingSaturatesOutOfRangeAndMapsNaNToZero)
{
  for (auto round : {&TCGenMathUtils::Round, &TCGenMathUtils::RoundFast})
  {
    EXPECT_EQ(round(1e300), INT_MAX);
    EXPECT_EQ(round(-1e300), INT_MIN);
    EXPECT_EQ(round(std::numeric_limits<double>::infinity()), INT_MAX);
    EXPECT_EQ(round(std::nan("")), 0);
  }
}

TEST(GenMathUtils, OrientationOneMeansClockwise)
{
  using P = TCGenPoint<double>;
  // (q - p) x (r - q) = (1, 0) x (0, -1) = -1: clockwise.
  EXPECT_EQ(TCGenMathUtils::Orientation(P(0, 0), P(1, 0), P(1, -1)), Gen::PointsClockwise);
  EXPECT_EQ(static_cast<int>(Gen::PointsClockwise), 1);
  EXPECT_EQ(TCGenMathUtils::Orientation(P(0, 0), P(1, 0), P(1, 1)), Gen::PointsCounterClockwise);
  EXPECT_EQ(TCGenMathUtils::Orientation(P(0, 0), P(1, 1), P(3, 3)), Gen::PointsCollinear);
  using I = TCGenPoint<int>;
  EXPECT_EQ(TCGenMathUtils::Orientation(I(INT_MIN, 0), I(INT_MAX, 0), I(INT_MAX, -5)), Gen::PointsClockwise);
}

TEST(GenPoint, ArithmeticAndDistances)
{
  TCGenPoint<double> a(1.0, 2.0);
  TCGenPoint<double> b(4.0, 6.0);
  EXPECT_DOUBLE_EQ(a.Distance(b), 5.0);
  EXPECT_DOUBLE_EQ(a.DistanceSqr(b), 25.0);
  EXPECT_DOUBLE_EQ(a.InProduct(b), 16.0);
  EXPECT_EQ(a + b, TCGenPoint<double>(5.0, 8.0));
  EXPECT_EQ(b - a, TCGenPoint<double>(3.0, 4.0));
  a *= 2.0;
  a.Translate(0.5, -1.0);
  EXPECT_EQ(a, TCGenPoint<double>(2.5, 3.0));
  TCGenPoint<int> p;
  p.SetXY(INT_MAX, 0);
  EXPECT_DOUBLE_EQ(p.DistanceSqr(TCGenPoint<int>(INT_MIN, 0)), std::pow(2.0, 64) - 2 * std::pow(2.0, 32) + 1);
}

TEST(GenRect, ExclusiveRightAndBottom)
{
  const TCGenRect<int> r(2, 3, 10, 7);
  EXPECT_EQ(r.GetWidth(), 8);
  EXPECT_EQ(r.GetHeight(), 4);
  EXPECT_TRUE(r.IsPointInside(TCGenPoint<int>(2, 3)));
  EXPECT_FALSE(r.IsPointInside(TCGenPoint<int>(10, 3)));
  EXPECT_FALSE(r.IsPointInside(TCGenPoint<int>(2, 7)));
  EXPECT_EQ(TCGenRect<int>(TCGenPoint<int>(2, 3), 8, 4), r);
}

TEST(GenRect, InflateThenClipToImage)
{
  TCGenRect<int> roi(0, 5, 20, 9);
  roi.InflateRect(1, 1, 1, 1);
  EXPECT_EQ(roi, TCGenRect<int>(-1, 4, 21, 10));
  EXPECT_TRUE(roi.SetIntersect(TCGenRect<int>(0, 0, 20, 10)));
  EXPECT_EQ(roi, TCGenRect<int>(0, 4, 20, 10));
}

TEST(GenRect, IntersectAndUnionReportNonEmptyResult)
{
  TCGenRect<int> a(0, 0, 4, 4);
  EXPECT_FALSE(a.SetIntersect(TCGenRect<int>(4, 0, 8, 4))); // touching edges share no pixel
  EXPECT_TRUE(a.IsEmpty());

  TCGenRect<int> u(0, 0, 2, 2);
  EXPECT_TRUE(u.SetUnion(TCGenRect<int>(5, 5, 6, 8)));
  EXPECT_EQ(u, TCGenRect<int>(0, 0, 6, 8));
  EXPECT_TRUE(u.SetUnion(TCGenRect<int>())); // an empty operand adds nothing
  EXPECT_EQ(u, TCGenRect<int>(0, 0, 6, 8));
  TCGenRect<int> e;
  EXPECT_FALSE(e.SetUnion(TCGenRect<int>()));
}

TEST(GenConvert, NonAsciiRoundTripsThroughUtf8)
{
  const std::wstring wide = L"Gr\u00fc\u00dfe_\u65e5\u672c_\U0001F600.rwf";
  const std::string narrow = Gen::convert(wide);
  EXPECT_EQ(narrow, "Gr\xc3\xbc\xc3\x9f" "e_\xe6\x97\xa5\xe6\x9c\xac_\xf0\x9f\x98\x80.rwf");
  EXPECT_EQ(Gen::convert(narrow), wide);
  EXPECT_EQ(Gen::convert2nstringa(wide), narrow);
}

TEST(GenConvert, MalformedInputBecomesReplacementCharacters)
{
  // A lone continuation byte, an overlong encoding and a truncated sequence.
  EXPECT_EQ(Gen::convert(std::string("a\x80" "b")), L"a\uFFFDb");
  EXPECT_EQ(Gen::convert(std::string("\xc0\xaf")), L"\uFFFD\uFFFD");
  EXPECT_EQ(Gen::convert(std::string("x\xe6\x97")), L"x\uFFFD\uFFFD");
  std::wstring surrogate(1, static_cast<wchar_t>(0xD800));
  EXPECT_EQ(Gen::convert(surrogate), "\xef\xbf\xbd");
}

TEST(GenFileUtils, PathParts)
{
  EXPECT_EQ(TCGenFileUtils::ExtractExtension(L"dir.v2/image.rwf"), L"rwf");
  EXPECT_EQ(TCGenFileUtils::ExtractExtension(L"dir.v2/image"), L"");
  EXPECT_EQ(TCGenFileUtils::ExtractExtension(L"/home/u/.profile"), L"");
  EXPECT_EQ(TCGenFileUtils::ExtractExtension(L"a.tar.gz"), L"gz");
  EXPECT_EQ(TCGenFileUtils::ExtractDirectory(L"a/b/c.png"), L"a/b");
  EXPECT_EQ(TCGenFileUtils::ExtractDirectory(L"/c.png"), L"/");
  EXPECT_EQ(TCGenFileUtils::ExtractDirectory(L"c.png"), L"");
  EXPECT_EQ(TCGenFileUtils::ExtractFileName(L"a/b/c.png"), L"c.png");
  EXPECT_EQ(TCGenFileUtils::ExtractFileName(L"c.png"), L"c.png");
}

TEST(GenFileUtils, DirectoriesAndFilesWithNonAsciiNames)
{
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path() / ("gen_file_utils_" + std::to_string(::getpid()));
  const std::wstring dir = Gen::convert(base.string()) + L"/\u00e9t\u00e9/\u5199\u771f";
  ASSERT_FALSE(TCGenFileUtils::DirectoryExists(dir));
  ASSERT_TRUE(TCGenFileUtils::Create_Directory(dir));
  EXPECT_TRUE(TCGenFileUtils::DirectoryExists(dir));
  EXPECT_TRUE(TCGenFileUtils::Create_Directory(dir)); // already there

  const std::wstring file = dir + L"/b\u00e4r.rwf";
  EXPECT_FALSE(TCGenFileUtils::FileExists(file));
  std::ofstream(fs::path(Gen::convert(file))) << "x";
  EXPECT_TRUE(TCGenFileUtils::FileExists(file));
  EXPECT_FALSE(TCGenFileUtils::DirectoryExists(file));
  EXPECT_FALSE(TCGenFileUtils::FileExists(dir));
  EXPECT_TRUE(TCGenFileUtils::FileExists(dir, true));
  EXPECT_FALSE(TCGenFileUtils::Create_Directory(L""));
  fs::remove_all(base);
}
