#include "core/TextRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace {

// Sets the process-wide default locale for one test and puts the old one back.
class DefaultLocale {
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(saved_); }
    DefaultLocale(const DefaultLocale&) = delete;
    DefaultLocale& operator=(const DefaultLocale&) = delete;

private:
    QLocale saved_;
};

}  // namespace

TEST(TextRules, DateAndTimeTextsIgnoreTheLocale)
{
    for (const auto language : {QLocale::C, QLocale::Russian, QLocale::German, QLocale::English}) {
        const DefaultLocale guard{QLocale(language)};
        SCOPED_TRACE(QLocale().name().toStdString());
        EXPECT_EQ(DateText(QDate(2026, 6, 15)), QStringLiteral("06-15-2026"));
        EXPECT_EQ(DateText(QDate(2026, 12, 31)), QStringLiteral("12-31-2026"));
        EXPECT_EQ(DateText(QDate(2027, 1, 2)), QStringLiteral("01-02-2027"));
        EXPECT_EQ(TimeText(QTime(9, 5, 30)), QStringLiteral("09:05:30"));
        EXPECT_EQ(TimeText(QTime(0, 0, 0)), QStringLiteral("00:00:00"));
        EXPECT_EQ(TimeText(QTime(23, 59, 59)), QStringLiteral("23:59:59"));
        EXPECT_EQ(TimeText(QTime(13, 7, 8, 999)), QStringLiteral("13:07:08"));  // 24-hour clock, no ms
    }
}

TEST(TextRules, NumberTextsOfTheJournalExamples)
{
    struct Case {
        double value;
        const char16_t* journal;
        const char16_t* display;
    };
    const Case cases[] = {
        {3, u" 3", u"3"},
        {12.5, u" 12.5", u"12.5"},
        {0, u" 0", u"0"},
        {-2.5, u"-2.5", u"-2.5"},
        {-0.0, u" 0", u"0"},
        {0.1 + 0.2, u" 0.3", u"0.3"},
        {30, u" 30", u"30"},
        {100000, u" 100000", u"100000"},
        {-7, u"-7", u"-7"},
    };
    const QLocale c = QLocale::c();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.value);
        EXPECT_EQ(JournalNumberText(k.value), QString::fromUtf16(k.journal));
        EXPECT_EQ(DisplayNumberText(k.value, c), QString::fromUtf16(k.display));
    }
    // Neither text lets a minus sign through for negative zero.
    EXPECT_FALSE(DisplayNumberText(-0.0, c).contains(u'-'));
    EXPECT_FALSE(JournalNumberText(-0.0).contains(u'-'));
}

