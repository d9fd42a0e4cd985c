#pragma once

#include "core/Terminal.h"
#include "journal/DayView.h"

#include <QColor>
#include <QDate>
#include <QSet>
#include <QWidget>

class QCalendarWidget;
class SiteService;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

// "Журнал за день": the journal of any day, looked up in a calendar, with
// its totals, printed again as that day's report. A modeless window over the
// main window, destroyed when closed (also by Esc), and free to be resized.
// It only reads day files; it shows what is on disk at the moment a day is
// chosen. Files are read and reports printed on threads of their own, so the
// polling of the scale goes on however large a day is.
class DayJournalWindow final : public QWidget {
    Q_OBJECT
public:
    // With `site`, the window also says how much of the day the site
    // database holds.
    DayJournalWindow(Terminal& terminal, QWidget* parent, const SiteService* site = nullptr);

    // Reads the day's file afresh and shows it once read; a file that cannot
    // be read is told to the operator once and leaves the view empty.
    void showDay(const QDate& date);
    QDate shownDay() const { return shown_; }
    // A day is being read; what is shown is the day before.
    bool reading() const { return reading_ != 0; }

    // "Печать": the report of the day last chosen, from its file as it is
    // now, ending with the seal's status line. A day of more than
    // PrintQuestionLines lines is printed only when the operator says so.
    void print();
    // "Экспорт…": the weighings of days asked for, saved as a table.
    void exportDays();
    bool printing() const { return printing_; }

    QCalendarWidget* Calendar = nullptr;
    QLabel* Headings = nullptr;
    QPlainTextEdit* Journal = nullptr;
    QLabel* Summary = nullptr;
    QLabel* SealStatus = nullptr;  // whether the day file is still as written
    QLabel* DatabaseStatus = nullptr;  // how much of the day the site database holds; hidden while it is off
    QPushButton* PrintButton = nullptr;
    QPushButton* ExportButton = nullptr;
    QPushButton* CloseButton = nullptr;
    // Where further controls go: buttons beside "Печать" and "Закрыть", lines
    // under the summary; the journal box keeps all the room left over.
    QHBoxLayout* ButtonRow = nullptr;
    QVBoxLayout* SummaryRows = nullptr;

signals:
    // A day read has been put on screen.
    void dayShown();
    // A report asked for here is printed or saved, or failed and was told.
    void printDone();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Bold for the days that have a day file, from one directory listing.
    void markDaysWithJournal();
    // A day chosen in the calendar, shown when the event loop is next idle.
    void choose(const QDate& date);
    // Puts a day read on the window.
    void present(DayView view);
    // Asks, if the day is long, and hands the report to a printing thread.
    void printText(const DayView& view, const QString& text);
    void updatePrintButton();

    void showDatabaseStatus();

    Terminal& terminal_;
    const SiteService* site_;
    QDate shown_;
    QDate chosen_;  // the day last asked for, shown once read
    DayView view_;
    int reads_ = 0;    // the number of the latest read; earlier ones are dropped
    int reading_ = 0;  // reads under way
    bool printing_ = false;
    QSet<QDate> marked_;
    QDate pendingDay_;
};

inline const QString NoWeighingsText = QStringLiteral("За этот день взвешиваний нет");

// Longer days than this ask before they print: paper, and the printer's time.
inline constexpr int PrintQuestionLines = 10000;

// The background of lines that the totals do not count.
inline const QColor UncountedLineColour{255, 236, 170};
