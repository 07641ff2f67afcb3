// Matrix files: binary (int32 rows, int32 cols, row-major doubles) and
// comma-separated text (a "rows,cols" line, then one line per row).
// Files are outside data: the counts are checked and the data is read into a
// temporary that grows only with the bytes actually present, so a lying
// header can neither overflow a size nor trigger a huge allocation.
#include <tarvekmath/TCMathUblasUtils.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <istream>
#include <limits>
#include <sstream>

namespace
{
// Upper bound on rows·cols accepted from a file (2^31 doubles = 16 GiB):
// beyond this the element count alone is implausible for this library.
constexpr int64_t kMaxElements = int64_t(1) << 31;
// Elements read per chunk when the total comes from an untrusted header.
constexpr size_t kChunk = size_t(1) << 16;

bool ValidCounts(int64_t rows, int64_t cols)
{
  return rows > 0 && cols > 0 && rows <= kMaxElements && cols <= kMaxElements && rows * cols <= kMaxElements;
}

void Fail(std::istream& in) { in.setstate(std::ios::failbit); }

// Splits a line at commas, skipping empty fields; a trailing '\r' is dropped.
std::vector<std::string> SplitFields(std::string line)
{
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  std::vector<std::string> fields;
  size_t start = 0;
  while (start <= line.size())
  {
    size_t end = line.find(',', start);
    if (end == std::string::npos)
      end = line.size();
    if (end > start)
      fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// Whole-field integer; false on junk, overflow or an empty field.
bool ParseCount(const std::string& field, int64_t* value)
{
  const char* begin = field.c_str();
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(begin, &end, 10);
  if (end == begin || errno == ERANGE)
    return false;
  while (*end == ' ' || *end == '\t')
    ++end;
  if (*end != '\0')
    return false;
  *value = v;
  return true;
}

bool LoadBinary(std::istream& in, std::vector<double>* data, int64_t* rows, int64_t* cols)
{
  int32_t header[2] = {0, 0};
  if (!in.read(reinterpret_cast<char*>(header), sizeof header))
    return false;
  *rows = header[0];
  *cols = header[1];
  if (!ValidCounts(*rows, *cols))
    return false;
  const size_t total = static_cast<size_t>(*rows * *cols);
  while (data->size() < total)
  {
    const size_t have = data->size();
    const size_t want = std::min(kChunk, total - have);
    data->resize(have + want);
    in.read(reinterpret_cast<char*>(data->data() + have), static_cast<std::streamsize>(want * sizeof(double)));
    if (in.gcount() != static_cast<std::streamsize>(want * sizeof(double)))
      return false;
  }
  return true;
}

bool LoadText(std::istream& in, std::vector<double>* data, int64_t* rows, int64_t* cols)
{
  std::string line;
  if (!std::getline(in, line))
    return false;
  const std::vector<std::string> head = SplitFields(line);
  if (head.size() < 2 || !ParseCount(head[0], rows) || !ParseCount(head[1], cols) || !ValidCounts(*rows, *cols))
    return false;
  for (int64_t r = 0; r < *rows; ++r)
  {
    if (!std::getline(in, line))
      return false;
    const std::vector<std::string> fields = SplitFields(line);
    if (static_cast<int64_t>(fields.size()) < *cols)
      return false;
    for (int64_t c = 0; c < *cols; ++c)
      data->push_back(std::strtod(fields[static_cast<size_t>(c)].c_str(), nullptr));
  }
  return true;
}
} // namespace

void TCMathUblasUtils::LoadMatrix(Math::Matrix* m, std::istream& in, bool binary)
{
  if (m == nullptr || !in)
  {
    Fail(in);
    return;
  }
  std::vector<double> data;
  int64_t rows = 0, cols = 0;
  const bool ok = binary ? LoadBinary(in, &data, &rows, &cols) : LoadText(in, &data, &rows, &cols);
  if (!ok)
  {
    Fail(in);
    return;
  }
  Math::Matrix result(static_cast<size_t>(rows), static_cast<size_t>(cols));
  std::copy(data.begin(), data.end(), result.data().begin());
  *m = std::move(result);
}

void TCMathUblasUtils::SaveMatrix(const Math::Matrix& m, const std::string& path, bool binary)
{
  constexpr size_t kMaxCount = static_cast<size_t>(std::numeric_limits<int32_t>::max());
  if (m.size1() > kMaxCount || m.size2() > kMaxCount)
    return; // not representable in the file's 32-bit counts
  if (binary)
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
      return;
    const int32_t header[2] = {static_cast<int32_t>(m.size1()), static_cast<int32_t>(m.size2())};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    if (m.data().size() > 0)
      out.write(reinterpret_cast<const char*>(&m.data()[0]),
                static_cast<std::streamsize>(m.data().size() * sizeof(double)));
    return;
  }
  std::ofstream out(path, std::ios::trunc);
  if (!out)
    return;
  out.precision(std::numeric_limits<double>::max_digits10);
  out << m.size1() << "," << m.size2() << "\n";
  for (size_t i = 0; i < m.size1(); ++i)
  {
    for (size_t j = 0; j < m.size2(); ++j)
    {
      if (j > 0)
        out << ",";
      out << m(i, j);
    }
    out << "\n";
  }
}
