#pragma once
// <immintrin.h> for the AVX-512 builds of the sums. GCC 12's AVX-512 intrinsics (max, min,
// shifts, conversions) start from a deliberately undefined vector that its uninitialised-
// variable warnings mistake for a bug in every caller. The warnings point into the header, so
// silencing them there (this must be included before anything else includes <immintrin.h>)
// keeps them on for the including file's own code. Clang has neither the false alarm nor the
// option, and rejects the option's name under -Werror.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop
#else
#include <immintrin.h>
#endif
