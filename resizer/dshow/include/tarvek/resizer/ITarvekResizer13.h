#pragma once
// The resizer filter's identifiers and its custom interface, for hosts. With
// Com.h (installed beside it) a host loads the module, asks DllGetClassObject
// for the filter's class factory, creates the filter and queries it for
// ITarvekResizer13.
#include <tarvek/dshow/Com.h>

/// Class identifier of the resizer filter.
inline constexpr CLSID CLSID_TarvekResizerFilter = {
  0xAD9F92A1, 0x00B6, 0x4B3D, {0x98, 0x7D, 0xD4, 0x8E, 0x3F, 0x56, 0xA7, 0x54}};
/// Identifier of ITarvekResizer13.
inline constexpr IID IID_ITarvekResizer13 = {
  0x5F95463A, 0x2166, 0x4074, {0xBF, 0x4A, 0x6F, 0xAB, 0xBB, 0x20, 0x8C, 0x8D}};
/// Class identifier of the filter's property page (reported by GetPages).
inline constexpr CLSID CLSID_TarvekResizerPropertyPage = {
  0xD331FE15, 0x767C, 0x4DA3, {0x8C, 0xD2, 0xF6, 0x6F, 0x4D, 0x9D, 0x03, 0x25}};

/// Output format control of the resizer filter.
struct ITarvekResizer13 : public IUnknown
{
  /// Null clears the required input subtype; RGB32, RGB24 or Y800 becomes the
  /// only input subtype accepted; any other → VFW_E_TYPE_NOT_ACCEPTED.
  virtual HRESULT SetSubtype(const GUID* subtype) = 0;
  /// Requested output size (0: the input's), taken only while the output pin
  /// is unconnected (else S_FALSE) and when both values are >= 0.
  virtual HRESULT SetOutputSize(int width, int height) = 0;
  /// The requested size when both are > 0 (S_OK); else the picture aspect
  /// ratio of a VideoInfo2 input connection (S_OK); else 0, 0 and S_FALSE.
  virtual HRESULT GetOutputSize(int* width, int* height) = 0;
  /// Absolute frame size of the output connection, else of the input
  /// connection; E_FAIL when neither pin is connected.
  virtual HRESULT GetCurrentSize(int* width, int* height) = 0;
};
