#include "journal/Report.h"

#include "journal/JournalLine.h"

#include <gtest/gtest.h>

namespace {

const QDate June15(2026, 6, 15);

WeighingRecord Record(const QString& date, const QString& time, double net, double tare)
{
    return {date, time, net, tare};
}

QString Blanks(int n)
{
    return QString(n, u' ');
}

// The four lines every report starts with.
QStringList Head(const QString& dateText)
{
    return {QString(), QString(), Blanks(20) + QStringLiteral("Отчет о работе весов за : ") + dateText, QString()};
}

TEST(ReportDocument, EmptyJournalGivesHeadingAndOneEmptyLine)
{
    EXPECT_EQ(ReportLines(QString(), June15), Head(QStringLiteral("06-15-2026")) + QStringList{QString()});
}

TEST(ReportDocument, HeadingTextStandsAfterTwentyBlankColumnsWithThePrintingDate)
{
    const QString heading = ReportLines(QString(), QDate(2027, 1, 2)).at(2);
    EXPECT_EQ(heading.indexOf(u'О'), 20);
    EXPECT_TRUE(heading.left(20).trimmed().isEmpty());
    EXPECT_TRUE(heading.endsWith(QStringLiteral(" : 01-02-2027")));
    EXPECT_EQ(heading, ReportHeading(QDate(2027, 1, 2)));
}

TEST(ReportDocument, JournalLinesFollowWithTabsAtEightColumnStops)
{
    const QString first = JournalLine(1, Record(QStringLiteral("06-15-2026"), QStringLiteral("09:05:30"), 12.5, 0));
    const QString tenth = JournalLine(10, Record(QStringLiteral("06-15-2026"), QStringLiteral("10:00:00"), 7, 0.5));
    const QStringList lines = ReportLines(first + LineEnd + tenth + LineEnd, June15);

    // " 1" and " 10" both end before column 8, so both dates start there.
    const QStringList journal{QStringLiteral(" 1") + Blanks(6) + QStringLiteral("06-15-2026  09:05:30     12.5кг    0кг"),
                              QStringLiteral(" 10") + Blanks(5) + QStringLiteral("06-15-2026  10:00:00     7кг    0.5кг"),
                              QString()};
    EXPECT_EQ(lines, Head(QStringLiteral("06-15-2026")) + journal);
    EXPECT_EQ(lines.at(4).indexOf(QStringLiteral("06-15")), 8);
    EXPECT_EQ(lines.at(5).indexOf(QStringLiteral("06-15")), 8);
}

TEST(ReportDocument, SumLinesStandWhereTheyAreInTheJournal)
{
    const WeighingRecord r = Record(QStringLiteral("06-15-2026"), QStringLiteral("09:05:30"), 10, 0);
    const QString journal = JournalLine(1, r) + LineEnd + JournalLine(2, r) + LineEnd + SumLine(2, 20) + LineEnd +
                            JournalLine(3, r) + LineEnd + SumLine(1, 10) + LineEnd;
    const QStringList lines = ReportLines(journal, June15);

    ASSERT_EQ(lines.size(), 4 + 5 + 1);
    EXPECT_EQ(lines.at(6), QStringLiteral("Сумма( 2)=  20"));
    EXPECT_EQ(lines.at(8), QStringLiteral("Сумма( 1)=  10"));
    EXPECT_TRUE(lines.at(7).startsWith(QStringLiteral(" 3") + Blanks(6) + QStringLiteral("06-15-2026")));
    EXPECT_TRUE(lines.last().isEmpty());
}

TEST(ReportDocument, JournalSpanningMidnightKeepsBothDaysUnderThePrintingDate)
{
    const QString before = JournalLine(1, Record(QStringLiteral("06-15-2026"), QStringLiteral("23:59:50"), 5, 0));
    const QString after = JournalLine(2, Record(QStringLiteral("06-16-2026"), QStringLiteral("00:00:10"), 6, 0));
    const QStringList lines = ReportLines(before + LineEnd + after + LineEnd, QDate(2026, 6, 16));

    EXPECT_TRUE(lines.at(2).endsWith(QStringLiteral("06-16-2026")));
    EXPECT_EQ(lines.mid(4), (QStringList{ExpandTabs(before), ExpandTabs(after), QString()}));
    EXPECT_TRUE(lines.at(4).contains(QStringLiteral("06-15-2026  23:59:50")));
}

TEST(ReportDocument, EveryLineEndOfTheTextStartsALine)
{
    // Without a final line end there is no empty line after the text.
    EXPECT_EQ(ReportLines(QStringLiteral("a\r\nb"), June15).mid(4), (QStringList{"a", "b"}));
    // An empty line inside the journal stays.
    EXPECT_EQ(ReportLines(QStringLiteral("a\r\n\r\nb\r\n"), June15).mid(4), (QStringList{"a", "", "b", ""}));
    // A lone LF or CR from a hand-edited day file is a line end too, not a glyph.
    EXPECT_EQ(ReportLines(QStringLiteral("a\nb\rc"), June15).mid(4), (QStringList{"a", "b", "c"}));
}

TEST(ExpandTabs, AdvancesToTheNextMultipleOfEightColumns)
{
    EXPECT_EQ(ExpandTabs(QStringLiteral("\tx")), Blanks(8) + u'x');
    EXPECT_EQ(ExpandTabs(QStringLiteral("1234567\tx")), QStringLiteral("1234567 x"));
    EXPECT_EQ(ExpandTabs(QStringLiteral("12345678\tx")), QStringLiteral("12345678") + Blanks(8) + u'x');
    // The second TAB counts from where the first one left off.
    EXPECT_EQ(ExpandTabs(QStringLiteral("ab\tcd\tx")), QStringLiteral("ab") + Blanks(6) + QStringLiteral("cd") + Blanks(6) + u'x');
    EXPECT_EQ(ExpandTabs(QStringLiteral("\t\t")), Blanks(16));
    EXPECT_EQ(ExpandTabs(QStringLiteral("нет табуляций")), QStringLiteral("нет табуляций"));
}

TEST(WrapLines, LinesWiderThanThePageContinueOnTheNextLines)
{
    const QString line = QStringLiteral("0123456789abcdefghijкг");  // 22 columns
    EXPECT_EQ(WrapLines({line}, 10), (QStringList{"0123456789", "abcdefghij", QStringLiteral("кг")}));
    EXPECT_EQ(WrapLines({line}, 11), (QStringList{"0123456789a", QStringLiteral("bcdefghijкг")}));
    // A line exactly as wide as the page and empty lines stay as they are.
    EXPECT_EQ(WrapLines({line, QString(), "x"}, 22), (QStringList{line, QString(), "x"}));
    EXPECT_EQ(WrapLines({line}, 21), (QStringList{line.left(21), QStringLiteral("г")}));
}

TEST(WrapLines, NothingIsLostAndOrderIsKept)
{
    const QStringList lines = ReportLines(
        QStringLiteral("%1\r\nshort\r\n").arg(QString(250, u'ж')) + SumLine(3, 30) + LineEnd, June15);
    for (const int columns : {1, 7, 40, 80, 300}) {
        const QStringList wrapped = WrapLines(lines, columns);
        for (const QString& piece : wrapped)
            EXPECT_LE(piece.size(), columns);
        EXPECT_EQ(wrapped.join(QString()), lines.join(QString())) << columns;
    }
    // Nonsense widths (a font wider than the paper) still print a column.
    EXPECT_EQ(WrapLines({"abc"}, 0), (QStringList{"a", "b", "c"}));
}

TEST(SplitIntoPages, TwoHundredLinesFillFullPagesAndAShortLastOne)
{
    QStringList lines;
    for (int i = 1; i <= 200; ++i)
        lines.append(QString::number(i));

    const QList<QStringList> pages = SplitIntoPages(lines, 60);
    ASSERT_EQ(pages.size(), 4);
    EXPECT_EQ(pages.at(0).size(), 60);
    EXPECT_EQ(pages.at(2).size(), 60);
    EXPECT_EQ(pages.at(3).size(), 20);
    EXPECT_EQ(pages.at(1).first(), QStringLiteral("61"));
    EXPECT_EQ(pages.at(3).last(), QStringLiteral("200"));

    QStringList rejoined;
    for (const QStringList& page : pages)
        rejoined += page;
    EXPECT_EQ(rejoined, lines);
}

TEST(SplitIntoPages, ExactFitGivesNoEmptyPage)
{
    QStringList lines(100, QStringLiteral("x"));
    EXPECT_EQ(SplitIntoPages(lines, 50).size(), 2);
    EXPECT_EQ(SplitIntoPages(lines, 100).size(), 1);
    EXPECT_EQ(SplitIntoPages(lines, 101).size(), 1);
    EXPECT_EQ(SplitIntoPages(lines, 0).size(), 100);
    EXPECT_TRUE(SplitIntoPages({}, 50).isEmpty());
}

}  // namespace
