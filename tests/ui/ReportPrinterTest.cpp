#include "ui/PrintReport.h"
#include "ui/ReportPrinter.h"

#include "core/TextRules.h"
#include "journal/JournalLine.h"
#include "journal/RecordWeighing.h"
#include "journal/Report.h"
#include "journal/Summation.h"
#include "support/TerminalFixture.h"
#include "ui/DayJournalWindow.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

namespace {

const QString Heading = QStringLiteral("Отчет о работе весов за : 06-15-2026");

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Where poppler's tools cannot run (the Windows build under Wine), the Linux
// side of scripts/windows.sh reads the PDF in a folder named by
// VELTAR_PDF_READER: it takes NAME.pdf and NAME.ask (the tool and its
// arguments, one a line) and leaves the tool's output in NAME.out and then
// its exit code in NAME.done.
const QString PdfReaderFolder = qEnvironmentVariable("VELTAR_PDF_READER");

bool CanReadPdf()
{
    return !PdfReaderFolder.isEmpty() || (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
                                          !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty());
}

QString ReadPdf(const QString& tool, QStringList arguments, const QString& file)
{
    if (PdfReaderFolder.isEmpty())
        return Run(tool, arguments.replaceInStrings(QStringLiteral("%PDF%"), file));
    static int asked = 0;
    const QDir folder(PdfReaderFolder);
    const QString name = QStringLiteral("%1-%2").arg(QCoreApplication::applicationPid()).arg(++asked);
    QSaveFile ask(folder.filePath(name + QStringLiteral(".ask")));
    if (!QFile::copy(file, folder.filePath(name + QStringLiteral(".pdf"))) || !ask.open(QIODevice::WriteOnly))
        return {};
    ask.write((QStringList{tool} + arguments.replaceInStrings(QStringLiteral("%PDF%"), name + QStringLiteral(".pdf")))
                  .join(u'\n')
                  .toUtf8());
    if (!ask.commit())
        return {};
    QFile done(folder.filePath(name + QStringLiteral(".done")));
    const QDeadlineTimer deadline(60000);
    while (!done.exists() && !deadline.hasExpired())
        QThread::msleep(20);
    QFile out(folder.filePath(name + QStringLiteral(".out")));
    if (!done.open(QIODevice::ReadOnly) || done.readAll().trimmed() != "0" || !out.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(out.readAll());
}

// The PDF's text as laid out on its pages; pages are separated by form feeds.
QString PdfText(const QString& file)
{
    return ReadPdf(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), QStringLiteral("%PDF%"),
                    QStringLiteral("-")},
                   file);
}

// Every word of the PDF with its box on the page, in points.
QString PdfWordBoxes(const QString& file)
{
    return ReadPdf(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("%PDF%"), QStringLiteral("-")},
                   file);
}

int PdfPages(const QString& file)
{
    static const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = pages.match(ReadPdf(QStringLiteral("pdfinfo"), {QStringLiteral("%PDF%")}, file));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// Blank runs collapsed: the PDF's text tool re-creates spacing from glyph
// positions, so only the words and their order are compared exactly.
QStringList Simplified(const QString& text)
{
    QStringList lines;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\\n\\f]"))))
        lines.append(line.simplified());
    return lines;
}

// Where each wanted line is found, searching on after the previous one; -1
// for one that is missing or out of order.
QList<qsizetype> FindInOrder(const QStringList& have, const QStringList& wanted)
{
    QList<qsizetype> at;
    qsizetype from = 0;
    for (const QString& w : wanted) {
        const qsizetype i = have.indexOf(w.simplified(), from);
        at.append(i);
        if (i >= 0)
            from = i + 1;
    }
    return at;
}

// For the cases that read the report back.
#define SKIP_WITHOUT_PDF_READER()                                                                                 \
    if (!CanReadPdf())                                                                                            \
    GTEST_SKIP() << "pdftotext and pdfinfo (poppler-utils) are needed to read the report back"

class ReportPdf : public TerminalFixture {
protected:
    void SetUp() override
    {
        TerminalFixture::SetUp();
    }

    void configure(QPrinter& printer, const QString& file)
    {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
    }

    QString printed(const QString& name = QStringLiteral("report.pdf"))
    {
        const QString file = dir.file(name);
        QPrinter printer(QPrinter::HighResolution);
        configure(printer, file);
        const Status status = PrintReportTo(printer, t.state.JournalText, clock.currentDate());
        EXPECT_TRUE(status.ok()) << status.description.toStdString();
        return file;
    }

