#pragma once
// The component-object basics the media pipeline stands on: IUnknown, the
// class factory interface, the task allocator, interface holders and the
// reference-counted object base.
#include <atomic>
#include <cstddef>
#include <cstdlib>

#include <tarvek/dshow/WinTypes.h>

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

/// Slot 1-3 of every interface.
struct IUnknown
{
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

struct IClassFactory : public IUnknown
{
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

/// Task allocator: blocks that cross component boundaries (format blocks,
/// strings, identifier arrays) come from here and go back here.
inline void* CoTaskMemAlloc(std::size_t bytes)
{
  return std::malloc(bytes == 0 ? 1 : bytes);
}
inline void CoTaskMemFree(void* block)
{
  std::free(block);
}

/// Holds one reference to an interface.
template <typename T>
class CComPtr
{
public:
  CComPtr() = default;
  explicit CComPtr(T* p) : m_p(p)
  {
    if (m_p)
      m_p->AddRef();
  }
  CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
  CComPtr& operator=(const CComPtr& other)
  {
    if (other.m_p)
      other.m_p->AddRef();
    Release();
    m_p = other.m_p;
    return *this;
  }
  ~CComPtr() { Release(); }
  void Release()
  {
    if (m_p)
    {
      T* p = m_p;
      m_p = nullptr;
      p->Release();
    }
  }
  /// Address for an out-parameter; the holder must be empty.
  T** operator&() { return &m_p; }
  T* operator->() const { return m_p; }
  T* get() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  /// Takes over the held reference.
  T* Detach()
  {
    T* p = m_p;
    m_p = nullptr;
    return p;
  }

private:
  T* m_p = nullptr;
};

/// Hands out `p` as the result of a query, with a reference added.
inline HRESULT GetInterface(IUnknown* p, void** ppv)
{
  if (!ppv)
    return E_POINTER;
  *ppv = p;
  p->AddRef();
  return S_OK;
}

/// Counts the live objects of this module, for DllCanUnloadNow.
class CBaseObject
{
public:
  CBaseObject() { ms_cObjects.fetch_add(1); }
  CBaseObject(const CBaseObject&) : CBaseObject() {}
  CBaseObject& operator=(const CBaseObject&) = default;
  virtual ~CBaseObject() { ms_cObjects.fetch_sub(1); }
  static long ObjectsActive() { return ms_cObjects.load(); }

private:
  static std::atomic<long> ms_cObjects;
};

/// The IUnknown operations of an object under names that do not clash with
/// the interfaces it implements.
class INonDelegatingUnknown
{
public:
  virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG NonDelegatingAddRef() = 0;
  virtual ULONG NonDelegatingRelease() = 0;

protected:
  ~INonDelegatingUnknown() = default;
};

/// Reference-counted object base; deleted when the count returns to 0.
/// Aggregation is not supported. Derived classes answer IID_IUnknown in
/// NonDelegatingQueryInterface with their primary interface.
class CUnknown : public INonDelegatingUnknown, public CBaseObject
{
public:
  explicit CUnknown(const WCHAR* name) : m_pName(name) {}
  ~CUnknown() override = default;
  HRESULT NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  ULONG NonDelegatingAddRef() override { return ++m_cRef; }
  ULONG NonDelegatingRelease() override;
  const WCHAR* Name() const { return m_pName; }

protected:
  std::atomic<ULONG> m_cRef{0};

private:
  const WCHAR* m_pName;
};

/// The three IUnknown slots of a class, routed to its non-delegating ones.
#define DECLARE_IUNKNOWN                                                                                            \
  HRESULT QueryInterface(REFIID riid, void** ppv) override { return NonDelegatingQueryInterface(riid, ppv); }   \
  ULONG AddRef() override { return NonDelegatingAddRef(); }                                                     \
  ULONG Release() override { return NonDelegatingRelease(); }
