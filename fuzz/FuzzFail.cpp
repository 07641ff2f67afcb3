#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>

void FuzzFail(const char* what)
{
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::fflush(stderr);
  std::abort();
}
