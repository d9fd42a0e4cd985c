#include "link/DayRange.h"
#include "link/WeighingRows.h"
#include "link/WeighingsCsv.h"
#include "link/WeighingsJson.h"

#include "core/Cp1251.h"
#include "core/TextRules.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QDate Dec7(2026, 12, 7);

QString DayFile(const QDate& date)
{
    return DateText(date) + QStringLiteral(".txt");
}

TEST(LinkRecords, CsvIsUtf8WithBomSemicolonsDecimalCommaAndCrLf)
{
    const QList<WeighingRow> rows{
        {1, Dec7, QTime(9, 5, 30), 12.4, 0},
        {2, Dec7, QTime(14, 12, 28), -2.5, 1.25},
        {10, QDate(2026, 1, 2), QTime(0, 0, 0), 1e15, 0.1 + 0.2},
    };
    const QByteArray expected =
        QByteArray("\xEF\xBB\xBF") +
        QStringLiteral("Номер;Дата;Время;Нетто, кг;Тара, кг\r\n"
                       "1;07.12.2026;09:05:30;12,4;0\r\n"
                       "2;07.12.2026;14:12:28;-2,5;1,25\r\n"
                       "10;02.01.2026;00:00:00;1E+15;0,3\r\n")
            .toUtf8();
    EXPECT_EQ(WeighingsCsv(rows), expected);
    EXPECT_EQ(WeighingsCsv({}), QByteArray("\xEF\xBB\xBF") + QStringLiteral("Номер;Дата;Время;Нетто, кг;Тара, кг\r\n").toUtf8());
}

TEST(LinkRecords, JsonIsCompactWithShortestNumbers)
{
    const QList<WeighingRow> day1{{1, Dec7, QTime(14, 12, 28), 10, 0}};
    const QList<WeighingRow> day2{{2, Dec7, QTime(9, 5, 3), 12.4, -0.35}};
    EXPECT_EQ(WeighingsJsonHead() + WeighingsJsonRows(day1, true) + WeighingsJsonRows({}, false) +
                  WeighingsJsonRows(day2, false) + WeighingsJsonTail(2),
              QByteArray(R"({"weighings":[)"
                         R"({"date":"2026-12-07","net":10,"number":1,"tare":0,"time":"14:12:28"},)"
                         R"({"date":"2026-12-07","net":12.4,"number":2,"tare":-0.35,"time":"09:05:03"}],"unrecognised":2})"));
    EXPECT_EQ(WeighingsJsonHead() + WeighingsJsonRows({}, true) + WeighingsJsonTail(0),
              QByteArray(R"({"weighings":[],"unrecognised":0})"));
}

TEST(LinkRecords, DayRangeDefaultsToTodayAndRefusesBadTextsReversedAndOverlongRanges)
{
    DayRange range = ParseDayRange(QString(), QString(), Dec7);
    EXPECT_EQ(range.from, Dec7);
    EXPECT_EQ(range.to, Dec7);
    EXPECT_TRUE(range.error.isEmpty());

    range = ParseDayRange(QStringLiteral("2026-12-01"), QString(), Dec7);
    EXPECT_EQ(range.from, QDate(2026, 12, 1));
    EXPECT_EQ(range.to, Dec7);
    EXPECT_TRUE(range.error.isEmpty());

    for (const char* bad : {"07.12.2026", "2026-1-07", "2026-02-30", "+026-12-07", "2026-12-07x", "2026-12-0٣"}) {
        range = ParseDayRange(QString::fromUtf8(bad), QString(), Dec7);
        EXPECT_TRUE(range.error.startsWith(QStringLiteral("Неверная дата")) && range.error.contains(QString::fromUtf8(bad)))
            << bad << " " << range.error.toStdString();
        EXPECT_FALSE(range.from.isValid()) << bad;
    }

    range = ParseDayRange(QStringLiteral("2026-12-08"), QStringLiteral("2026-12-07"), Dec7);
    EXPECT_EQ(range.error, QStringLiteral("Начальная дата 2026-12-08 позже конечной 2026-12-07."));

    // 366 days with both ends included are allowed, 367 are not.
    range = ParseDayRange(QStringLiteral("2023-12-07"), QStringLiteral("2024-12-06"), Dec7);
    EXPECT_TRUE(range.error.isEmpty()) << range.error.toStdString();
    range = ParseDayRange(QStringLiteral("2023-12-07"), QStringLiteral("2024-12-07"), Dec7);
    EXPECT_FALSE(range.error.isEmpty());
    EXPECT_FALSE(range.to.isValid());
}

TEST(LinkRecords, RowsOfARangeLeaveOutSumLinesAndCountOtherLines)
{
    TempDataDir dir;
    const QDate dec5(2026, 12, 5), dec6(2026, 12, 6);
    dir.write(DayFile(dec5), ToCp1251(QStringLiteral(" 1\t12-05-2026  08:00:01     12.4кг    0кг\r\n"
                                                     " 2\t12-05-2026  08:10:00    -2.5кг    1.25кг\r\n"
                                                     "Сумма( 2)=  9.9\r\n"
                                                     "\r\n"
                                                     "исправлено вручную\r\n")));
    // December 6th has no file; the 7th ends without a line end and has a lone LF.
    dir.write(DayFile(Dec7), ToCp1251(QStringLiteral(" 1\t12-07-2026  14:12:28     10кг    0кг\n"
                                                     " 2\t12-07-2026  14:13:00     7кг    0кг")));

    const WeighingRows rows = ReadWeighingRows(dir.path(), dec5, Dec7);
    ASSERT_EQ(rows.rows.size(), 4);
    EXPECT_EQ(rows.rows[0].number, 1);
    EXPECT_EQ(rows.rows[0].date, dec5);
    EXPECT_EQ(rows.rows[0].time, QTime(8, 0, 1));
    EXPECT_EQ(rows.rows[0].net, 12.4);
    EXPECT_EQ(rows.rows[1].net, -2.5);
    EXPECT_EQ(rows.rows[1].tare, 1.25);
    EXPECT_EQ(rows.rows[2].date, Dec7);
    EXPECT_EQ(rows.rows[3].net, 7);
    EXPECT_EQ(rows.unrecognised, 1);
    EXPECT_TRUE(rows.problems.isEmpty());

    // A day file that cannot be read is reported, and the other days still read.
    ASSERT_TRUE(QDir(dir.path()).mkdir(DayFile(dec6)));
    const WeighingRows withProblem = ReadWeighingRows(dir.path(), dec5, Dec7);
    EXPECT_EQ(withProblem.rows.size(), 4);
    ASSERT_EQ(withProblem.problems.size(), 1);
    EXPECT_TRUE(withProblem.problems[0].startsWith(QStringLiteral("Журнал за 06.12.2026 не прочитан")))
        << withProblem.problems[0].toStdString();
}

// The page is served from the resources; linking the library must bring it
// along without any initialisation call.
TEST(LinkRecords, DisplayPageIsInTheResourcesOfAProgramThatLinksTheLibrary)
{
    QFile page(QStringLiteral(":/link/display.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("new EventSource(\"/api/v1/events\" + keyQuery)")));
    EXPECT_TRUE(text.contains(QStringLiteral("Нет связи с весами")));
}

}  // namespace
