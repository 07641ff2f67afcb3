#pragma once
// COM base records for Linux with the Windows field order, sizes and values:
// GUID, HRESULT and the result codes the media pipeline uses, RECT and the
// fixed-width integer names. A record or code crosses unchanged to code that
// expects the Windows layout.
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#error "use the platform's own headers on Windows"
#endif

// The same four names as pixolan/platform/WinBitmap.h declares (a redeclaration
// with another type would not compile), repeated so that the host headers of
// the plug-in stand on their own.
typedef std::uint8_t BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;

typedef std::int32_t HRESULT;
typedef std::int32_t BOOL;
typedef std::uint32_t ULONG;
typedef std::int64_t LONGLONG;
typedef std::int64_t REFERENCE_TIME;
typedef wchar_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;

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

static_assert(sizeof(GUID) == 16, "GUID must be 16 bytes");
static_assert(sizeof(HRESULT) == 4, "HRESULT must be 4 bytes");
static_assert(sizeof(RECT) == 16, "RECT must be 16 bytes");
static_assert(sizeof(REFERENCE_TIME) == 8, "REFERENCE_TIME must be 8 bytes");

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

constexpr HRESULT VFW_S_NO_MORE_ITEMS = MakeHResult(0x00040103u);
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = MakeHResult(0x80040200u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHResult(0x80040204u);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = MakeHResult(0x80040207u);
constexpr HRESULT VFW_E_INVALID_DIRECTION = MakeHResult(0x80040208u);
constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHResult(0x80040209u);
constexpr HRESULT VFW_E_NO_ALLOCATOR = MakeHResult(0x8004020Au);
constexpr HRESULT VFW_E_SIZENOTSET = MakeHResult(0x80040212u);
constexpr HRESULT VFW_E_NOT_COMMITTED = MakeHResult(0x80040211u);
constexpr HRESULT VFW_E_WRONG_STATE = MakeHResult(0x80040227u);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = MakeHResult(0x8004022Au);
constexpr HRESULT VFW_E_INVALID_MEDIA_TYPE = MakeHResult(0x80040248u);

inline bool SUCCEEDED(HRESULT hr)
{
  return hr >= 0;
}
inline bool FAILED(HRESULT hr)
{
  return hr < 0;
}
