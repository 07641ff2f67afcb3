#pragma once
// The resizer transform filter and its output pin.
#include <tarvek/dshow/BaseClasses.h>
#include <tarvek/resizer/ITarvekResizer13.h>
#include <tarvek/resizer/TCTfTrfFrameTransform.h>

/// Output pin: answers its identifier and checks dynamic format changes
/// offered downstream.
class TCTfTrfOutputPin : public CTransformOutputPin
{
public:
  TCTfTrfOutputPin(CTransformFilter* filter, HRESULT* phr);
  /// "Out" as a new task-allocated wide string.
  HRESULT QueryId(LPWSTR* id) override;
  /// S_OK for the connection's subtype and absolute frame size in a video
  /// format block; E_POINTER for null; VFW_E_INVALID_MEDIA_TYPE otherwise.
  HRESULT QueryAccept(const AM_MEDIA_TYPE* type) override;
};

/// Passes RGB32, RGB24 and Y800 frames through unchanged, flipped to the
/// downstream row order, or resized by nearest-neighbour sampling to the
/// size set through ITarvekResizer13.
class TCTfTrfResizerFilter : public CTransformFilter, public ITarvekResizer13, public ISpecifyPropertyPages
{
public:
  /// Creates the pins; E_OUTOFMEMORY in *phr when they cannot be had.
  explicit TCTfTrfResizerFilter(HRESULT* phr);
  ~TCTfTrfResizerFilter() override;
  /// Instance creation for the class factory.
  static CUnknown* CreateInstance(IUnknown* outer, HRESULT* phr);

  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  // Framework slots.
  HRESULT Transform(IMediaSample* input, IMediaSample* output) override;
  HRESULT CheckInputType(const CMediaType* type) override;
  HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
  /// None: the module registers the filter from its static table.
  const AMOVIESETUP_FILTER* GetSetupData() override { return nullptr; }

  // ITarvekResizer13
  HRESULT SetSubtype(const GUID* subtype) override;
  HRESULT SetOutputSize(int width, int height) override;
  HRESULT GetOutputSize(int* width, int* height) override;
  HRESULT GetCurrentSize(int* width, int* height) override;

  // ISpecifyPropertyPages
  HRESULT GetPages(CAUUID* pages) override;

private:
  CMediaType m_mtInput;
  CMediaType m_mtOutput;
  GUID m_requiredSubtype = GUID_NULL;
  int m_iCurrentWidth = -1;
  int m_iCurrentHeight = -1;
  int m_iRequestedWidth = 0;
  int m_iRequestedHeight = 0;
  TCTfTrfFrameTransform m_frames; ///< the input and output work images
};
