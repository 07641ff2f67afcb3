#include <tarvek/resizer/TCTfTrfSizeRules.h>

namespace
{
constexpr long long kMaxFrameBytes = INT_MAX;
} // namespace

bool TCTfTrfSizeRules::RoundWidth(long long width, int* rounded)
{
  if (width % kWidthMultiple != 0)
    width = width - width % kWidthMultiple + kWidthMultiple;
  if (width <= 0 || width > INT_MAX)
    return false;
  if (rounded)
    *rounded = static_cast<int>(width);
  return true;
}

bool TCTfTrfSizeRules::OutputSize(int requestedWidth, int requestedHeight, long long inputWidth,
                                  long long inputHeight, int* width, int* height)
{
  const bool keep = KeepsInputSize(requestedWidth, requestedHeight);
  const long long w = keep ? inputWidth : requestedWidth;
  const long long h = keep ? inputHeight : requestedHeight;
  int rounded = 0;
  if (!RoundWidth(w, &rounded) || h <= 0 || h > INT_MAX)
    return false;
  if (width)
    *width = rounded;
  if (height)
    *height = static_cast<int>(h);
  return true;
}

bool TCTfTrfSizeRules::OutputWidths(TCTfTrfSizeRange input, TCTfTrfSizeRange* output)
{
  const int lo = input.min < 1 ? 1 : input.min;
  if (lo > input.max || lo > kMaxOutputWidth || !output)
    return false;
  RoundWidth(lo, &output->min);
  if (input.max > kMaxOutputWidth)
    output->max = kMaxOutputWidth;
  else
    RoundWidth(input.max, &output->max);
  return true;
}

bool TCTfTrfSizeRules::InputWidths(TCTfTrfSizeRange output, TCTfTrfSizeRange* input)
{
  const int lo = output.min < 1 ? 1 : output.min;
  if (lo > output.max || lo > kMaxOutputWidth || !input)
    return false;
  int first = 0;
  RoundWidth(lo, &first);
  const int last = output.max - output.max % kWidthMultiple;
  if (first > last)
    return false;
  input->min = first - (kWidthMultiple - 1);
  input->max = last;
  return true;
}

long long TCTfTrfSizeRules::AlignedStride(TCTfTrfPixelLayout layout, long long width)
{
  const long long bits = 8LL * TCTfTrfFrameFormat::PixelBytes(layout);
  return ((bits * width + 31) / 32) * 4;
}

bool TCTfTrfSizeRules::FitsFrame(TCTfTrfPixelLayout layout, long long width, long long height)
{
  if (width < 1 || height < 1 || width > INT_MAX || height > INT_MAX)
    return false;
  const long long stride = AlignedStride(layout, width);
  return stride <= kMaxFrameBytes && stride * height <= kMaxFrameBytes;
}
