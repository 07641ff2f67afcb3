#pragma once
// The media-pipeline interfaces: samples, allocators, pins, filters and
// property pages. Slots are in the order given here.
#include <tarvek/dshow/MediaType.h>

inline constexpr IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IMediaFilter = {0x56A86899, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IBaseFilter = {0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IPin = {0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMemInputPin = {0x56A8689D, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMemAllocator = {0x56A8689C, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_IMediaSample = {0x56A8689A, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr IID IID_ISpecifyPropertyPages = {
  0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

constexpr HRESULT VFW_E_BUFFER_OVERFLOW = MakeHResult(0x8004020Du);
constexpr HRESULT VFW_E_BADALIGN = MakeHResult(0x8004020Eu);
constexpr HRESULT VFW_E_ALREADY_COMMITTED = MakeHResult(0x8004020Fu);
constexpr HRESULT VFW_E_TIMEOUT = MakeHResult(0x8004022Eu);

enum PIN_DIRECTION
{
  PINDIR_INPUT = 0,
  PINDIR_OUTPUT = 1
};

enum FILTER_STATE
{
  State_Stopped = 0,
  State_Paused = 1,
  State_Running = 2
};

/// Buffer count, size, alignment and prefix of an allocator.
struct ALLOCATOR_PROPERTIES
{
  LONG cBuffers;
  LONG cbBuffer;
  LONG cbAlign;
  LONG cbPrefix;
};
static_assert(sizeof(ALLOCATOR_PROPERTIES) == 16, "ALLOCATOR_PROPERTIES must be 16 bytes");

/// Counted array of identifiers; pElems is a task allocator block.
struct CAUUID
{
  ULONG cElems;
  GUID* pElems;
};

/// One buffer of media data.
struct IMediaSample : public IUnknown
{
  virtual HRESULT GetPointer(BYTE** buffer) = 0;
  /// Allocated size of the buffer in bytes.
  virtual LONG GetSize() = 0;
  virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) = 0;
  virtual LONG GetActualDataLength() = 0;
  virtual HRESULT SetActualDataLength(LONG length) = 0;
  /// S_FALSE and null when no type is attached; otherwise a new copy that
  /// the caller releases with DeleteMediaType.
  virtual HRESULT GetMediaType(AM_MEDIA_TYPE** type) = 0;
  /// Attaches a copy of `type`; null detaches.
  virtual HRESULT SetMediaType(AM_MEDIA_TYPE* type) = 0;
};

/// A pool of samples.
struct IMemAllocator : public IUnknown
{
  /// Asks for `request`; `actual` receives what was granted.
  virtual HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
  virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT Commit() = 0;
  virtual HRESULT Decommit() = 0;
  virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end, DWORD flags) = 0;
  virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

struct IPin : public IUnknown
{
  virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT Disconnect() = 0;
  virtual HRESULT ConnectedTo(IPin** pin) = 0;
  virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
  /// The pin's identifier as a new task-allocated wide string.
  virtual HRESULT QueryId(LPWSTR* id) = 0;
  /// S_OK when the pin would take `type` now.
  virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* type) = 0;
};

/// Sample transport of an input pin.
struct IMemInputPin : public IUnknown
{
  virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
  virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
  virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT Receive(IMediaSample* sample) = 0;
};

struct IBaseFilter : public IUnknown
{
  virtual HRESULT GetClassID(CLSID* clsid) = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Run(REFERENCE_TIME start) = 0;
  virtual HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) = 0;
  /// The pin whose QueryId is `id`, with a reference added.
  virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
};

struct ISpecifyPropertyPages : public IUnknown
{
  virtual HRESULT GetPages(CAUUID* pages) = 0;
};
