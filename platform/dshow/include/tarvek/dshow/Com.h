#pragma once
// The component-object basics the media pipeline stands on: IUnknown and the
// interface holder (from pixolan/platform/WinCom.h), the class factory
// interface, the module entry points and the task allocator. Header-only, so
// that a host can load a module and query its interfaces with nothing but
// these headers; the object base that components are built on is in Unknown.h.
#include <cstddef>
#include <cstdlib>

#include <tarvek/dshow/WinTypes.h>

inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

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

/// Hands out `p` as the result of a query, with a reference added.
inline HRESULT GetInterface(IUnknown* p, void** ppv)
{
  if (!ppv)
    return E_POINTER;
  *ppv = p;
  p->AddRef();
  return S_OK;
}
