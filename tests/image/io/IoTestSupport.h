#pragma once
// Scratch directories and test images for the image-file tests.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <pixolan/model/TCPxImageBase.h>

#include "ImageTestSupport.h"

namespace io_test
{
namespace fs = std::filesystem;

/// A fresh directory per test, removed afterwards.
class ScratchDirTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::temp_directory_path() /
            (std::string("pixolan_io_") + info->test_suite_name() + "_" + info->name() + "_" +
             std::to_string(static_cast<long long>(::getpid())));
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override
  {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
  }
  /// Path inside the scratch directory.
  fs::path At(const std::string& name) const { return m_dir / name; }
  std::wstring WAt(const std::string& name) const { return At(name).wstring(); }

  fs::path m_dir;
};

/// Fills the whole image with reproducible random values of its element type,
/// in ranges the file formats keep exactly.
inline void FillRandom(TCPxImageBase* image, std::uint64_t seed)
{
  const int depth = image->GetFullMatPtr()->depth();
  if (depth == CV_32F)
    pxtest::FillRandom(*image, seed, -1000.0, 1000.0);
  else if (depth == CV_32S)
    pxtest::FillRandom(*image, seed, -100000, 100000);
  else
    pxtest::FillRandom(*image, seed);
}

/// A smooth picture (gradients and a disc) that lossy codecs keep close.
inline void FillSmooth(TCPxImageBase* image)
{
  cv::Mat& view = *image->GetFullMatPtr();
  for (int y = 0; y < view.rows; ++y)
    for (int x = 0; x < view.cols; ++x)
      for (int c = 0; c < view.channels(); ++c)
        view.ptr<unsigned char>(y)[x * view.channels() + c] =
            static_cast<unsigned char>(40 + (x * 2 + y * (c + 1)) % 160);
}

inline void WriteBytes(const fs::path& path, const std::vector<char>& bytes)
{
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// A raw header followed by `bodyBytes` bytes of `fill`.
inline std::vector<char> RawFile(std::int32_t width, std::int32_t height, std::size_t bodyBytes, char fill = 7)
{
  std::vector<char> bytes(8 + bodyBytes, fill);
  std::memcpy(bytes.data(), &width, 4);
  std::memcpy(bytes.data() + 4, &height, 4);
  return bytes;
}

/// Bytes per row of a float image of the given width (rows padded to 32 bytes).
inline std::size_t FloatStride(int width)
{
  return (static_cast<std::size_t>(width) * 4 + 31) / 32 * 32;
}

inline bool SameBuffer(const TCPxImageBase& a, const TCPxImageBase& b)
{
  return a.GetBufferSize() == b.GetBufferSize() &&
         std::memcmp(a.GetBuffer(), b.GetBuffer(), static_cast<std::size_t>(a.GetBufferSize())) == 0;
}
} // namespace io_test
