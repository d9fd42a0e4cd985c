#include "ui/DayJournalWindow.h"

#include "core/TextRules.h"
#include "ui/ExportDialog.h"
#include "ui/Fonts.h"
#include "ui/JournalBox.h"
#include "ui/PrintReport.h"
#include "ui/SealView.h"
#include "ui/Twips.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>

DayJournalWindow::DayJournalWindow(Terminal& terminal, QWidget* parent)
    : QWidget(parent, Qt::Window), terminal_(terminal)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("DayJournalWindow"));
    setWindowTitle(QStringLiteral("Журнал за день"));
    setFont(SansFont(8));
    setFixedSize(Px(9345), Px(6090));  // the seal line under the totals

    Calendar = new QCalendarWidget(this);
    Calendar->setObjectName(QStringLiteral("Calendar"));
    Calendar->setGeometry(TwipsRect(120, 120, 3840, 3360));
    Calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    Calendar->setFirstDayOfWeek(Qt::Monday);
    Calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);

    PrintButton = new QPushButton(QStringLiteral("Печать"), this);
    PrintButton->setObjectName(QStringLiteral("PrintButton"));
    PrintButton->setGeometry(TwipsRect(120, 3720, 1800, 450));
    ExportButton = new QPushButton(QStringLiteral("Экспорт…"), this);
    ExportButton->setObjectName(QStringLiteral("ExportButton"));
    ExportButton->setGeometry(TwipsRect(120, 4290, 1800, 450));
    CloseButton = new QPushButton(QStringLiteral("Закрыть"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(TwipsRect(2160, 3720, 1800, 450));

    Headings = new QLabel(JournalHeadings(), this);
    Headings->setObjectName(QStringLiteral("Headings"));
    Headings->setTextFormat(Qt::PlainText);
    Headings->setGeometry(TwipsRect(4170, 120, 4785, 285));
    Journal = MakeJournalBox(this, "Journal", TwipsRect(4170, 420, 5055, 4500));

    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setTextFormat(Qt::PlainText);
    Summary->setWordWrap(true);
    Summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Summary->setGeometry(TwipsRect(120, 5010, 9105, 480));

    SealStatus = new QLabel(this);
    SealStatus->setObjectName(QStringLiteral("SealStatus"));
    SealStatus->setTextFormat(Qt::PlainText);
    SealStatus->setWordWrap(true);
    SealStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SealStatus->setGeometry(TwipsRect(120, 5490, 9105, 480));

    // A click on the day already chosen reads its file again, so today's
    // journal shows the lines recorded since. A click on a new day also
    // changes the selection; both come to one reading.
    connect(Calendar, &QCalendarWidget::selectionChanged, this, [this] { choose(Calendar->selectedDate()); });
    connect(Calendar, &QCalendarWidget::clicked, this, &DayJournalWindow::choose);
    connect(Calendar, &QCalendarWidget::activated, this, &DayJournalWindow::choose);
    connect(PrintButton, &QPushButton::clicked, this, &DayJournalWindow::print);
    connect(ExportButton, &QPushButton::clicked, this, &DayJournalWindow::exportDays);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);

    const QDate today = terminal_.clock.currentDate();
    const QSignalBlocker quiet(Calendar);
    Calendar->setSelectedDate(today);
    Calendar->setCurrentPage(today.year(), today.month());
    showDay(today);
}

void DayJournalWindow::choose(const QDate& date)
{
    if (!date.isValid())
        return;
    // Shown once the calendar has finished with the mouse: a message about
    // an unreadable file must not open inside its mouse handling.
    const bool scheduled = pendingDay_.isValid();
    pendingDay_ = date;
    if (!scheduled) {
        QTimer::singleShot(0, this, [this] {
            const QDate day = pendingDay_;
            pendingDay_ = QDate();
            showDay(day);
        });
    }
}

void DayJournalWindow::showDay(const QDate& date)
{
    markDaysWithJournal();
    const bool sameDay = date == shown_;
    shown_ = date;
    journal_ = ReadDayJournal(terminal_.dataDir, date);

    const bool unreadable = journal_.kind == DayJournal::Kind::Unreadable;
    if (!hasLines()) {
        Journal->setPlainText(unreadable ? QString() : NoWeighingsText);
        boxJournal_.clear();
    } else if (!sameDay || !journal_.text.startsWith(boxJournal_) || boxJournal_.endsWith(u'\r') ||
               boxJournal_.isEmpty()) {
        Journal->setPlainText(BoxText(journal_.text));
        boxJournal_ = journal_.text;
    } else if (journal_.text.size() > boxJournal_.size()) {
        // The same day grown (today, recorded meanwhile): only the new lines
        // are laid out, and the operator's scrolling is left alone.
        QTextCursor end(Journal->document());
        end.movePosition(QTextCursor::End);
        end.insertText(BoxText(QStringView(journal_.text).sliced(boxJournal_.size())));
        boxJournal_ = journal_.text;
    }
    Summary->setText(unreadable ? QString()
                                : QStringLiteral("%1:  %2").arg(DateText(date),
                                                                DayTotalsText(CountDayTotals(journal_.text))));
    // A missing day file is checked too: its seal tells whether it was removed.
    seal_ = unreadable ? SealCheck{} : CheckDaySeal(terminal_.dataDir, date);
    ShowSealCheck(seal_, SealStatus, Journal, hasLines());
    PrintButton->setEnabled(hasLines());
    if (unreadable)
        terminal_.panel.message(journal_.problem);
}

void DayJournalWindow::print()
{
    // Printed as the file is now, and shown so: paper and screen agree.
    showDay(shown_);
    if (hasLines())
        PrintJournalReport(terminal_, journal_.text, shown_, seal_.text);
}

void DayJournalWindow::exportDays()
{
    ExportWithDialog(terminal_, shown_, this);
}

bool DayJournalWindow::hasLines() const
{
    return journal_.kind == DayJournal::Kind::Read && !journal_.text.isEmpty();
}

void DayJournalWindow::markDaysWithJournal()
{
    const QSet<QDate> days = DaysWithJournal(terminal_.dataDir);
    if (days == marked_)
        return;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (const QDate& day : marked_) {
        if (!days.contains(day))
            Calendar->setDateTextFormat(day, QTextCharFormat());
    }
    for (const QDate& day : days) {
        if (!marked_.contains(day))
            Calendar->setDateTextFormat(day, bold);
    }
    marked_ = days;
}