    void weigh(double net)
    {
        t.state.NetWeight = net;
        ASSERT_TRUE(RecordWeighing(t).ok());
    }

    PageGrid grid()
    {
        QPrinter printer(QPrinter::HighResolution);
        configure(printer, dir.file("unused.pdf"));
        return ReportPageGrid(printer);
    }
};

TEST_F(ReportPdf, HeadingThenEveryJournalLineInOrderWithSumLinesWhereTheyStand)
{
    SKIP_WITHOUT_PDF_READER();
    weigh(12.5);
    Command3_Click(t);
    weigh(10);
    weigh(7.5);
    Command3_Click(t);
    weigh(3);
    const QString journalBefore = t.state.JournalText;
    const QByteArray settingsBefore = EncodeSettings(t.state, {}).value;
    panel.messages.clear();

    const QString text = PdfText(printed());

    QStringList wanted{Heading};
    wanted += t.state.JournalText.split(LineEnd, Qt::SkipEmptyParts);
    ASSERT_EQ(wanted.size(), 1 + 5);
    EXPECT_EQ(wanted.at(4), QStringLiteral("Сумма( 2)=  17.5"));
    const QList<qsizetype> at = FindInOrder(Simplified(text), wanted);
    for (qsizetype i = 0; i < wanted.size(); ++i)
        EXPECT_GE(at.at(i), 0) << "missing or out of order: " << wanted.at(i).toStdString() << "\n" << text.toStdString();
    // One empty line between the heading and the journal.
    if (at.at(0) >= 0 && at.at(1) >= 0) {
        EXPECT_EQ(at.at(1) - at.at(0), 2);
    }
    // Consecutive journal lines have nothing between them.
    for (qsizetype i = 2; i < at.size(); ++i)
        EXPECT_EQ(at.at(i) - at.at(i - 1), 1) << wanted.at(i).toStdString();

    EXPECT_TRUE(text.contains(QStringLiteral("12.5кг")));
    EXPECT_TRUE(panel.messages.isEmpty());
    EXPECT_EQ(t.state.JournalText, journalBefore);
    EXPECT_EQ(EncodeSettings(t.state, {}).value, settingsBefore);
}

TEST_F(ReportPdf, ColumnsLineUpOnPaper)
{
    SKIP_WITHOUT_PDF_READER();
    weigh(1);
    for (int i = 0; i < 9; ++i)
        weigh(2);  // the tenth has a two-digit number before its TAB
    const QStringList lines = PdfText(printed()).split(u'\n');

    QList<qsizetype> dateColumns;
    qsizetype headingColumn = -1;
    for (const QString& line : lines) {
        if (line.contains(QStringLiteral("Отчет")))
            headingColumn = line.indexOf(QStringLiteral("Отчет"));
        if (line.contains(QStringLiteral("кг")))
            dateColumns.append(line.indexOf(QStringLiteral("06-15-2026")));
    }
    ASSERT_EQ(dateColumns.size(), 10);
    // The TAB stop puts every date in one column whatever the number's width,
    // and the heading stands well to the right of it.
    EXPECT_EQ(dateColumns.count(dateColumns.first()), 10);
    EXPECT_GT(headingColumn, dateColumns.first());
}

TEST_F(ReportPdf, EmptyJournalStillGivesTheHeadingOnOnePage)
{
    SKIP_WITHOUT_PDF_READER();
    t.state.JournalText.clear();
    const QString file = printed();
    const QStringList text = Simplified(PdfText(file));
    EXPECT_TRUE(text.contains(Heading.simplified()));
    EXPECT_EQ(PdfPages(file), 1);
}

TEST_F(ReportPdf, LongJournalContinuesOnFurtherPages)
{
    SKIP_WITHOUT_PDF_READER();
    QStringList journal;
    for (int i = 1; i <= 200; ++i)
        journal.append(JournalLine(i, {QStringLiteral("06-15-2026"), QStringLiteral("09:05:30"), 100.0 + i, 0}));
    t.state.JournalText = journal.join(LineEnd) + LineEnd;

    const PageGrid g = grid();
    ASSERT_GT(g.linesPerPage, 0);
    const int documentLines = 4 + 200 + 1;
    const int expectedPages = (documentLines + g.linesPerPage - 1) / g.linesPerPage;

    const QString file = printed();
    const QString text = PdfText(file);
    EXPECT_GT(PdfPages(file), 1);
    EXPECT_EQ(PdfPages(file), expectedPages);
    EXPECT_GE(text.count(u'\f'), expectedPages - 1);
    const QList<qsizetype> at = FindInOrder(Simplified(text), journal);
    EXPECT_FALSE(at.contains(-1)) << "a journal line is missing or out of order";
    // The last line is on the last page.
    const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
    ASSERT_FALSE(pages.isEmpty());
    EXPECT_TRUE(Simplified(pages.last()).contains(journal.last().simplified()));
}

