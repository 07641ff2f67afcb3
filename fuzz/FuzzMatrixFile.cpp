// Matrix files read from memory. The first byte chooses the form (even:
// binary, odd: comma-separated text); the rest is the file. A refused file
// sets the stream's fail state and leaves the matrix as it was; an accepted
// one replaces it by a matrix of the counts the file names.
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include <tarvekmath/TCMathUblasUtils.h>

#include "FuzzInput.h"

namespace
{
bool SameMatrix(const Math::Matrix& a, const Math::Matrix& b)
{
  if (a.size1() != b.size1() || a.size2() != b.size2())
    return false;
  // Bitwise, so that NaN entries compare equal to themselves.
  return a.data().size() == 0 ||
         std::memcmp(&a.data()[0], &b.data()[0], a.data().size() * sizeof(double)) == 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size == 0)
    return 0;
  const bool binary = (data[0] & 1) == 0;
  const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
  std::istringstream in(file, binary ? std::ios::in | std::ios::binary : std::ios::in);

  Math::Matrix m(2, 3);
  for (std::size_t i = 0; i < m.data().size(); ++i)
    m.data()[i] = 0.5 + static_cast<double>(i);
  const Math::Matrix before = m;
  TCMathUblasUtils::LoadMatrix(&m, in, binary);
  if (in.fail())
  {
    FUZZ_CHECK(SameMatrix(m, before));
    return 0;
  }
  FUZZ_CHECK(m.size1() > 0 && m.size2() > 0);
  if (binary)
  {
    std::int32_t header[2];
    FUZZ_CHECK(file.size() >= sizeof header);
    std::memcpy(header, file.data(), sizeof header);
    FUZZ_CHECK(m.size1() == static_cast<std::size_t>(header[0]) && m.size2() == static_cast<std::size_t>(header[1]));
    // The data is the doubles after the header, in row-major order.
    const std::size_t bytes = m.data().size() * sizeof(double);
    FUZZ_CHECK(file.size() - sizeof header >= bytes);
    FUZZ_CHECK(std::memcmp(&m.data()[0], file.data() + sizeof header, bytes) == 0);
  }
  // An accepted matrix holds only the bytes present: at least one per entry
  // in text, eight in binary, so its size is bounded by the input's.
  FUZZ_CHECK(m.data().size() <= file.size());
  return 0;
}
