// The seal's check of a very large day: a 50 MB day file of the terminal's
// own lines with its seal, checked as written and again with every line
// changed, and the start-up examination of the same day. Prints table rows
// (wall time and the peak of resident memory above what the process held
// before the step); figures, never a verdict.
//   veltar-bench-seal-check [MEGABYTES [DATA_DIR [MM-DD-YYYY]]]
// With a data directory, only makes the sealed day there (06-15-2026 unless
// given), to start the terminal on it.

#include "GeneratedJournal.h"

#include "core/Cp1251.h"
#include "journal/DayFile.h"
#include "journal/SealCheck.h"
#include "journal/SealFile.h"
#include "journal/SealKey.h"
#include "journal/SealWrite.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

namespace {

// VmRSS or VmHWM from /proc, in KiB.
long ProcStatus(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::string(field).size(), nullptr, 10);
    }
    return -1;
}

// Runs the step with the peak reset first (Linux resets VmHWM when 5 is
// written to clear_refs), and gives its wall time and its peak above the start.
struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMiB = 0;
};

double CpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}
Figures Measure(const std::function<void()>& step)
{
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = ProcStatus("VmRSS:");
    QElapsedTimer clock;
    const double cpu = CpuSeconds();
    clock.start();
    step();
    Figures figures;
    figures.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    figures.cpuSeconds = CpuSeconds() - cpu;
    figures.peakMiB = static_cast<double>(ProcStatus("VmHWM:") - before) / 1024.0;
    return figures;
}

QString Row(const Figures& f)
{
    return QStringLiteral("%1 s (CPU %2 s), peak +%3 MiB")
        .arg(f.seconds, 0, 'f', 2)
        .arg(f.cpuSeconds, 0, 'f', 2)
        .arg(f.peakMiB, 0, 'f', 1);
}

bool Fail(const char* what)
{
    std::fprintf(stderr, "veltar-bench-seal-check: %s\n", what);
    return false;
}

// The day file and its seal as the terminal would have left them, written in
// one go (sealing a million lines one by one would take a million syncs).
bool MakeSealedDay(const QString& dataDir, const QDate& day, qint64 megabytes, qint64& lines)
{
    const Result<QByteArray> key = ReadOrMakeSealKey(dataDir, day);
    if (!key.ok())
        return Fail("no key");
    QFile journal(DayFileName(dataDir, day));
    QFile seal(SealFileName(dataDir, day));
    if (!journal.open(QIODevice::WriteOnly) || !seal.open(QIODevice::WriteOnly))
        return Fail("files not made");
    SealRecord link;
    link.kind = SealLink;
    link.code = RecordCode(key.value, DayStartCode(key.value, day), link, ChainStartCode(key.value));
    seal.write(SealRecordBytes(link));
    QByteArray previous = link.code;
    qint64 pos = 0;
    qint64 records = 1;
    lines = 0;
    while (pos < megabytes * 1000 * 1000) {
        // In pieces of 10,000 lines: the text of the whole day is never held.
        const QByteArray bytes = ToCp1251(GeneratedJournal(10000));
        qsizetype at = 0;
        while (at < bytes.size()) {
            const qsizetype end = bytes.indexOf("\r\n", at) + 2;
            const QByteArrayView line = QByteArrayView(bytes).sliced(at, end - at);
            SealRecord record;
            record.kind = SealWritten;
            record.pos = pos;
            record.length = line.size();
            record.code = RecordCode(key.value, previous, record, line);
            seal.write(SealRecordBytes(record));
            previous = record.code;
            pos += line.size();
            at = end;
            ++records;
            ++lines;
        }
        journal.write(bytes);
    }
    SealHead head;
    head.firstDay = day;
    head.day = day;
    head.records = records;
    head.lines = lines;
    head.code = previous;
    if (SaveSealHead(dataDir, key.value, head))
        return Fail("no head");
    return true;
}

// Every line changed by one digit, its length kept: each line fails its seal.
bool ChangeEveryLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return Fail("day file not reopened");
    constexpr qint64 Piece = 1 << 20;
    for (qint64 at = 0; at < file.size();) {
        file.seek(at);
        QByteArray bytes = file.read(Piece);
        // Whole lines only, so that no line is left out at a piece's edge.
        if (at + bytes.size() < file.size())
            bytes.truncate(bytes.lastIndexOf("\r\n") + 2);
        // The seconds' last digit, found after each TAB's date and time.
        for (qsizetype tab = bytes.indexOf('\t'); tab >= 0 && tab + 20 < bytes.size(); tab = bytes.indexOf('\t', tab + 1)) {
            char& digit = bytes[tab + 20];
            digit = digit == '9' ? '0' : static_cast<char>(digit + 1);
        }
        file.seek(at);
        file.write(bytes);
        at += bytes.size();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? std::atoll(argv[1]) : 50;
    const QDate day = argc > 3 ? QDate::fromString(QString::fromLatin1(argv[3]), QStringLiteral("MM-dd-yyyy"))
                               : QDate(2026, 6, 15);
    qint64 lines = 0;
    if (argc > 2)
        return day.isValid() && MakeSealedDay(QString::fromLocal8Bit(argv[2]) + u'/', day, megabytes, lines) ? 0 : 1;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString dataDir = dir.path() + u'/';
    if (!MakeSealedDay(dataDir, day, megabytes, lines))
        return 1;

    SealCheck genuine;
    const Figures asWritten = Measure([&] { genuine = CheckDaySeal(dataDir, day); });
    if (genuine.verdict != SealCheck::Verdict::Genuine)
        std::fprintf(stderr, "the genuine day read: %s\n", qPrintable(genuine.text));

    QString startUpTold;
    const Figures startUp = Measure([&] {
        const auto sealing = BeginStartUpSealing(dataDir, day);
        ExamineForStartUp(*sealing);
        startUpTold = FinishStartUpSealing(*sealing);
    });
    if (!startUpTold.isEmpty())
        std::fprintf(stderr, "start-up sealing told: %s\n", qPrintable(startUpTold));

    if (!ChangeEveryLine(DayFileName(dataDir, day)))
        return 1;
    SealCheck changed;
    const Figures everyLine = Measure([&] { changed = CheckDaySeal(dataDir, day); });
    if (changed.faultyLines.size() != lines)
        std::fprintf(stderr, "the changed day named %lld of %lld lines\n",
                     static_cast<long long>(changed.faultyLines.size()), static_cast<long long>(lines));

    const QString size = QStringLiteral("%1 MB, %2 lines").arg(megabytes).arg(lines);
    std::printf("| Seal check of a %s day, as written · every line changed | %s · %s | CheckDaySeal, both files read "
                "as walked; wall time (CPU time of the process) and the peak of resident memory above the process "
                "before it |\n",
                qPrintable(size), qPrintable(Row(asWritten)), qPrintable(Row(everyLine)));
    std::printf("| Start-up sealing of the same day (as written) | %s | BeginStartUpSealing, ExamineForStartUp (off "
                "the window's thread in the terminal), FinishStartUpSealing |\n",
                qPrintable(Row(startUp)));
    return 0;
}