TEST_F(ReportPdf, LineWiderThanThePageContinuesOnTheNextLine)
{
    SKIP_WITHOUT_PDF_READER();
    const PageGrid g = grid();
    ASSERT_GT(g.columns, 0);
    // A typical journal line fits on a line of paper.
    const QString typical =
        ExpandTabs(JournalLine(1000, {QStringLiteral("06-15-2026"), QStringLiteral("09:05:30"), -12345.6, 999.5}));
    EXPECT_LE(typical.size(), g.columns);

    QString head;
    while (head.size() < g.columns)
        head += QStringLiteral("0123456789");
    head.truncate(g.columns);
    const QString tail = QStringLiteral("ХВОСТ_СТРОКИкг");
    t.state.JournalText = QStringLiteral("до") + LineEnd + head + tail + LineEnd + QStringLiteral("после") + LineEnd;

    const QStringList text = Simplified(PdfText(printed()));
    const QList<qsizetype> at = FindInOrder(text, {QStringLiteral("до"), head, tail, QStringLiteral("после")});
    ASSERT_FALSE(at.contains(-1)) << text.join(u'\n').toStdString();
    EXPECT_EQ(at.at(2), at.at(1) + 1);
    EXPECT_EQ(at.at(3), at.at(2) + 1);
}

TEST_F(ReportPdf, FaceGivesEveryCharacterOneWidthSoColumnsLineUp)
{
    // Measured on the printer: a face's fixed-pitch flag is its maker's word.
    QPrinter printer(QPrinter::HighResolution);
    configure(printer, dir.file("unused.pdf"));
    const QFontMetricsF metrics(ReportFont(), &printer);
    const double width = metrics.horizontalAdvance(u'0');
    EXPECT_GT(width, 0);
    for (const QChar c : QStringLiteral("iWк"))
        EXPECT_EQ(metrics.horizontalAdvance(c), width) << QString(c).toStdString() << " in " << QFontInfo(ReportFont()).family().toStdString();
}

TEST_F(ReportPdf, PrinterThatCannotStartIsAnErrorWithADescription)
{
    QPrinter printer(QPrinter::HighResolution);
    configure(printer, dir.file("no such folder/report.pdf"));
    const Status status = PrintReportTo(printer, t.state.JournalText, clock.currentDate());
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.number, PrinterErrorNumber);
    EXPECT_FALSE(status.description.isEmpty());
    EXPECT_FALSE(QFile::exists(dir.file("no such folder/report.pdf")));
}

// The real default-printer check: meaningful only where no printer is
// installed, which is how the test machines are set up.
class ReportWithoutPrinter : public ReportPdf {
protected:
    void SetUp() override
    {
        ReportPdf::SetUp();
        if (IsSkipped())
            return;
        if (!QPrinterInfo::availablePrinters().isEmpty()) {
            GTEST_SKIP() << "a printer is installed here; printing would reach it";
        }
        panel.messages.clear();
    }
};

