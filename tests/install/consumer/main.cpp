// Uses the installed headers and libraries the way a host application would.
// Built twice: as a CMake project (find_package) and as one file with the
// flags of `pkg-config --cflags --libs pixolan`.

// tarvekmath is built with uBLAS's checks off; its users must compile the
// inline uBLAS code the same way, so the package has to pass the macro on.
#ifndef BOOST_UBLAS_NDEBUG
#error "the package does not pass on BOOST_UBLAS_NDEBUG"
#endif

#include <iostream>
#include <memory>
#include <vector>

#include <general/general.h>
#include <pixolan/pixolan.h>
#include <tarvekmath/tarvekmath.h>

int main()
{
  TCPx8bitImage image(64, 48);
  image.SetROI(TCGenRect<int>(8, 8, 40, 40));
  std::unique_ptr<TCPxImageBase> part(image.CreateImageOfROI());
  std::vector<int> histogram;
  const int peak = image.GetIntensityHistogram(16, &histogram);
  const unsigned long hsv = TCPxConversion::Rgb2Hsv(255);
  // The device-context stand-in and the component wrappers, as a host uses them.
  HDC hdc = CreateMemorySurface(64, 48);
  const bool drawn = TCPxGUI::DrawImageAt(hdc, image, 0, 0) && GetMemorySurfacePixels(hdc)[0] == 0;
  DestroyMemorySurface(hdc);
  tagTCIdtPxImage record{};
  TCPxComUtils::ConvertN2CImage8bit(image, &record);
  CComPtr<ITCPxImage> com = TCPxComUtils::MakeComImage(TCPxComUtils::ConvertC2NImage8bit(record));
  int kind = -1;
  const bool wrapped = com && com->GetKind(&kind) == S_OK && kind == 0;
  const bool ok = drawn && wrapped && part && part->GetWidth() == 32 && peak == 64 * 48 && histogram.size() == 16 &&
                  (hsv & 0xFF) == 0 && TCGenMathUtils::Round(2.5) == 3 &&
                  Gen::convert(std::wstring(L"\u00e9")) == "\xc3\xa9" &&
                  TCMathUblasUtils::Sum(TCMathUblasUtils::Linspace(0.0, 1.0, 5)) == 2.5;
  std::cout << (ok ? "consumer ok" : "consumer FAILED") << "\n";
  return ok ? 0 : 1;
}
