#pragma once
// Collects the blocks of a run of rows against one column list and sums them in batches, so
// that the vector loop runs over long flat lists whatever the rows' lengths. Lives on the
// stack of one sum; allocates nothing.
#include <array>

#include "engine/roughness_rows.h"

namespace kelvara::roughness_rows {

using BlockSum = double (*)(const Block* blocks, int32_t count, const Columns& rows,
                            const Columns& columns, RoughnessModel model);

class BlockQueue {
public:
    BlockQueue(BlockSum sum, RoughnessModel model, const Columns& rows, const Columns& columns)
        : sum_(sum), model_(model), rows_(rows), columns_(columns) {}

    // The row partial paired with the columns [begin, end) (and up to seven more, see Block).
    void add_row(int32_t row, int32_t begin, int32_t end) {
        for (int32_t column = begin; column < end; column += kBlockColumns) {
            if (count_ == kCapacity) flush();
            blocks_[count_++] = {row, column};
        }
    }

    double finish() {
        flush();
        return total_;
    }

private:
    static constexpr int32_t kCapacity = 256;

    void flush() {
        if (count_ > 0) total_ += sum_(blocks_.data(), count_, rows_, columns_, model_);
        count_ = 0;
    }

    BlockSum sum_;
    RoughnessModel model_;
    Columns rows_, columns_;
    std::array<Block, kCapacity> blocks_;  // only the first count_ entries are meaningful
    int32_t count_ = 0;
    double total_ = 0.0;
};

}  // namespace kelvara::roughness_rows
