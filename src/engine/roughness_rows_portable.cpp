// The row sums one pair at a time, for processors without AVX2. The same arithmetic as the
// vector build (roughness_rows_avx2.cpp), so both give the same curve within rounding.
#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "engine/roughness_rows.h"

namespace kelvara::roughness_rows {
namespace {

struct SplitExponent {
    float fraction;      // in [−0.5, 0.5]
    float power_of_two;  // 2^n
};

// t = n + fraction with n an integer, for t in [kLowestExponent, 0].
SplitExponent split(float t) {
    const float shifted = t + kRoundingShift;
    const float whole = shifted - kRoundingShift;
    const auto power_bits = std::bit_cast<uint32_t>(shifted) << 23;
    return {t - whole, std::bit_cast<float>(power_bits)};
}

// 2^f − 1 for f in [−0.5, 0.5]. Separate multiplies and adds: without FMA instructions
// std::fma would be a slow library call.
float exp2_minus_one_reduced(float f) {
    const float q = (((kExp2Q4 * f + kExp2Q3) * f + kExp2Q2) * f + kExp2Q1) * f + kExp2Q0;
    return f * q;
}

// The roughness of one pair without its amplitudes: e^(−3.5 s) − e^(−5.75 s), from the
// first exponent t = log2(e^(−3.5 s)), as e^(−3.5 s) · (1 − e^(−2.25 s)).
float pair_roughness(float t) {
    const SplitExponent first = split(t);
    const float first_exp = first.power_of_two * (1.0f + exp2_minus_one_reduced(first.fraction));
    const SplitExponent shared = split(t * kSharedRateRatio);
    // 2^n·(1 + m) − 1 = 2^n·m + (2^n − 1): exact for n = 0, where the two nearly cancel.
    const float shared_minus_one = shared.power_of_two * exp2_minus_one_reduced(shared.fraction) +
                                   (shared.power_of_two - 1.0f);
    return -first_exp * shared_minus_one;
}

// One pair without its amplitudes.
float pair_roughness(float frequency, float scale, float other_frequency, float other_scale) {
    const float distance = std::fabs(other_frequency - frequency);
    return pair_roughness(std::max(distance * std::min(scale, other_scale), kLowestExponent));
}

// The block's sum with each column weighted by its own amplitude (the product: the row's
// amplitude multiplies the whole block afterwards) or by the smaller of the two (the minimum).
template <RoughnessModel kModel>
float block_sum(const Block& block, const Columns& rows, const Columns& columns) {
    const float frequency = rows.frequency[block.row];
    const float scale = rows.exponent_scale[block.row];
    const float row_amplitude = rows.amplitude[block.row];
    float sum = 0.0f;
    for (int32_t j = block.column; j < block.column + kBlockColumns; ++j) {
        const float weight = kModel == RoughnessModel::Minimum
                                 ? std::min(row_amplitude, columns.amplitude[j])
                                 : columns.amplitude[j];
        sum += weight *
               pair_roughness(frequency, scale, columns.frequency[j], columns.exponent_scale[j]);
    }
    return sum;
}

template <RoughnessModel kModel>
double near_pairs(const Columns& list, int32_t count, const int32_t* first_row,
                  int32_t max_offset) {
    double total = 0.0;
    for (int32_t d = 1; d <= max_offset; ++d) {
        float diagonal = 0.0f;
        for (int32_t i = first_row[d]; i + d < count; ++i)
            diagonal += pair_weight(list.amplitude[i], list.amplitude[i + d], kModel) *
                        pair_roughness(list.frequency[i], list.exponent_scale[i],
                                       list.frequency[i + d], list.exponent_scale[i + d]);
        total += diagonal;
    }
    return total;
}

}  // namespace

double sum_blocks_portable(const Block* blocks, int32_t count, const Columns& rows,
                           const Columns& columns, RoughnessModel model) {
    double total = 0.0;
    if (model == RoughnessModel::Minimum) {
        for (int32_t b = 0; b < count; ++b)
            total += block_sum<RoughnessModel::Minimum>(blocks[b], rows, columns);
        return total;
    }
    for (int32_t b = 0; b < count; ++b)
        total += static_cast<double>(rows.amplitude[blocks[b].row]) *
                 block_sum<RoughnessModel::Product>(blocks[b], rows, columns);
    return total;
}

double sum_near_pairs_portable(const Columns& list, int32_t count, const int32_t* first_row,
                               int32_t max_offset, RoughnessModel model) {
    return model == RoughnessModel::Minimum
               ? near_pairs<RoughnessModel::Minimum>(list, count, first_row, max_offset)
               : near_pairs<RoughnessModel::Product>(list, count, first_row, max_offset);
}

bool place_ascending_portable(const float* from, float* to, float* scale, int32_t count) {
    bool ascending = true;
    float previous = 0.0f;
    for (int32_t i = 0; i < count; ++i) {
        const float frequency = from[i];
        to[i] = frequency;
        scale[i] = exponent_scale(frequency);
        ascending &= (frequency >= previous) & (frequency <= std::numeric_limits<float>::max());
        previous = frequency;
    }
    return ascending;
}

bool all_within_portable(const float* values, const float* low, const float* high, int32_t count) {
    bool inside = true;
    for (int32_t i = 0; i < count; ++i) inside &= (values[i] >= low[i]) & (values[i] <= high[i]);
    return inside;
}

}  // namespace kelvara::roughness_rows
