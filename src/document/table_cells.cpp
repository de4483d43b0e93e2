#include "document/table_cells.h"

#include <cmath>

namespace kelvara {
std::optional<float> cell_as_float(const CellValue& value) {
    if (const auto* f = std::get_if<float>(&value)) return *f;
    if (const auto* i = std::get_if<int32_t>(&value)) return static_cast<float>(*i);
    if (const auto* typed = std::get_if<TypedRatio>(&value)) return typed->ratio;
    return std::nullopt;
}

std::optional<int32_t> cell_as_integer(const CellValue& value) {
    if (const auto* i = std::get_if<int32_t>(&value)) return *i;
    if (const auto* f = std::get_if<float>(&value)) {
        // 2^31 is exactly representable; anything at or beyond it does not fit.
        const float truncated = std::trunc(*f);
        if (std::isfinite(truncated) && truncated >= -2147483648.0f && truncated < 2147483648.0f)
            return static_cast<int32_t>(truncated);
    }
    return std::nullopt;
}

std::optional<double> cell_as_double(const CellValue& value) {
    if (const auto* d = std::get_if<double>(&value)) return *d;
    if (const auto* f = std::get_if<float>(&value)) return static_cast<double>(*f);
    if (const auto* i = std::get_if<int32_t>(&value)) return static_cast<double>(*i);
    return std::nullopt;
}

}  // namespace kelvara
