#pragma once
// The reference-counted object base that components implement their
// interfaces on (implemented in the media-pipeline stand-in library).
#include <atomic>

#include <tarvek/dshow/Com.h>

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
