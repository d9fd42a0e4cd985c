#include "core/Cp1251.h"
#include "journal/RecordWeighing.h"
#include "journal/Summation.h"
#include "scale/PollingCycle.h"
#include "scale/ScaleReaders.h"
#include "support/TerminalFixture.h"
#include "weighing/TareSwitch.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <random>

// Hours of polling in a few seconds: random frames and answers, loads coming
// and going, the operator's clicks, midnight passing; then the files must
// hold exactly what the screen shows, every line whole and numbered in order.

namespace {

long ResidentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : -1;  // pages of 4 KiB
}

class Soak : public TerminalFixture {
protected:
    std::mt19937 random{20261207};

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    QString noise()
    {
        QByteArray bytes;
        const int n = below(40);
        for (int i = 0; i < n; ++i)
            bytes.append(static_cast<char>(below(256)));
        return FromCp1251(bytes);
    }

    // What arrives in one polling period from a scale holding `kg`.
    QString arriving(double kg)
    {
        // Garbage is rare, as on a real line: each bad read is a weight of 0
        // that releases the detector, so the load is weighed again.
        const int kind = below(400);
        if (t.state.ScaleKind == ScaleKindAed) {
            if (kind < 3)
                return QString();  // no answer
            if (kind < 5)
                return noise();
            return QString::number(std::llround(kg / AedCountsToKg)).rightJustified(8, u' ') + QStringLiteral("\r\n");
        }
        const QString frame = QChar(Stx) + QString::number(kg, 'f', 2).rightJustified(7, u' ') + QStringLiteral("ST");
        if (kind < 3)
            return noise();
        if (kind < 5)
            return frame.left(below(10));  // cut off
        QString text = below(4) == 0 ? noise().remove(QChar(Stx)) : QString();
        for (int i = 0; i < 3; ++i)
            text += frame;
        return text;
    }
};

TEST_F(Soak, TwoHundredThousandTicksLeaveScreenAndFilesAlikeAndWhole)
{
    constexpr int Ticks = 200'000;
    clock.now = QDateTime(QDate(2026, 6, 15), QTime(20, 0, 0));
    t.state.ScaleKind = ScaleKindVeltar;

    double load = 0;
    int loadTicksLeft = 0;
    long residentAtStart = 0;
    for (int tick = 0; tick < Ticks; ++tick) {
        if (tick == 2000)
            residentAtStart = ResidentKiB();
        if (--loadTicksLeft <= 0) {
            // Empty platform or a new load for a while; a fifth of the loads wobble.
            load = below(3) == 0 ? 0 : (below(2000) + 1) / 10.0;
            loadTicksLeft = 100 + below(200);
        }
        const double shown = loadTicksLeft % 5 == 0 && below(5) == 0 ? load + 0.5 : load;

        Timer1_Timer(t);
        port.incoming.push_back(arriving(shown));
        Timer2_Timer(t);

        switch (below(4000)) {
        case 0: Command2_Click(t); break;  // tare
        case 1: Command3_Click(t); break;  // summation
        case 2:
            t.state.AutoWeighOn = 0;
            Command4_Click(t);  // by hand
            t.state.AutoWeighOn = 1;
            break;
        case 3: t.state.ScaleKind = t.state.ScaleKind == ScaleKindAed ? ScaleKindVeltar : ScaleKindAed; break;
        default: break;
        }
        // The clock runs five times faster than the polling, so that the run
        // spans several days without passing the 1000 weighings of one.
        clock.now = clock.now.addMSecs(1500);
    }
    const long residentAtEnd = ResidentKiB();

    // Midnight passed four times: a file per day, which together are the screen.
    const QStringList days = QDir(dir.path()).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    ASSERT_EQ(days, (QStringList{QStringLiteral("06-15-2026.txt"), QStringLiteral("06-16-2026.txt"),
                                 QStringLiteral("06-17-2026.txt"), QStringLiteral("06-18-2026.txt"),
                                 QStringLiteral("06-19-2026.txt")}));
    QByteArray files;
    for (const QString& day : days)
        files += dir.read(day);
    EXPECT_EQ(files, ToCp1251(t.state.JournalText));

    const QRegularExpression weighing(
        QStringLiteral("^ (\\d+)\\t(\\d\\d-\\d\\d-\\d{4})  \\d\\d:\\d\\d:\\d\\d    [ -]\\d+(\\.\\d+)?кг   [ -]\\d+(\\.\\d+)?кг$"));
    const QRegularExpression sum(QStringLiteral("^Сумма\\( \\d+\\)= [ -]\\d+(\\.\\d+)?$"));
    int lines = 0;
    for (const QString& day : days) {
        SCOPED_TRACE(day.toStdString());
        const QString text = FromCp1251(dir.read(day));
        ASSERT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        int expected = 1;
        for (const QString& line : text.chopped(2).split(QStringLiteral("\r\n"))) {
            ++lines;
            const auto m = weighing.match(line);
            if (m.hasMatch()) {
                EXPECT_EQ(m.captured(1).toInt(), expected) << line.toStdString();
                EXPECT_EQ(m.captured(2) + QStringLiteral(".txt"), day);
                expected = m.captured(1).toInt() + 1;
            } else {
                EXPECT_TRUE(sum.match(line).hasMatch()) << line.toStdString();
            }
        }
        if (day != days.first() && day != days.last()) {
            EXPECT_GT(expected, 50);  // a whole day of work, not a handful
        }
    }
    EXPECT_TRUE(panel.messages.isEmpty()) << panel.messages.join(u'\n').toStdString();

    // Memory grows with the journal (kept on screen and for the display), not per tick.
    const long journalKiB = static_cast<long>(t.state.JournalText.size()) * 2 * 3 / 1024;
    std::printf("soak: %d ticks, %d lines checked, resident %ld KiB -> %ld KiB, journal %lld chars\n", Ticks, lines,
                residentAtStart, residentAtEnd, static_cast<long long>(t.state.JournalText.size()));
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed memory back on purpose; the figure says
    // nothing about the terminal there.
    (void)journalKiB;
#else
    if (residentAtStart > 0) {
        EXPECT_LT(residentAtEnd - residentAtStart, journalKiB + 4096);
    }
#endif
}

}  // namespace