TEST_F(ReportWithoutPrinter, ReportIsSavedInTheDocumentsFolderWithPageMarginsAndTheOperatorIsToldOnce)
{
    SKIP_WITHOUT_PDF_READER();
    const TempDataDir documents;
    t.documentsDir = documents.path();
    weigh(12.5);
    panel.messages.clear();
    const QString journalBefore = t.state.JournalText;

    Command1_Click(t);

    const QString file = documents.file(QStringLiteral("06-15-2026.pdf"));
    EXPECT_EQ(ReportPdfFileName(t, clock.currentDate()), file);
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages.first().contains(QStringLiteral("Принтер не установлен")));
    EXPECT_TRUE(panel.messages.first().contains(QDir::toNativeSeparators(file))) << panel.messages.first().toStdString();
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("06-15-2026.pdf"))));
    const QStringList text = Simplified(PdfText(file));
    EXPECT_TRUE(text.contains(Heading.simplified()));
    EXPECT_TRUE(text.contains(journalBefore.split(LineEnd).first().simplified()));
    // The day's own report has no seal status, only the chain's head at its end.
    EXPECT_FALSE(text.join(u' ').contains(QStringLiteral("Журнал")));
    const qsizetype head = text.indexOf(QRegularExpression(
        QStringLiteral("^Код печати журналов: [0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4} \\(строка 1 за 06-15-2026\\)$")));
    EXPECT_GT(head, text.indexOf(journalBefore.split(LineEnd).first().simplified())) << text.join(u'|').toStdString();
    EXPECT_EQ(t.state.JournalText, journalBefore);

    // Every word at least 15 mm from the left and top edges of the page.
    static const QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\""));
    const QString boxes = PdfWordBoxes(file);
    const double fifteenMm = 15 / 25.4 * 72;
    int words = 0;
    for (const QRegularExpressionMatch& m : word.globalMatch(boxes)) {
        ++words;
        EXPECT_GE(m.captured(1).toDouble(), fifteenMm);
        EXPECT_GE(m.captured(2).toDouble(), fifteenMm);
    }
    EXPECT_GT(words, 5);

    // A later report of the same day replaces the file.
    weigh(7.5);
    panel.messages.clear();
    Command1_Click(t);
    EXPECT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(Simplified(PdfText(file)).contains(t.state.JournalText.split(LineEnd).at(1).simplified()));
    EXPECT_EQ(QDir(documents.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(ReportWithoutPrinter, EarlierDayIsPrintedUnderItsOwnDateFromItsFile)
{
    SKIP_WITHOUT_PDF_READER();
    const TempDataDir documents;
    t.documentsDir = documents.path();
    weigh(7.5);  // today's journal, which is not that day's report
    QStringList earlier;
    for (int n = 1; n <= 3; ++n)
        earlier << JournalLine(n, {QStringLiteral("06-12-2026"), QStringLiteral("08:0%1:00").arg(n), 10.0 * n, 0});
    earlier << SumLine(3, 60);
    dir.write(QStringLiteral("06-12-2026.txt"), ToCp1251(earlier.join(LineEnd) + LineEnd));
    panel.messages.clear();

    DayJournalWindow window(t, nullptr);
    window.showDay(QDate(2026, 6, 12));
    window.print();
    const QDeadlineTimer deadline(10000);
    while ((window.reading() || window.printing()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    const QString file = documents.file(QStringLiteral("06-12-2026.pdf"));
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages.first().contains(QDir::toNativeSeparators(file))) << panel.messages.first().toStdString();
    const QString text = PdfText(file);
    const QStringList wanted = QStringList{QStringLiteral("Отчет о работе весов за : 06-12-2026")} + earlier;
    const QList<qsizetype> at = FindInOrder(Simplified(text), wanted);
    ASSERT_FALSE(at.contains(-1)) << text.toStdString();
    EXPECT_EQ(at.at(1) - at.at(0), 2);
    for (qsizetype i = 2; i < at.size(); ++i)
        EXPECT_EQ(at.at(i) - at.at(i - 1), 1) << wanted.at(i).toStdString();
    // Today's date only in the chain's head at the very end.
    for (const QString& line : Simplified(text)) {
        if (line.contains(QStringLiteral("06-15-2026"))) {
            EXPECT_TRUE(line.startsWith(QStringLiteral("Код печати журналов: "))) << line.toStdString();
        }
    }
    // The reprint ends with what the seal check says of that day.
    EXPECT_GT(Simplified(text).indexOf(QStringLiteral("Журнал без печати (записан до её появления)")), at.last());
}

TEST_F(ReportWithoutPrinter, UnwritableDataDirectoryIsToldInTheSameOneMessage)
{
    // No documents folder: the data directory is the only place left.
    t.documentsDir = dir.file(QStringLiteral("no documents/"));
    t.dataDir = dir.file(QStringLiteral("gone/"));

    Command1_Click(t);

    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages.first().contains(QStringLiteral("не сохранен")));
    EXPECT_TRUE(panel.messages.first().contains(QDir::toNativeSeparators(dir.file("gone/06-15-2026.pdf"))));
    EXPECT_FALSE(QFile::exists(dir.file("gone/06-15-2026.pdf")));
}

}  // namespace
