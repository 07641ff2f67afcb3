#pragma once
// Symbol visibility of the image library. The library is built with
// -fvisibility=hidden; only what carries this macro is exported.
#if defined(_WIN32)
#  if defined(PIXOLAN_BUILDING_LIBRARY)
#    define PIXOLAN_EXPORT __declspec(dllexport)
#  else
#    define PIXOLAN_EXPORT __declspec(dllimport)
#  endif
#else
#  define PIXOLAN_EXPORT __attribute__((visibility("default")))
#endif
