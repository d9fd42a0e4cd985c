#include "core/LineSettings.h"

#include <gtest/gtest.h>

TEST(LineSettings, DefaultsAndAcceptedTexts)
{
    EXPECT_EQ(LineSettingsText(LineSettings{}), QStringLiteral("9600,n,8,1"));

    struct Case {
        const char* text;
        const char* reported;
        int baud;
        LineSettings::Parity parity;
        int dataBits;
        LineSettings::StopBits stopBits;
    };
    using P = LineSettings::Parity;
    using S = LineSettings::StopBits;
    const Case cases[] = {
        {"9600,n,8,1", "9600,n,8,1", 9600, P::None, 8, S::One},
        // The port takes the letter in either case and reports it in lower case.
        {"19200,E,7,2", "19200,e,7,2", 19200, P::Even, 7, S::Two},
        {"1200,o,5,1.5", "1200,o,5,1.5", 1200, P::Odd, 5, S::OneAndHalf},
        {"38400,s,6,1", "38400,s,6,1", 38400, P::Space, 6, S::One},
        {"2400,M,8,2", "2400,m,8,2", 2400, P::Mark, 8, S::Two},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        const auto parsed = ParseLineSettings(QString::fromLatin1(k.text));
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->baudRate, k.baud);
        EXPECT_EQ(parsed->parity, k.parity);
        EXPECT_EQ(parsed->dataBits, k.dataBits);
        EXPECT_EQ(parsed->stopBits, k.stopBits);
        const QString reported = LineSettingsText(*parsed);
        EXPECT_EQ(reported, QString::fromLatin1(k.reported));
        // What is reported is accepted again and means the same.
        const auto again = ParseLineSettings(reported);
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(LineSettingsText(*again), reported);
    }
}

TEST(LineSettings, RefusedTexts)
{
    const char* refused[] = {
        "",
        "9600",
        "9600,n,8",
        "9600,n,8,1,",
        "9600,n,8,1,1",
        ",n,8,1",
        "abc,n,8,1",
        "96OO,n,8,1",
        "9600,x,8,1",
        "9600,,8,1",
        "9600,nn,8,1",
        "9600,n,4,1",
        "9600,n,9,1",
        "9600,n,8,3",
        "9600,n,8,0",
        "9600,n,8,",
        "9600,n,,1",
        "9600;n;8;1",
        "0,n,8,1",
        "-9600,n,8,1",
        "9600.5,n,8,1",
        " 9600,n,8,1",
        "9600 ,n,8,1",
        "+9600,n,8,1",
        "9600,n, 8,1",
        "9600,n,8, 1",
        "9600,n,+8,1",
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseLineSettings(QString::fromLatin1(text)).has_value());
    }
}
