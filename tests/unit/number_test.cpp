// Reading the number a text box holds, and the 16-bit values sent to the box.

#include <gtest/gtest.h>

#include <cmath>

#include "ui/number.h"

TEST(Numbers, HugeTextsStayNumbersAndSixteenBitValuesReportOutOfRangeInsteadOfWrapping) {
    const std::string huge(10000, '9');
    EXPECT_TRUE(std::isinf(orv::read_number(huge).value_or(0)));
    EXPECT_EQ(orv::read_number("0." + std::string(400, '0') + "1"), 0.0);
    // 32767.5 rounds to 32768, -32768.5 to its even neighbour.
    const std::pair<std::string, std::optional<std::int16_t>> cases[] = {
        {huge, {}},           {"-" + huge, {}}, {"32767", 32767},
        {"-32768", -32768},   {"32767.5", {}},  {"32767.4", 32767},
        {"-32768.5", -32768}, {"40000", {}},    {"letters", {}}};
    for (const auto& [text, value] : cases) EXPECT_EQ(orv::text_to_int16(text), value) << text;
}
