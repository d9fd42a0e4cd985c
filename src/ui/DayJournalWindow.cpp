#include "ui/DayJournalWindow.h"

#include "core/TextRules.h"
#include "site/SiteService.h"
#include "site/SiteText.h"
#include "ui/BackgroundWork.h"
#include "ui/ExportDialog.h"
#include "ui/Fonts.h"
#include "ui/JournalBox.h"
#include "ui/PrintReport.h"
#include "ui/SealView.h"
#include "ui/Twips.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QKeyEvent>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

namespace {

// The seal's check of a day read, made on the reading thread too. A file that
// could not be read is not checked: what it says is its problem.
SealCheck SealOf(const DayView& view, const QString& dataDir)
{
    if (view.kind == DayJournal::Kind::Unreadable)
        return {};
    return CheckDaySeal(dataDir, view.date);
}

// A line of text under the journal: the totals, the seal's verdict, the
// database's state. Plain text, as they quote names from the files.
QLabel* MakeStatusLabel(QWidget* parent, const QString& name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMinimumHeight(Px(480));
    return label;
}

// The window's size when it opens, and its least.
QSize OpeningSize()
{
    return {Px(9345), Px(6090)};
}

}  // namespace

DayJournalWindow::DayJournalWindow(Terminal& terminal, QWidget* parent, const SiteService* site)
    : QWidget(parent, Qt::Window), terminal_(terminal), site_(site)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("DayJournalWindow"));
    setWindowTitle(QStringLiteral("Журнал за день"));
    setFont(SansFont(8));
    // Opens at its size, the seal's line under the totals included, and may grow: the journal box takes
    // whatever room is added.
    resize(OpeningSize());
    setMinimumSize(OpeningSize());

    Calendar = new QCalendarWidget(this);
    Calendar->setObjectName(QStringLiteral("Calendar"));
    Calendar->setFixedSize(Px(3840), Px(3360));
    Calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    Calendar->setFirstDayOfWeek(Qt::Monday);
    Calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);

    PrintButton = new QPushButton(QStringLiteral("Печать"), this);
    PrintButton->setObjectName(QStringLiteral("PrintButton"));
    PrintButton->setFixedSize(Px(1800), Px(450));
    ExportButton = new QPushButton(QStringLiteral("Экспорт…"), this);
    ExportButton->setObjectName(QStringLiteral("ExportButton"));
    ExportButton->setFixedSize(Px(1800), Px(450));
    CloseButton = new QPushButton(QStringLiteral("Закрыть"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setFixedSize(Px(1800), Px(450));

    Headings = new QLabel(JournalHeadings(), this);
    Headings->setObjectName(QStringLiteral("Headings"));
    Headings->setTextFormat(Qt::PlainText);
    Journal = MakeJournalBox(this, "Journal", TwipsRect(4170, 420, 5055, 4500));
    Journal->setMinimumSize(Px(5055), Px(4500));

    Summary = MakeStatusLabel(this, QStringLiteral("Summary"));
    SealStatus = MakeStatusLabel(this, QStringLiteral("SealStatus"));
    DatabaseStatus = MakeStatusLabel(this, QStringLiteral("DatabaseStatus"));
    DatabaseStatus->hide();

    ButtonRow = new QHBoxLayout;
    ButtonRow->setSpacing(Px(2160 - 120 - 1800));
    ButtonRow->addWidget(PrintButton);
    ButtonRow->addWidget(CloseButton);
    auto* left = new QVBoxLayout;
    left->setSpacing(Px(3720 - 120 - 3360));
    left->addWidget(Calendar);
    left->addLayout(ButtonRow);
    left->addWidget(ExportButton, 0, Qt::AlignLeft);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(Headings);
    right->addWidget(Journal, 1);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(Px(120), Px(120), Px(120), Px(120));
    grid->setHorizontalSpacing(Px(4170 - 120 - 3840));
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    SummaryRows = new QVBoxLayout;
    SummaryRows->setSpacing(0);
    SummaryRows->addWidget(Summary);
    SummaryRows->addWidget(SealStatus);
    SummaryRows->addWidget(DatabaseStatus);
    grid->addLayout(SummaryRows, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);

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

void DayJournalWindow::keyPressEvent(QKeyEvent* event)
{
    // Esc closes the window, as it closes a dialog; the keys its controls
    // do not take come here.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
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
    chosen_ = date;
    if (date != shown_)
        Summary->setText(QStringLiteral("Чтение журнала за %1…").arg(DayDateText(date)));
    const int read = ++reads_;
    ++reading_;
    updatePrintButton();
    auto view = std::make_shared<DayView>();
    const QString dataDir = terminal_.dataDir;
    RunInBackground(
        this,
        [view, dataDir, date] {
            *view = MakeDayView(dataDir, date);
            view->seal = SealOf(*view, dataDir);
        },
        [this, view, read] {
            --reading_;
            // A day chosen later is read later: this one is no longer wanted.
            if (read == reads_)
                present(std::move(*view));
            updatePrintButton();
        });
}

void DayJournalWindow::present(DayView view)
{
    const bool sameDay = view.date == shown_;
    const QString before = view_.empty() ? QString() : view_.boxText;
    shown_ = view.date;
    view_ = std::move(view);

    const bool unreadable = view_.kind == DayJournal::Kind::Unreadable;
    if (view_.empty()) {
        Journal->setPlainText(unreadable ? QString() : NoWeighingsText);
    } else if (!sameDay || before.isEmpty() || !view_.boxText.startsWith(before)) {
        Journal->setPlainText(view_.boxText);
    } else if (view_.boxText.size() > before.size()) {
        // The same day grown (today, recorded meanwhile): only the new lines
        // are laid out, and the operator's scrolling is left alone.
        QTextCursor end(Journal->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QStringView(view_.boxText).sliced(before.size()).toString());
    }

    QList<int> uncounted;
    if (!view_.empty()) {
        for (const int line : view_.totals.otherLineNumbers) {
            if (line > view_.shownLines)
                break;
            uncounted.append(line);
        }
    }
    markLines(Journal, uncounted, UncountedLineColour);

    if (unreadable) {
        Summary->setText(view_.problem);
    } else {
        QString summary = QStringLiteral("%1:  %2").arg(DayDateText(view_.date), DayTotalsText(view_.totals));
        if (!view_.empty() && view_.cut())
            summary += u'\n' + CutNote(view_);
        Summary->setText(summary);
    }
    ShowSealCheck(view_.seal, SealStatus, Journal, !view_.empty());
    showDatabaseStatus();
    updatePrintButton();
    emit dayShown();
    if (unreadable)
        terminal_.panel.message(view_.problem);
}

void DayJournalWindow::showDatabaseStatus()
{
    // As the sender knows the day now, against the lines the window read.
    // Its line takes room of its own under the seal's, rather than from the
    // calendar's.
    const QSize without = OpeningSize();
    const QSize with(without.width(), without.height() + Px(480));
    if (!site_ || !site_->running() || view_.kind == DayJournal::Kind::Unreadable) {
        DatabaseStatus->hide();
        setMinimumSize(without);
        return;
    }
    setMinimumSize(with);
    if (height() < with.height())
        resize(width(), with.height());
    const SiteDayStatus day = site_->dayStatus(view_.date);
    DatabaseStatus->setText(DayDatabaseText(day, view_.kind == DayJournal::Kind::Read ? view_.dayLines : 0));
    QPalette palette = DatabaseStatus->palette();
    palette.setColor(QPalette::WindowText, day.conflicts.isEmpty() ? palette.color(QPalette::Text)
                                                                   : QColor(0xB0, 0x00, 0x00));
    DatabaseStatus->setPalette(palette);
    DatabaseStatus->show();
}

void DayJournalWindow::print()
{
    if (printing_)
        return;
    printing_ = true;
    // Printed as the file is now, and shown so: paper and screen agree.
    const int read = ++reads_;
    ++reading_;
    updatePrintButton();
    struct Read {
        DayView view;
        QString text;
    };
    auto got = std::make_shared<Read>();
    const QString dataDir = terminal_.dataDir;
    const QDate day = chosen_;
    RunInBackground(
        this,
        [got, dataDir, day] {
            DayJournal journal = ReadDayJournal(dataDir, day);
            got->view = MakeDayView(journal, day);
            got->view.seal = SealOf(got->view, dataDir);
            got->text = std::move(journal.text);
        },
        [this, got, read] {
            --reading_;
            const bool wanted = !got->view.empty();
            if (read == reads_)
                present(got->view);
            if (wanted) {
                printText(got->view, got->text);
                got->text = QString();  // the printing thread holds it now
            } else {
                printing_ = false;
                updatePrintButton();
                emit printDone();
            }
        });
}

void DayJournalWindow::exportDays()
{
    // The day last chosen, as "Печать" takes it: the one shown may still be
    // the day before while the chosen one is read.
    ExportWithDialog(terminal_, chosen_, this);
}

void DayJournalWindow::printText(const DayView& view, const QString& text)
{
    const QDate day = view.date;
    const qint64 lines = view.dayLines;
    if (lines > PrintQuestionLines &&
        !terminal_.panel.ask(QStringLiteral("В журнале за %1 %2 %3. Печатать?")
                                 .arg(DayDateText(day), QString::number(lines), LinesWord(lines)))) {
        printing_ = false;
        updatePrintButton();
        emit printDone();
        return;
    }

    // The printer is looked up here; the pages are painted on a thread of
    // their own, which goes on when the window is closed, and what the
    // operator is told comes back to the window's thread.
    auto output = std::make_shared<ReportOutput>(ChooseReportOutput(terminal_, day));
    auto journal = std::make_shared<QString>(text);
    // The reprint ends with the seal's status and the chain's head.
    QStringList closing;
    for (const QString& line : {view.seal.text, SealHeadLine(terminal_.dataDir)}) {
        if (!line.isEmpty())
            closing << line;
    }
    auto said = std::make_shared<QString>();
    OperatorPanel* panel = &terminal_.panel;
    QPointer<DayJournalWindow> self(this);
    RunInBackground(
        QCoreApplication::instance(),
        [output, journal, said, day, closing = closing.join(u'\n')] {
            *said = PrintReportOn(*output, *journal, day, closing);
            *journal = QString();
        },
        [panel, said, self] {
            if (!said->isEmpty())
                panel->message(*said);
            if (self) {
                self->printing_ = false;
                self->updatePrintButton();
                emit self->printDone();
            }
        });
}

void DayJournalWindow::updatePrintButton()
{
    PrintButton->setEnabled(!printing_ && !reading() && !view_.empty());
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
