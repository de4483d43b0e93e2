#pragma once
// The minima search measured on a kernel benchmark case (kernel_benchmark_cases.h) against one
// sampling run of the same document with the kernel documents sample with: the numbers of
// `kelvara-cli bench`'s minima row.
#include <cstdint>
#include <string>

#include "base/error.h"
#include "bench/kernel_benchmark_cases.h"

namespace kelvara {

struct MinimaTiming {
    std::string name;
    int32_t minima = 0;        // found in the case's x range
    double search_ms = 0.0;    // fastest search seen, in processor time of this thread
    double sampling_ms = 0.0;  // fastest sampling run of the same document
    double ratio = 0.0;        // search_ms / sampling_ms
};

// Repeats the search and the sampling run for at least `min_seconds` (and at least once
// each), the two taking turns. Refused when the case's curve cannot be searched.
Result<MinimaTiming> time_minima(const KernelBenchmarkCase& c, double min_seconds);

}  // namespace kelvara
