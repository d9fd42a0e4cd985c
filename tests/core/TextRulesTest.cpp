#include "core/TextRules.h"

#include <gtest/gtest.h>

TEST(TextRules, DateAndTimeTextsIgnoreTheLocale)
{
    EXPECT_EQ(DateText(QDate(2026, 6, 15)), QStringLiteral("06-15-2026"));
    EXPECT_EQ(TimeText(QTime(9, 5, 30)), QStringLiteral("09:05:30"));
}
