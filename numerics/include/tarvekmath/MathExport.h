#pragma once
// Symbol visibility of the numerics library. The library is built with
// -fvisibility=hidden; only what carries this macro is exported.
#if defined(_WIN32)
#  if defined(TARVEKMATH_BUILDING_LIBRARY)
#    define TARVEKMATH_EXPORT __declspec(dllexport)
#  else
#    define TARVEKMATH_EXPORT __declspec(dllimport)
#  endif
#else
#  define TARVEKMATH_EXPORT __attribute__((visibility("default")))
#endif
