#pragma once
// The component-object basics the media pipeline stands on: IUnknown, the
// class factory interface, the module entry points, the task allocator and
// interface holders. Header-only, so that a host can load a module and query
// its interfaces with nothing but these headers; the object base that
// components are built on is in Unknown.h.
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

/// The class-object entry point a module exports as DllGetClassObject (looked
/// up with dlsym): the factory of `clsid` queried for `riid` into `*ppv`.
typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID clsid, REFIID riid, void** ppv);
/// DllCanUnloadNow: S_OK when no object or lock of the module is alive.
typedef HRESULT (*LPFNCANUNLOADNOW)();

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
