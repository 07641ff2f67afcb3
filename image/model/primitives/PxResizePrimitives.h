#pragma once
// Nearest-neighbour resize kernels: the sampling rule and the row loops that
// apply it. Free of OpenCV, so that hosts that only resize frames can link
// them without the rest of the image library. Like every kernel, they trust
// their arguments.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace PxPrim
{
/// Scale factor of one axis, destination / source: divided in single
/// precision, then widened (the image classes have always sampled with it).
double NearestCentreFactor(int dstLen, int srcLen);
/// Source index for destination index d when the axis is scaled by `factor`:
/// the destination pixel centre mapped back, (d + 0.5) / factor - 0.5, rounded
/// to nearest with halves to even and clamped to [0, srcLen - 1].
int NearestCentreIndex(int d, double factor, int srcLen);
/// table[d] = NearestCentreIndex(d, NearestCentreFactor(dstLen, srcLen),
/// srcLen) * scale for d in [0, dstLen).
void NearestCentreTable(int dstLen, int srcLen, int scale, int* table);
/// Number of leading destination pixels of a 3-byte row that may be moved as
/// 4-byte words: neither the last destination pixel nor a source pixel whose
/// word would reach past the source row. `xOfs` are byte offsets, ascending.
int WordPixels3(const int* xOfs, int dstWidth, int srcWidth);

/// Byte shuffles for one pair of row widths, built once: each 16-byte block
/// of a destination row is gathered from `loads` 16-byte loads of the source
/// row, each rearranged by a byte shuffle and the results combined. Only
/// where the processor has byte shuffles (SSSE3) and a block's source bytes
/// span at most four loads; `blocks` is 0 otherwise.
struct NearestRowShuffles
{
  int blocks = 0;                  ///< leading 16-byte destination blocks done by shuffles
  int loads = 0;                   ///< loads per block, 1 to 4
  int tailPixel = 0;               ///< first destination pixel left to the plain loop
  std::vector<int> offsets;        ///< blocks * loads source byte offsets, each load inside the row
  std::vector<std::uint8_t> masks; ///< blocks * loads * 16 shuffle indices (0x80: none)
};
/// Builds the shuffles for `xOfs` (byte offsets of dstWidth pixels of
/// `pixelBytes` bytes) over source rows of srcWidth pixels. Throws
/// std::bad_alloc.
void BuildNearestRowShuffles(const int* xOfs, int dstWidth, int srcWidth, int pixelBytes,
                             NearestRowShuffles* shuffles);

/// Destination rows [rowBegin, rowEnd) of a nearest-neighbour resize. Row dy
/// reads source row yIdx[dy] (at `src + yIdx[dy] * srcStride`; a negative
/// stride walks upwards) and takes pixel dx from byte offset xOfs[dx]. A row
/// whose source row equals the previous row's is copied from that finished
/// row. `wordPixels3` is WordPixels3 for 3-byte pixels, unused otherwise;
/// `shuffles`, when given, were built for the same tables. Pixel sizes 1, 3
/// and 4.
void ResizeNearestRows(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst,
                       std::ptrdiff_t dstStride, int dstWidth, int rowBegin, int rowEnd, int pixelBytes,
                       const int* xOfs, const int* yIdx, int wordPixels3,
                       const NearestRowShuffles* shuffles = nullptr);
} // namespace PxPrim
