#include "scale/ParseLeadingNumber.h"

#include <QString>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ParseLeadingNumber, ReadsTheWeightFieldsOfTheScale)
{
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"  12.34", 12.34},
        {"-0012.5", -12.5},
        {"12,5   ", 12},      // a comma ends the number
        {" 1 2.5", 12.5},     // blanks inside are skipped
        {"       ", 0},       // no digit at all
        {"", 0},
        {"+7", 7},
        {"\t3\n.5", 3.5},     // tabs and line feeds are skipped too
        {"1.2.3", 1.2},       // a second period ends it
        {"12E2", 1200},
        {"12e-1", 1.2},
        {"12E", 12},          // an exponent without digits adds nothing
        {"1 e 2", 100},
        {".5", 0.5},
        {"5.", 5},
        {"-", 0},
        {"abc", 0},
        {"12kg", 12},
        {"\r12", 0},          // a carriage return is not skipped
        {"1e-999", 0},        // too small for a double is zero
        {"&H10", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto value = ParseLeadingNumber(QString::fromLatin1(c.text));
        ASSERT_TRUE(value.has_value());
        EXPECT_DOUBLE_EQ(*value, c.value);
    }
}

TEST(ParseLeadingNumber, ValueBeyondADoubleIsNoReading)
{
    EXPECT_FALSE(ParseLeadingNumber(u"1e999").has_value());
    EXPECT_FALSE(ParseLeadingNumber(QString(400, u'9')).has_value());
    EXPECT_FALSE(ParseLeadingNumber(u"-1E99999999999999999999").has_value());
    // Long but within range.
    const auto big = ParseLeadingNumber(QString(300, u'9'));
    ASSERT_TRUE(big.has_value());
    EXPECT_TRUE(std::isfinite(*big));
}

}  // namespace
