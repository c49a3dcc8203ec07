#pragma once
// The fuzz targets' one assertion: a broken invariant aborts, naming itself and its line, so
// that libFuzzer keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(ok) ((ok) ? void() : orv_fuzz_broken(#ok, __FILE__, __LINE__))

[[noreturn]] inline void orv_fuzz_broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}
