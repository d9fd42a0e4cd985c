#include "scale-sim/QueryScanner.h"
#include "scale-sim/WeightText.h"

#include <gtest/gtest.h>

#include <limits>

TEST(ScaleSimFrame, ExactBytes)
{
    EXPECT_EQ(VeltarFrame(12.5, true), QByteArray("\x02  12.50ST"));
    EXPECT_EQ(VeltarFrame(-0.4, false), QByteArray("\x02  -0.40US"));
    EXPECT_EQ(VeltarFrame(0, true), QByteArray("\x02   0.00ST"));
    EXPECT_EQ(VeltarFrame(7.3, false), QByteArray("\x02   7.30US"));
    EXPECT_EQ(VeltarFrame(1234.567, true), QByteArray("\x02" "1234.57ST"));
    EXPECT_EQ(VeltarFrame(-12.345, true).size(), 10);
}

TEST(ScaleSimFrame, RoundsToCentsWithoutNegativeZero)
{
    EXPECT_EQ(VeltarWeightField(9.9999), QByteArray("  10.00"));
    EXPECT_EQ(VeltarWeightField(0.004), QByteArray("   0.00"));
    EXPECT_EQ(VeltarWeightField(-0.004), QByteArray("   0.00"));
    EXPECT_EQ(VeltarWeightField(-0.006), QByteArray("  -0.01"));
    EXPECT_EQ(VeltarWeightField(0.1), QByteArray("   0.10"));
}

TEST(ScaleSimFrame, ValuesTooLargeAreClampedToSevenCharacters)
{
    EXPECT_EQ(VeltarWeightField(9999.99), QByteArray("9999.99"));
    EXPECT_EQ(VeltarWeightField(10000), QByteArray("9999.99"));
    EXPECT_EQ(VeltarWeightField(1e12), QByteArray("9999.99"));
    EXPECT_EQ(VeltarWeightField(std::numeric_limits<double>::infinity()), QByteArray("9999.99"));
    EXPECT_EQ(VeltarWeightField(-999.99), QByteArray("-999.99"));
    EXPECT_EQ(VeltarWeightField(-1000), QByteArray("-999.99"));
    EXPECT_EQ(VeltarWeightField(-1e12), QByteArray("-999.99"));
    EXPECT_EQ(VeltarWeightField(std::numeric_limits<double>::quiet_NaN()), QByteArray("   0.00"));
}

TEST(ScaleSimAed, CountsAndAnswerField)
{
    EXPECT_EQ(AedCounts(9.99990732), 19892);
    EXPECT_EQ(AedAnswer(9.99990732), QByteArray("   19892\r\n"));
    EXPECT_EQ(AedAnswer(9.9999), QByteArray("   19892\r\n"));
    EXPECT_EQ(AedAnswer(0), QByteArray("       0\r\n"));
    EXPECT_EQ(AedAnswer(-0.100542), QByteArray("    -200\r\n"));
    EXPECT_EQ(AedCounts(1.0003929), 1990);
    // 0.00050271 kg per count: 12.5 kg is 24865.23 counts.
    EXPECT_EQ(AedCounts(12.5), 24865);
}

TEST(ScaleSimAed, CountsTooLargeAreClampedToEightCharacters)
{
    EXPECT_EQ(AedAnswer(1e6), QByteArray("99999999\r\n"));
    EXPECT_EQ(AedAnswer(-1e6), QByteArray("-9999999\r\n"));
    EXPECT_EQ(AedAnswer(std::numeric_limits<double>::infinity()), QByteArray("99999999\r\n"));
}

TEST(ScaleSimQuery, OneQueryInOneRead)
{
    QueryScanner scanner;
    EXPECT_EQ(scanner.feed("msv?;"), 1);
    EXPECT_EQ(scanner.feed(""), 0);
}

TEST(ScaleSimQuery, QuerySplitAcrossReadsIsFoundOnce)
{
    for (int cut = 1; cut < 5; ++cut) {
        SCOPED_TRACE(cut);
        QueryScanner scanner;
        const QByteArray query("msv?;");
        EXPECT_EQ(scanner.feed(query.left(cut)), 0);
        EXPECT_EQ(scanner.feed(query.mid(cut)), 1);
        EXPECT_EQ(scanner.feed("xx"), 0);
    }
    QueryScanner byteByByte;
    int found = 0;
    for (const char c : QByteArray("zmsv?;q"))
        found += byteByByte.feed(QByteArrayView(&c, 1));
    EXPECT_EQ(found, 1);
}

TEST(ScaleSimQuery, TwoQueriesInOneReadAreBothFound)
{
    QueryScanner scanner;
    EXPECT_EQ(scanner.feed("msv?;msv?;"), 2);
    EXPECT_EQ(scanner.feed("\r\nmsv?;\x02xxmsv?;\n"), 2);
}

TEST(ScaleSimQuery, NearMissesAreNotQueries)
{
    QueryScanner scanner;
    EXPECT_EQ(scanner.feed("msv?"), 0);
    EXPECT_EQ(scanner.feed("x;"), 0);
    EXPECT_EQ(scanner.feed("MSV?;msv;msv?:ms?;"), 0);
    // A restart inside a broken query still counts the real one.
    EXPECT_EQ(scanner.feed("msmsv?;mmsv?;"), 2);
    EXPECT_EQ(scanner.feed("msv"), 0);
    EXPECT_EQ(scanner.feed("msv?;"), 1);
}
