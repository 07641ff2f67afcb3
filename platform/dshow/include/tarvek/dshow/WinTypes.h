#pragma once
// The media pipeline's records and result codes for Linux, with the Windows
// sizes and values. GUID, HRESULT with the general codes, RECT and POINT come
// from the component-object basics of the image library's platform headers.
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#error "use the platform's own headers on Windows"
#endif

#include <pixolan/platform/WinCom.h>

typedef std::int64_t LONGLONG;
typedef std::int64_t REFERENCE_TIME;
typedef wchar_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;

static_assert(sizeof(REFERENCE_TIME) == 8, "REFERENCE_TIME must be 8 bytes");

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
