#pragma once
// The library's parallel passes (internal, not installed): tasks run
// concurrently where the standard parallel algorithms can get workers, and
// one after another on the calling thread where they cannot.
#include <algorithm>
#include <cstddef>
#include <execution>
#include <new>
#include <numeric>
#include <utility>
#include <vector>

namespace _impl
{
/// body(i) for i = 0 ... count - 1, in any order and possibly concurrently.
template <class Body>
void ForEachIndex(std::size_t count, Body body)
{
  std::vector<std::size_t> indices(count);
  std::iota(indices.begin(), indices.end(), std::size_t{0});
  try
  {
    std::for_each(std::execution::par, indices.begin(), indices.end(), body);
  }
  catch (const std::bad_alloc&)
  {
    std::for_each(indices.begin(), indices.end(), body); // no workers: the same tasks in turn
  }
}

/// body(rowBegin, rowEnd) over consecutive bands of `bandHeight` rows (at
/// least 1) covering 0 ... rows - 1; each band is one task.
template <class Body>
void ForEachRowBand(int rows, int bandHeight, Body body)
{
  bandHeight = std::max(1, bandHeight);
  std::vector<std::pair<int, int>> bands;
  for (int r = 0; r < rows; r += bandHeight)
    bands.emplace_back(r, std::min(rows, r + bandHeight));
  ForEachIndex(bands.size(), [&](std::size_t i) { body(bands[i].first, bands[i].second); });
}
} // namespace _impl
