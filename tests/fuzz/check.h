#pragma once
// The fuzz targets' one assertion: a broken invariant aborts, naming itself and its line, so
// that libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(ok)                                                                       \
    ((ok) ? void()                                                                           \
          : (std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #ok), \
             std::abort()))
