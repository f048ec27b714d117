#include "platform/IntegerText.h"

#include <QString>

#include <gtest/gtest.h>

#include <optional>

namespace {

struct IntegerCase
{
    const char* name;
    QString text;
    std::optional<int32_t> value;  // nothing: not an integer
};

class IntegerTextTest : public ::testing::TestWithParam<IntegerCase>
{
};

TEST_P(IntegerTextTest, ReadsASignedDecimalOrNothing)
{
    const IntegerCase& c = GetParam();
    int32_t value = 12345;
    const bool ok = TryTextToInt(c.text, value);
    ASSERT_EQ(ok, c.value.has_value()) << c.text.toStdString();
    // A text that is not an integer leaves the value as it was.
    EXPECT_EQ(value, c.value.value_or(12345)) << c.text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, IntegerTextTest,
    ::testing::Values(
        IntegerCase{"Zero", "0", 0}, IntegerCase{"Plain", "413", 413}, IntegerCase{"Negative", "-60", -60},
        IntegerCase{"PlusSign", "+7", 7}, IntegerCase{"LeadingZeros", "000000000000000000042", 42},
        IntegerCase{"NegativeZero", "-0", 0}, IntegerCase{"Largest", "2147483647", INT32_MAX},
        IntegerCase{"Smallest", "-2147483648", INT32_MIN}, IntegerCase{"OneAboveLargest", "2147483648", std::nullopt},
        IntegerCase{"OneBelowSmallest", "-2147483649", std::nullopt},
        IntegerCase{"FarTooLong", "99999999999999999999999", std::nullopt}, IntegerCase{"Empty", "", std::nullopt},
        IntegerCase{"SignAlone", "-", std::nullopt}, IntegerCase{"TwoSigns", "+-5", std::nullopt},
        IntegerCase{"LeadingBlank", " 5", std::nullopt}, IntegerCase{"TrailingBlank", "5 ", std::nullopt},
        IntegerCase{"TrailingCarriageReturn", "5\r", std::nullopt}, IntegerCase{"Hex", "0x1A", std::nullopt},
        IntegerCase{"Fraction", "1.5", std::nullopt}, IntegerCase{"Exponent", "1e3", std::nullopt},
        IntegerCase{"ArabicIndicDigit", QString::fromUtf8("\xD9\xA3"), std::nullopt},
        IntegerCase{"FullWidthDigit", QString::fromUtf8("\xEF\xBC\x95"), std::nullopt}),
    [](const ::testing::TestParamInfo<IntegerCase>& info) { return std::string(info.param.name); });

}  // namespace
