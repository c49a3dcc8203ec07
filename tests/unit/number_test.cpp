#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ui/number.h"

using orv::read_number;

TEST(ReadNumber, HugeTextsStayNumbersWithoutOverflowingAnything) {
    const std::string huge(10000, '9');
    const auto big = read_number(huge);
    ASSERT_TRUE(big.has_value());
    EXPECT_TRUE(std::isinf(*big));
    EXPECT_EQ(read_number("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_FALSE(orv::text_to_int16(huge).has_value());
    EXPECT_FALSE(orv::text_to_int16("-" + huge).has_value());
}

TEST(ToInt16, ReportsOutOfRangeInsteadOfWrapping) {
    EXPECT_EQ(orv::text_to_int16("32767"), 32767);
    EXPECT_EQ(orv::text_to_int16("-32768"), -32768);
    EXPECT_EQ(orv::text_to_int16("32767.5"), std::nullopt);  // rounds to 32768
    EXPECT_EQ(orv::text_to_int16("32767.4"), 32767);
    EXPECT_EQ(orv::text_to_int16("-32768.5"), -32768);      // even neighbour
    EXPECT_EQ(orv::text_to_int16("40000"), std::nullopt);
    EXPECT_EQ(orv::text_to_int16("letters"), std::nullopt);
}
