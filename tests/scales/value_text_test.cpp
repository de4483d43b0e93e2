// Values as a person types them and as fields and cells show them: ratios as decimals,
// fractions and cents, the shortest text that reads back, and cents at the precision a ratio
// carries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <random>

#include "scales/decimal_text.h"
#include "scales/ratio_list.h"
#include "scales/ratio_text.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

TEST(RatioText, DecimalsFractionsAndCents) {
    const std::pair<const char*, float> ratios[] = {{"1.25", 1.25f},
                                                    {" 4 / 3 ", 4.0f / 3.0f},
                                                    {"386.31c", ratio_of_cents(386.31f)},
                                                    {"1200C", 2.0f}};
    for (const auto& [text, ratio] : ratios) {
        const Result<float> read = parse_ratio_text(text);
        ASSERT_TRUE(read) << text;
        EXPECT_EQ(*read, ratio);
    }
    const std::pair<const char*, const char*> refusals[] = {
        {"4/0", "\u20184/0\u2019: the denominator is 0."},
        {"4/3/2",
         "\u20184/3/2\u2019 is not a ratio; write a decimal (1.25), a fraction (5/4) or "
         "cents (386.31c)."},
        {"", "Type a ratio: write a decimal (1.25), a fraction (5/4) or cents (386.31c)."},
    };
    for (const auto& [text, message] : refusals) {
        const Result<float> refused = parse_ratio_text(text);
        ASSERT_FALSE(refused) << text;
        EXPECT_EQ(refused.error().description, message);
    }
}

TEST(NumberText, EveryFloatShowsAsTheShortestTextThatReadsBackToItsBits) {
    EXPECT_EQ(number_text(3.43125033f), "3.4312503");
    std::mt19937 random(20240611);
    for (int i = 0; i < 20000; ++i) {
        const auto bits = static_cast<uint32_t>(random());
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        const std::optional<float> back = parse_number_text(number_text(value));
        ASSERT_TRUE(back && std::memcmp(&*back, &value, sizeof value) == 0) << number_text(value);
    }
}

TEST(CentsText, EqualStepsReadAsWholeCents) {
    const std::vector<float> twelve = generate_scale_values(12, 2.0).value();
    for (size_t step = 0; step < twelve.size(); ++step)
        EXPECT_EQ(cents_text(cents_of_ratio(twelve[step])), std::to_string(step * 100));
    EXPECT_EQ(cents_text(cents_of_ratio(1.25f)), "386.314");
}

}  // namespace
}  // namespace kelvara
