#pragma once
// Base classes of media-pipeline components: samples over caller buffers, a
// memory allocator, pins that connect and pass samples, the filter base and
// the one-in, one-out transform filter.
#include <memory>
#include <string>
#include <vector>

#include <tarvek/dshow/Interfaces.h>
#include <tarvek/dshow/Unknown.h>

class CBaseFilter;
class CMemAllocator;

/// A sample over a buffer it does not own. Samples of an allocator go back to
/// it when their count returns to 0; free-standing ones (null allocator)
/// delete themselves.
class CMediaSample : public CUnknown, public IMediaSample
{
public:
  CMediaSample(const WCHAR* name, CMemAllocator* allocator, BYTE* buffer, LONG length);
  ~CMediaSample() override;
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG NonDelegatingRelease() override;

  HRESULT GetPointer(BYTE** buffer) override;
  LONG GetSize() override { return m_cbBuffer; }
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  LONG GetActualDataLength() override { return m_lActual; }
  HRESULT SetActualDataLength(LONG length) override;
  HRESULT GetMediaType(AM_MEDIA_TYPE** type) override;
  HRESULT SetMediaType(AM_MEDIA_TYPE* type) override;

private:
  friend class CMemAllocator;
  CMemAllocator* m_pAllocator;
  BYTE* m_pBuffer;
  LONG m_cbBuffer;
  LONG m_lActual = 0;
  REFERENCE_TIME m_tStart = 0;
  REFERENCE_TIME m_tEnd = 0;
  bool m_bTimeValid = false;
  std::unique_ptr<CMediaType> m_pMediaType;
  bool m_bInUse = false;
};

/// Allocator with buffers from the heap. Grants what is asked for unless a
/// grant limit or extra slack bytes are set (hooks for tests of buffer
/// negotiation).
class CMemAllocator : public CUnknown, public IMemAllocator
{
public:
  CMemAllocator();
  ~CMemAllocator() override;
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) override;
  HRESULT Commit() override;
  HRESULT Decommit() override;
  HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end, DWORD flags) override;
  HRESULT ReleaseBuffer(IMediaSample* sample) override;

  /// Buffers granted are at most `bytes` long (0: no limit).
  void SetGrantLimit(LONG bytes) { m_lGrantLimit = bytes; }
  /// Buffers granted are `bytes` longer than asked for.
  void SetSlack(LONG bytes) { m_lSlack = bytes; }
  /// The next sample handed out carries a copy of `type` (null: none).
  void SetNextMediaType(const AM_MEDIA_TYPE* type);

private:
  ALLOCATOR_PROPERTIES m_props{0, 0, 0, 0};
  bool m_bCommitted = false;
  LONG m_lGrantLimit = 0;
  LONG m_lSlack = 0;
  std::unique_ptr<CMediaType> m_pNextType;
  std::vector<std::unique_ptr<BYTE[]>> m_buffers;
  std::vector<CMediaSample*> m_samples;
};

/// Pin base: connection, media type, identity. A pin of a filter shares the
/// filter's reference count; a free-standing pin (null filter) counts itself.
class CBasePin : public CUnknown, public IPin
{
public:
  CBasePin(const WCHAR* objectName, CBaseFilter* filter, const WCHAR* pinName, PIN_DIRECTION direction);
  ~CBasePin() override;
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG NonDelegatingAddRef() override;
  ULONG NonDelegatingRelease() override;

  HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  HRESULT Disconnect() override;
  HRESULT ConnectedTo(IPin** pin) override;
  HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT QueryId(LPWSTR* id) override;
  HRESULT QueryAccept(const AM_MEDIA_TYPE* type) override;

  /// S_OK when the pin takes `type`.
  virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
  /// Records the connection type.
  virtual HRESULT SetMediaType(const CMediaType* type);
  /// Type proposed at `position` when this pin starts a connection.
  virtual HRESULT GetMediaType(int position, CMediaType* type);
  virtual HRESULT CheckConnect(IPin* peer);
  virtual HRESULT BreakConnect();
  virtual HRESULT CompleteConnect(IPin* peer);
  /// Streaming starts / stops.
  virtual HRESULT Active();
  virtual HRESULT Inactive();

  bool IsConnected() const { return m_Connected != nullptr; }
  IPin* GetConnected() const { return m_Connected; }
  const CMediaType& CurrentMediaType() const { return m_mt; }
  const std::wstring& PinName() const { return m_pinName; }
  bool IsActive() const { return m_bActive; }

protected:
  CBaseFilter* m_pFilter;
  std::wstring m_pinName;
  PIN_DIRECTION m_dir;
  IPin* m_Connected = nullptr;
  CMediaType m_mt;
  bool m_bActive = false;

private:
  HRESULT AttemptConnection(IPin* receivePin, const CMediaType& type);
  void ClearConnection();
};

