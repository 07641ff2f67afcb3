#pragma once
// Symbol visibility of the general library. The libraries are built with
// -fvisibility=hidden; only what carries this macro is exported.
#if defined(_WIN32)
#  if defined(GEN_BUILDING_LIBRARY)
#    define GEN_EXPORT __declspec(dllexport)
#  else
#    define GEN_EXPORT __declspec(dllimport)
#  endif
#else
#  define GEN_EXPORT __attribute__((visibility("default")))
#endif
