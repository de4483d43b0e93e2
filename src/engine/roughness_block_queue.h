#pragma once
// Collects the blocks of a run of rows against one column list and sums them in batches, so
// that the vector loop runs over long flat lists whatever the rows' lengths. Lives on the
// stack of one sum; allocates nothing.
#include <algorithm>
#include <array>

#include "engine/roughness_rows.h"

namespace kelvara::roughness_rows {

using BlockSum = double (*)(const Block* blocks, int32_t count, const Columns& columns);

class BlockQueue {
  public:
    BlockQueue(BlockSum sum, const Columns& columns) : _sum(sum), _columns(columns) {}

    // The partial paired with the columns [begin, end) (and up to seven more, see Block).
    void add_row(float frequency, float exponent_scale, float amplitude, int32_t begin,
                 int32_t end) {
        const int32_t blocks = (end - begin + kBlockColumns - 1) / kBlockColumns;
        if (_count + std::max(blocks, kUnrolled) > kCapacity) flush();
        if (blocks <= kUnrolled) {
            // Short rows are the common case: write the most a short row needs and count
            // only its own, so that the row's length costs no branch.
            Block* const next = _blocks.data() + _count;
            next[0] = {frequency, exponent_scale, amplitude, begin};
            next[1] = {frequency, exponent_scale, amplitude, begin + kBlockColumns};
            next[2] = {frequency, exponent_scale, amplitude, begin + 2 * kBlockColumns};
            next[3] = {frequency, exponent_scale, amplitude, begin + 3 * kBlockColumns};
            _count += blocks;
            return;
        }
        for (int32_t column = begin; column < end; column += kBlockColumns) {
            if (_count == kCapacity) flush();
            _blocks[_count++] = {frequency, exponent_scale, amplitude, column};
        }
    }

    double finish() {
        flush();
        return _total;
    }

  private:
    static constexpr int32_t kCapacity = 256;
    static constexpr int32_t kUnrolled = 4;

    void flush() {
        if (_count > 0) _total += _sum(_blocks.data(), _count, _columns);
        _count = 0;
    }

    BlockSum _sum;
    Columns _columns;
    std::array<Block, kCapacity> _blocks;  // only the first _count entries are meaningful
    int32_t _count = 0;
    double _total = 0.0;
};

}  // namespace kelvara::roughness_rows