TEST(TextRules, FifteenSignificantDigits)
{
    const QLocale c = QLocale::c();
    EXPECT_EQ(DisplayNumberText(1.0 / 3.0, c), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(DisplayNumberText(2.0 / 3.0, c), QStringLiteral("0.666666666666667"));
    EXPECT_EQ(DisplayNumberText(123456789.123456789, c), QStringLiteral("123456789.123457"));
    EXPECT_EQ(DisplayNumberText(123456789012345.0, c), QStringLiteral("123456789012345"));
    EXPECT_EQ(JournalNumberText(10.0 / 3.0), QStringLiteral(" 3.33333333333333"));
    EXPECT_EQ(JournalNumberText(-10.0 / 3.0), QStringLiteral("-3.33333333333333"));
    // A running sum of tenths keeps no binary noise.
    double sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += 0.1;
    ASSERT_NE(sum, 1.0);
    EXPECT_EQ(DisplayNumberText(sum, c), QStringLiteral("1"));
    EXPECT_EQ(JournalNumberText(sum), QStringLiteral(" 1"));
    EXPECT_EQ(JournalNumberText(10 + 12.5 + 7.5), QStringLiteral(" 30"));
}

TEST(TextRules, CommaLocaleChangesOnlyTheDisplayText)
{
    const QLocale russian(QLocale::Russian);
    EXPECT_EQ(DisplayNumberText(12.5, russian), QStringLiteral("12,5"));
    EXPECT_EQ(DisplayNumberText(-2.5, russian), QStringLiteral("-2,5"));
    EXPECT_EQ(DisplayNumberText(12345.5, russian), QStringLiteral("12345,5"));  // no group separator
    EXPECT_EQ(DisplayNumberText(0.1 + 0.2, russian), QStringLiteral("0,3"));
    EXPECT_EQ(DisplayNumberText(3, russian), QStringLiteral("3"));

    // With the comma locale as the default, the display follows it and the
    // journal keeps its period.
    const DefaultLocale guard{QLocale(QLocale::German)};
    EXPECT_EQ(DisplayNumberText(12.5), QStringLiteral("12,5"));
    EXPECT_EQ(DisplayNumberText(123456.25), QStringLiteral("123456,25"));
    EXPECT_EQ(JournalNumberText(12.5), QStringLiteral(" 12.5"));
    EXPECT_EQ(JournalNumberText(-2.5), QStringLiteral("-2.5"));
    EXPECT_EQ(JournalNumberText(0.1 + 0.2), QStringLiteral(" 0.3"));
}

TEST(TextRules, TextToInt16)
{
    struct Case {
        const char16_t* text;
        std::optional<int> expected;
    };
    const std::optional<int> fails;
    const std::vector<Case> cases = {
        {u" 350 ", 350},
        {u"350", 350},
        {u"+350", 350},
        {u"2.5", 2},  // halves go to the even neighbour
        {u"3.5", 4},
        {u"-2.5", -2},
        {u"-3.5", -4},
        {u"2.51", 3},
        {u"0.5", 0},
        {u".5", 0},
        {u"1.5", 2},
        {u"1e3", 1000},
        {u"1.5E1", 15},
        {u"25e-1", 2},
        {u"1E+2", 100},
        {u"32767", 32767},
        {u"32768", fails},
        {u"-32768", -32768},
        {u"-32769", fails},
        {u"-32768.5", -32768},
        {u"32767.5", fails},
        {u"32767.4", 32767},
        {u"1e-400", 0},
        {u"-1e-400", 0},
        {u"1e400", fails},
        {u"", fails},
        {u"   ", fails},
        {u"abc", fails},
        {u"12abc", fails},
        {u"1e", fails},
        {u"1e+", fails},
        {u"0x10", fails},
        {u"inf", fails},
        {u"-inf", fails},
        {u"nan", fails},
        {u"1 000", fails},
        {u"1,5", fails},  // not the separator of this locale
        {u".", fails},
        {u"-", fails},
        {u"--1", fails},
        {u"\u0661", fails},  // an Arabic-Indic digit
    };
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English)}) {
        for (const Case& k : cases) {
            const QString text = QString::fromUtf16(k.text);
            SCOPED_TRACE(QStringLiteral("\"%1\" in %2").arg(text, locale.name()).toStdString());
            const auto got = TextToInt16(text, locale);
            ASSERT_EQ(got.has_value(), k.expected.has_value());
            if (k.expected) {
                EXPECT_EQ(*got, *k.expected);
            }
        }
    }

    // A number far too large to be a double at all.
    const QString huge = QString(400, u'9');
    EXPECT_FALSE(TextToInt16(huge, QLocale::c()).has_value());
    EXPECT_FALSE(TextToInt16(u'-' + huge, QLocale::c()).has_value());
    // Many digits after the point, or leading zeros, are still an ordinary number.
    EXPECT_EQ(TextToInt16(QStringLiteral("0.") + QString(400, u'0') + u'1', QLocale::c()), std::optional<std::int16_t>(0));
    EXPECT_EQ(TextToInt16(QString(400, u'0') + QStringLiteral("42"), QLocale::c()), std::optional<std::int16_t>(42));
}

TEST(TextRules, TextToInt16FollowsTheLocaleSeparator)
{
    const QLocale russian(QLocale::Russian);
    EXPECT_EQ(TextToInt16(QStringLiteral("2,5"), russian), std::optional<std::int16_t>(2));
    EXPECT_EQ(TextToInt16(QStringLiteral("3,5"), russian), std::optional<std::int16_t>(4));
    EXPECT_EQ(TextToInt16(QStringLiteral(" 350 "), russian), std::optional<std::int16_t>(350));
    EXPECT_FALSE(TextToInt16(QStringLiteral("2.5"), russian).has_value());

    // The default argument is the default locale.
    const DefaultLocale guard{russian};
    EXPECT_EQ(TextToInt16(QStringLiteral("2,5")), std::optional<std::int16_t>(2));
    EXPECT_FALSE(TextToInt16(QStringLiteral("2.5")).has_value());
}
