// Sampling runs inside every edit on the user-interface thread, so once a kernel has
// reserved its buffers, a sampling run must not allocate. This test binary replaces the
// global allocation functions to count the allocations made while a run is under way.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "document/document.h"
#include "engine/fast_dissonance_kernel.h"

namespace {
int g_allocations = 0;
bool g_counting = false;
}  // namespace

// The replacements pair malloc with free, which GCC cannot see through once they inline.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (g_counting) ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace kelvara {
namespace {

int allocations_during(const auto& action) {
    g_allocations = 0;
    g_counting = true;
    action();
    g_counting = false;
    return g_allocations;
}

TEST(KernelAllocation, SamplingRunsAllocateNothing) {
    // Sets the processor cannot run fall back to one it can.
    for (const KernelInstructions set :
         {KernelInstructions::Portable, KernelInstructions::Avx2, KernelInstructions::Avx512}) {
        Document doc;
        doc.curve_actions().set_kernel(std::make_unique<FastKernel>(set));
        const float ratios[] = {1.0f, 1.25f, 1.5f};
        ASSERT_TRUE(doc.table_actions().set_fixed_tones(ratios));
        EXPECT_EQ(allocations_during([&] { doc.sample_curve(); }), 0);
        ASSERT_GT(doc.curve().number_of_points(), 0);
        // A custom timbre under the minimum model: its list is read where it is.
        ASSERT_TRUE(
            doc.timbre_actions().set_custom_partials({{1.0, 1.0}, {2.756, 0.5}, {0.5, 0.3}}));
        doc.timbre_actions().set_roughness_model(RoughnessModel::Minimum);
        EXPECT_EQ(allocations_during([&] { doc.sample_curve(); }), 0);
    }
}

}  // namespace
}  // namespace kelvara
