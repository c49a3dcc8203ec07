// Reading the number a text box holds, and the 16-bit values sent to the box.

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "ui/number.h"

TEST(Numbers, HugeTextsStayNumbersAndSixteenBitValuesReportOutOfRangeInsteadOfWrapping) {
    const std::string huge(10000, '9');
    const auto big = orv::read_number(huge);
    ASSERT_TRUE(big.has_value());
    EXPECT_TRUE(std::isinf(*big));
    EXPECT_EQ(orv::read_number("0." + std::string(400, '0') + "1"), 0.0);
    using Int16 = std::optional<std::int16_t>;
    // 32767.5 rounds to 32768, -32768.5 to its even neighbour.
    for (const auto& [text, value] : {std::pair{huge, Int16{}},
                                      {"-" + huge, Int16{}},
                                      {"32767", Int16{32767}},
                                      {"-32768", Int16{-32768}},
                                      {"32767.5", Int16{}},
                                      {"32767.4", Int16{32767}},
                                      {"-32768.5", Int16{-32768}},
                                      {"40000", Int16{}},
                                      {"letters", Int16{}}})
        EXPECT_EQ(orv::text_to_int16(text), value) << text;
}
