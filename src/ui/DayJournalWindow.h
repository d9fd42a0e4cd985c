#pragma once

#include "core/Terminal.h"
#include "journal/PastJournal.h"
#include "journal/SealCheck.h"

#include <QDate>
#include <QSet>
#include <QWidget>

class QCalendarWidget;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// "Журнал за день": the journal of any day, looked up in a calendar, with
// its totals, printed again as that day's report. A modeless window over the
// main window, destroyed when closed. It only reads day files; it shows what
// is on disk at the moment a day is chosen.
class DayJournalWindow final : public QWidget {
    Q_OBJECT
public:
    DayJournalWindow(Terminal& terminal, QWidget* parent);

    // Reads the day's file afresh and shows it; a file that cannot be read is
    // told to the operator once and leaves the view empty.
    void showDay(const QDate& date);
    QDate shownDay() const { return shown_; }

    // "Печать": the chosen day's report, from its file as it is now, ending
    // with the seal's status line.
    void print();
    // "Экспорт…": the weighings of days asked for, saved as a table.
    void exportDays();

    QCalendarWidget* Calendar = nullptr;
    QLabel* Headings = nullptr;
    QPlainTextEdit* Journal = nullptr;
    QLabel* Summary = nullptr;
    QLabel* SealStatus = nullptr;  // whether the day file is still as written
    QPushButton* PrintButton = nullptr;
    QPushButton* ExportButton = nullptr;
    QPushButton* CloseButton = nullptr;

private:
    // Bold for the days that have a day file, from one directory listing.
    void markDaysWithJournal();
    // The day's file was read and holds something to show and print; a
    // missing or empty file shows that there were no weighings.
    bool hasLines() const;
    // A day chosen in the calendar, shown when the event loop is next idle.
    void choose(const QDate& date);

    Terminal& terminal_;
    QDate shown_;
    DayJournal journal_;
    SealCheck seal_;
    QString boxJournal_;  // the journal text the box holds, empty for none
    QSet<QDate> marked_;
    QDate pendingDay_;
};

inline const QString NoWeighingsText = QStringLiteral("За этот день взвешиваний нет");
