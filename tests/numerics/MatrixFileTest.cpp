#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathUblasUtils.h>

#include "TestHelpers.h"

namespace
{
std::string TempPath(const char* name)
{
  return ::testing::TempDir() + "tarvekmath_" + name + std::to_string(::getpid());
}

std::string ReadAll(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

Math::Matrix Sentinel()
{
  return test::Mat({{-7}});
}

// Loads bytes into a sentinel matrix; true when the load succeeded.
bool Load(const std::string& bytes, bool binary, Math::Matrix* m)
{
  std::istringstream in(bytes, binary ? std::ios::in | std::ios::binary : std::ios::in);
  TCMathUblasUtils::LoadMatrix(m, in, binary);
  return !in.fail();
}

std::string BinaryHeader(int32_t rows, int32_t cols)
{
  std::string s(8, '\0');
  std::memcpy(&s[0], &rows, 4);
  std::memcpy(&s[4], &cols, 4);
  return s;
}
} // namespace

TEST(MatrixFile, BinaryAndTextRoundTripsAreExact)
{
  Math::Matrix m(3, 4);
  test::Lcg rng;
  for (auto& x : m.data())
    x = rng.Next() * 1e5;
  m(0, 0) = 1.0 / 3.0;
  m(2, 3) = -0.0;
  for (bool binary : {true, false})
  {
    const std::string path = TempPath(binary ? "bin" : "txt");
    TCMathUblasUtils::SaveMatrix(m, path, binary);
    std::ifstream in(path, std::ios::binary);
    Math::Matrix loaded;
    TCMathUblasUtils::LoadMatrix(&loaded, in, binary);
    ASSERT_FALSE(in.fail()) << binary;
    ASSERT_EQ(loaded.size1(), 3u);
    ASSERT_EQ(loaded.size2(), 4u);
    for (size_t i = 0; i < m.data().size(); ++i)
      EXPECT_EQ(loaded.data()[i], m.data()[i]) << i;
    std::remove(path.c_str());
  }
}

TEST(MatrixFile, LayoutOfBothForms)
{
  const Math::Matrix m = test::Mat({{1, 2.5}, {-3, 4}});
  const std::string tp = TempPath("layout_txt"), bp = TempPath("layout_bin");
  TCMathUblasUtils::SaveMatrix(m, tp, false);
  EXPECT_EQ(ReadAll(tp), "2,2\n1,2.5\n-3,4\n");
  TCMathUblasUtils::SaveMatrix(m, bp, true);
  const std::string bytes = ReadAll(bp);
  ASSERT_EQ(bytes.size(), 8u + 4 * 8);
  EXPECT_EQ(bytes.substr(0, 8), BinaryHeader(2, 2));
  double v = 0;
  std::memcpy(&v, bytes.data() + 8 + 8, 8);
  EXPECT_EQ(v, 2.5);
  std::remove(tp.c_str());
  std::remove(bp.c_str());
}

TEST(MatrixFile, TextLoadSkipsEmptyFieldsAndExtraColumns)
{
  Math::Matrix m = Sentinel();
  ASSERT_TRUE(Load("2,,3\r\n1,2,3,99\n,4,5,6\n", false, &m));
  EXPECT_EQ(m(1, 0), 4.0);
  EXPECT_EQ(m(1, 2), 6.0);
  EXPECT_EQ(m(0, 2), 3.0);
}

TEST(MatrixFile, LyingOrBrokenFilesFailAndLeaveMatrixUnchanged)
{
  const std::string sixDoubles(6 * 8, '\0');
  const struct
  {
    std::string bytes;
    bool binary;
  } cases[] = {
      {"", true},
      {BinaryHeader(2, 3).substr(0, 5), true},
      {BinaryHeader(-2, 3) + sixDoubles, true},
      {BinaryHeader(0, 3) + sixDoubles, true},
      {BinaryHeader(2, 4) + sixDoubles, true},                // fewer bytes than counts
      {BinaryHeader(0x7fffffff, 0x7fffffff) + sixDoubles, true}, // product overflows 32 bits
      {BinaryHeader(1 << 30, 2) + sixDoubles, true},          // huge claim, no data
      {"", false},
      {"2\n1\n2\n", false},
      {"2,2\n1,2\n", false},        // missing row
      {"2,2\n1,2\n3\n", false},     // short row
      {"-1,2\n1,2\n", false},
      {"x,2\n1,2\n", false},
      {"99999999999999999999,1\n1\n", false},
      {"2147483647,2147483647\n1,2\n", false},
  };
  for (const auto& c : cases)
  {
    Math::Matrix m = Sentinel();
    EXPECT_FALSE(Load(c.bytes, c.binary, &m)) << c.binary << " " << c.bytes.size();
    ASSERT_EQ(m.size1(), 1u);
    EXPECT_EQ(m(0, 0), -7.0);
  }
  std::istringstream in("1,1\n1\n");
  TCMathUblasUtils::LoadMatrix(nullptr, in, false);
  EXPECT_TRUE(in.fail());
}

// A path below a regular file cannot be opened: nothing is created, the file
// stays as it was, and the call returns quietly.
TEST(MatrixFile, UnopenablePathWritesNothing)
{
  const std::string file = TempPath("not_a_folder");
  std::ofstream(file) << "keep";
  for (bool binary : {true, false})
  {
    const std::string below = file + "/y.mat";
    TCMathUblasUtils::SaveMatrix(test::Mat({{1}}), below, binary);
    EXPECT_FALSE(std::ifstream(below).good());
    EXPECT_EQ(ReadAll(file), "keep");
  }
  std::remove(file.c_str());
}

// Random and mutated inputs must either load a matrix of the announced size or
// fail cleanly; the sanitizers watch for reads past buffers and huge allocations.
TEST(MatrixFile, FuzzedInputsNeverMisbehave)
{
  test::Lcg rng;
  const Math::Matrix base = test::Mat({{1, 2, 3}, {4, 5, 6}});
  const std::string tp = TempPath("fuzz_txt"), bp = TempPath("fuzz_bin");
  TCMathUblasUtils::SaveMatrix(base, tp, false);
  TCMathUblasUtils::SaveMatrix(base, bp, true);
  const std::string seeds[2] = {ReadAll(bp), ReadAll(tp)};
  auto rnd = [&](size_t n) { return static_cast<size_t>((rng.Next() + 1.0) * 0.5 * n) % n; };
  int loaded = 0;
  for (int iter = 0; iter < 3000; ++iter)
  {
    const bool binary = iter % 2 == 0;
    std::string bytes = seeds[binary ? 0 : 1];
    const int mode = iter % 5;
    if (mode == 4)
    {
      bytes.assign(rnd(64), '\0');
      for (auto& ch : bytes)
        ch = static_cast<char>(rnd(256));
    }
    else
    {
      const int edits = 1 + static_cast<int>(rnd(4));
      for (int e = 0; e < edits && !bytes.empty(); ++e)
      {
        const size_t pos = rnd(bytes.size());
        switch (rnd(4))
        {
        case 0: bytes[pos] = static_cast<char>(rnd(256)); break;
        case 1: bytes.erase(pos, rnd(8)); break;
        case 2: bytes.insert(pos, 1, "0123456789,-\n.e"[rnd(15)]); break;
        default: bytes.resize(pos); break;
        }
      }
    }
    Math::Matrix m = Sentinel();
    if (Load(bytes, binary, &m))
    {
      ++loaded;
      EXPECT_GT(m.size1() * m.size2(), 0u);
      if (binary)
      {
        EXPECT_GE(bytes.size(), 8 + m.size1() * m.size2() * 8);
      }
    }
    else
    {
      ASSERT_EQ(m.size1(), 1u);
      EXPECT_EQ(m(0, 0), -7.0);
    }
  }
  EXPECT_GT(loaded, 0);
  std::remove(tp.c_str());
  std::remove(bp.c_str());
}
