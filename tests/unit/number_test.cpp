#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ui/number.h"

using orv::read_number;

TEST(ReadNumber, AcceptsBlanksSignDigitsAndOneDecimalPoint) {
    EXPECT_EQ(read_number("12"), 12.0);
    EXPECT_EQ(read_number("  -3.5\t"), -3.5);
    EXPECT_EQ(read_number("+.5"), 0.5);
    EXPECT_EQ(read_number("7."), 7.0);
    EXPECT_EQ(read_number("0120"), 120.0);
}

TEST(ReadNumber, RefusesEverythingElse) {
    for (const char* text : {"", " ", "#", "abcd", "1e3", "1,000", "1 000", "1,5", "..5", "1.2.3",
                             "+", "-", ".", "- 5", "0x10", "12a", "\xc2\xbd", "inf", "nan"})
        EXPECT_FALSE(read_number(text).has_value()) << "'" << text << "'";
}

TEST(ReadNumber, HugeTextsStayNumbersWithoutOverflowingAnything) {
    const std::string huge(10000, '9');
    const auto big = read_number(huge);
    ASSERT_TRUE(big.has_value());
    EXPECT_TRUE(std::isinf(*big));
    EXPECT_EQ(read_number("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_FALSE(orv::text_to_int16(huge).has_value());
    EXPECT_FALSE(orv::text_to_int16("-" + huge).has_value());
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(orv::round_half_even(0.5), 0.0);
    EXPECT_EQ(orv::round_half_even(1.5), 2.0);
    EXPECT_EQ(orv::round_half_even(2.5), 2.0);
    EXPECT_EQ(orv::round_half_even(300.5), 300.0);
    EXPECT_EQ(orv::round_half_even(511.5), 512.0);
    EXPECT_EQ(orv::round_half_even(-2.5), -2.0);
    EXPECT_EQ(orv::round_half_even(-3.5), -4.0);
    EXPECT_EQ(orv::round_half_even(12.7), 13.0);
    EXPECT_EQ(orv::round_half_even(127.6), 128.0);
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
