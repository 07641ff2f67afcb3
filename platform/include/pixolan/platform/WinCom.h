#pragma once
// Component-object basics for Linux with the Windows field order, sizes and
// values: GUID, HRESULT and the general result codes, RECT, POINT, IUnknown
// and an interface holder. A record, code or interface slot defined here
// crosses unchanged to code that expects the Windows layout. Header-only.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <pixolan/platform/WinBitmap.h>

#if defined(_WIN32)
#error "use the platform's own headers on Windows"
#endif

typedef std::int32_t HRESULT;
typedef std::int32_t BOOL;
typedef std::uint32_t ULONG;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

/// 16-byte globally unique identifier.
struct GUID
{
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b)
{
  return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool operator==(REFGUID a, REFGUID b)
{
  return IsEqualGUID(a, b);
}
inline bool operator!=(REFGUID a, REFGUID b)
{
  return !IsEqualGUID(a, b);
}
inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

/// Rectangle with exclusive right and bottom.
struct RECT
{
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

/// Point with 32-bit coordinates.
struct POINT
{
  LONG x;
  LONG y;
};

static_assert(sizeof(GUID) == 16, "GUID must be 16 bytes");
static_assert(sizeof(HRESULT) == 4, "HRESULT must be 4 bytes");
static_assert(sizeof(RECT) == 16, "RECT must be 16 bytes");
static_assert(sizeof(POINT) == 8 && offsetof(POINT, y) == 4, "POINT must be x then y, 4 bytes each");

constexpr HRESULT MakeHResult(std::uint32_t value)
{
  return static_cast<HRESULT>(value);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111u);

inline bool SUCCEEDED(HRESULT hr)
{
  return hr >= 0;
}
inline bool FAILED(HRESULT hr)
{
  return hr < 0;
}

inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

/// Slot 1-3 of every interface.
struct IUnknown
{
  virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

/// Holds one reference to an interface.
template <typename T>
class CComPtr
{
public:
  CComPtr() = default;
  /// Adds a reference to `p`.
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
  /// Takes over a reference the caller owns (no reference is added); the
  /// previously held one is released.
  void Attach(T* p)
  {
    if (p == m_p)
    {
      // Holding the same pointer twice: the caller's reference is surplus.
      if (p)
        p->Release();
      return;
    }
    T* old = m_p;
    m_p = p;
    if (old)
      old->Release();
  }
  /// Hands over the held reference.
  T* Detach()
  {
    T* p = m_p;
    m_p = nullptr;
    return p;
  }

private:
  T* m_p = nullptr;
};
