#pragma once
// Collects the blocks of a run of rows against one column list and sums them in batches, so
// that the vector loop runs over long flat lists whatever the rows' lengths. Lives on the
// stack of one sum; allocates nothing.
#include <array>

#include "engine/roughness_rows.h"

namespace kelvara::roughness_rows {

using BlockSum = double (*)(const Block* blocks, int32_t count, const Columns& rows,
                            const Columns& columns);

class BlockQueue {
public:
    BlockQueue(BlockSum sum, const Columns& rows, const Columns& columns)
        : _sum(sum), _rows(rows), _columns(columns) {}

    // The row partial paired with the columns [begin, end) (and up to seven more, see Block).
    void add_row(int32_t row, int32_t begin, int32_t end) {
        for (int32_t column = begin; column < end; column += kBlockColumns) {
            if (_count == kCapacity) flush();
            _blocks[_count++] = {row, column};
        }
    }

    double finish() {
        flush();
        return _total;
    }

private:
    static constexpr int32_t kCapacity = 256;

    void flush() {
        if (_count > 0) _total += _sum(_blocks.data(), _count, _rows, _columns);
        _count = 0;
    }

    BlockSum _sum;
    Columns _rows, _columns;
    std::array<Block, kCapacity> _blocks;  // only the first _count entries are meaningful
    int32_t _count = 0;
    double _total = 0.0;
};

}  // namespace kelvara::roughness_rows