/// Output pin: negotiates an allocator with the downstream input pin and
/// delivers samples to it.
class CBaseOutputPin : public CBasePin
{
public:
  CBaseOutputPin(const WCHAR* objectName, CBaseFilter* filter, const WCHAR* pinName);
  ~CBaseOutputPin() override;

  HRESULT CheckConnect(IPin* peer) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* peer) override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  /// Sets the allocator's properties for the connection.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
  /// An empty sample from the connection's allocator.
  HRESULT GetDeliveryBuffer(IMediaSample** sample);
  /// Passes a sample downstream.
  HRESULT Deliver(IMediaSample* sample);

protected:
  HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);

  IMemAllocator* m_pAllocator = nullptr;
  IMemInputPin* m_pInputPin = nullptr;
};

/// Input pin: hands out an allocator and receives samples.
class CBaseInputPin : public CBasePin, public IMemInputPin
{
public:
  CBaseInputPin(const WCHAR* objectName, CBaseFilter* filter, const WCHAR* pinName);
  ~CBaseInputPin() override;
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT GetAllocator(IMemAllocator** allocator) override;
  HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
  /// Base: checks that the pin may stream now.
  HRESULT Receive(IMediaSample* sample) override;

  HRESULT BreakConnect() override;
  /// VFW_E_NOT_CONNECTED or VFW_E_WRONG_STATE when no sample can be taken.
  HRESULT CheckStreaming() const;
  bool IsReadOnly() const { return m_bReadOnly; }

protected:
  IMemAllocator* m_pAllocator = nullptr;
  bool m_bReadOnly = false;
};

/// Filter base: state, class identifier, pins found by their identifiers.
class CBaseFilter : public CUnknown, public IBaseFilter
{
public:
  CBaseFilter(const WCHAR* name, IUnknown* outer, REFCLSID clsid);
  ~CBaseFilter() override;
  DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;

  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  HRESULT FindPin(LPCWSTR id, IPin** pin) override;

  virtual int GetPinCount() = 0;
  virtual CBasePin* GetPin(int n) = 0;
  /// The filter's registration record, when it registers itself from one;
  /// none by default.
  virtual const struct AMOVIESETUP_FILTER* GetSetupData() { return nullptr; }
  bool IsStopped() const { return m_State == State_Stopped; }

protected:
  FILTER_STATE m_State = State_Stopped;
  CLSID m_clsid;
};

class CTransformInputPin;
class CTransformOutputPin;

/// One input, one output; each input sample becomes one output sample made
/// by Transform. Derived filters fill in the slots below.
class CTransformFilter : public CBaseFilter
{
public:
  CTransformFilter(const WCHAR* name, IUnknown* outer, REFCLSID clsid);
  ~CTransformFilter() override;

  virtual HRESULT Transform(IMediaSample* input, IMediaSample* output) = 0;
  virtual HRESULT CheckInputType(const CMediaType* type) = 0;
  virtual HRESULT CheckTransform(const CMediaType* input, const CMediaType* output) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
  virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
  virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type);
  virtual HRESULT StartStreaming();
  virtual HRESULT StopStreaming();
  virtual HRESULT CheckConnect(PIN_DIRECTION direction, IPin* peer);
  virtual HRESULT BreakConnect(PIN_DIRECTION direction);
  virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* peer);
  /// Gets an output buffer, runs Transform and delivers on S_OK; S_FALSE
  /// drops the frame.
  virtual HRESULT Receive(IMediaSample* sample);

  int GetPinCount() override { return 2; }
  CBasePin* GetPin(int n) override;
  HRESULT Stop() override;
  HRESULT Pause() override;

protected:
  CTransformInputPin* m_pInput = nullptr;
  CTransformOutputPin* m_pOutput = nullptr;
};

class CTransformInputPin : public CBaseInputPin
{
public:
  CTransformInputPin(const WCHAR* objectName, CTransformFilter* filter, HRESULT* phr, const WCHAR* pinName);
  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT SetMediaType(const CMediaType* type) override;
  HRESULT CheckConnect(IPin* peer) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* peer) override;
  HRESULT Receive(IMediaSample* sample) override;

protected:
  CTransformFilter* m_pTransformFilter;
};

class CTransformOutputPin : public CBaseOutputPin
{
public:
  CTransformOutputPin(const WCHAR* objectName, CTransformFilter* filter, HRESULT* phr, const WCHAR* pinName);
  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT SetMediaType(const CMediaType* type) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT CheckConnect(IPin* peer) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* peer) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;

protected:
  CTransformFilter* m_pTransformFilter;
};
