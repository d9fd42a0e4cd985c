#include "journal/JournalLine.h"

#include "core/Cp1251.h"

#include <gtest/gtest.h>

namespace {

WeighingRecord Record(double net, double tare)
{
    return {QStringLiteral("06-15-2026"), QStringLiteral("09:05:30"), net, tare};
}

TEST(JournalLine, WeighingLineIsByteExact)
{
    // Third of the day, 12.5 kg, no tare: five blanks before the net (four and
    // the number's own), four before the tare.
    EXPECT_EQ(ToCp1251(JournalLine(3, Record(12.5, 0))),
              QByteArray(" 3\t06-15-2026  09:05:30     12.5\xEA\xE3    0\xEA\xE3"));
    // A negative net carries its sign where the blank would be.
    EXPECT_EQ(JournalLine(12, Record(-2.5, 0.6)), QStringLiteral(" 12\t06-15-2026  09:05:30    -2.5кг    0.6кг"));
    EXPECT_EQ(JournalLine(1000, Record(0, 0)), QStringLiteral(" 1000\t06-15-2026  09:05:30     0кг    0кг"));
}

TEST(JournalLine, SumLineKeepsItsBlanks)
{
    EXPECT_EQ(SumLine(3, 30), QStringLiteral("Сумма( 3)=  30"));
    EXPECT_EQ(SumLine(0, 0), QStringLiteral("Сумма( 0)=  0"));
    EXPECT_EQ(SumLine(2, 0.1 + 0.2), QStringLiteral("Сумма( 2)=  0.3"));
    EXPECT_EQ(SumLine(1, -1.5), QStringLiteral("Сумма( 1)= -1.5"));
    EXPECT_EQ(ToCp1251(SumLine(3, 30)), QByteArray("\xD1\xF3\xEC\xEC\xE0( 3)=  30"));
}

}  // namespace
