#pragma once
// Hot row loops are built for AVX2 as well as the baseline; the loader picks
// the best the CPU supports. Under ThreadSanitizer the clones' resolvers would
// run before its runtime starts and crash the library at load time, so there
// the baseline alone is built.
#if defined(__SANITIZE_THREAD__)
#  define PX_HOT_KERNEL
#else
#  define PX_HOT_KERNEL __attribute__((target_clones("avx2", "default")))
#endif
