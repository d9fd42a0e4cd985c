#pragma once

#include "core/Status.h"
#include "core/Terminal.h"
#include "ui/LinkPublish.h"

#include <QMainWindow>
#include <QPointer>

#include <optional>

class DayJournalWindow;
class LinkService;
class SiteService;
class Form2;
class Form3;
class SettingsDialog;
class Lamp;
class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The main window. It holds the widgets, connects them to the terminal's
// procedures and puts the Display record on screen; it decides nothing.
class Form1 final : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(Terminal& terminal, QWidget* parent = nullptr);

    // Start-up: Form_Load, then the scale dialog created hidden with its
    // presets, and start-up sealing begun on a thread of its own. A failure
    // here ends the program.
    Status load();
    // Start-up sealing is still reading and checking.
    bool sealingAtStartUp() const { return sealingAtStartUp_; }

    // Puts the Display record on the widgets; the only writer of them.
    void render();

    // Form_Activate and the render that follows it.
    void activate();

    // The office link the window publishes to after each procedure and whose
    // settings its menu edits; none in tests of the window alone.
    void setLink(LinkService* link);
    // The site database the window tells of each line written and whose
    // settings its menu edits; none in tests of the window alone.
    void setSite(SiteService* site);

    Form2* portDialog() const;
    Form3* scaleDialog() const;
    DayJournalWindow* dayJournalWindow() const;

    // The controls, by the names every procedure and test uses.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QLabel* Picture1 = nullptr;
    Lamp* Shape1[3] = {};
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* PortRetry = nullptr;
    QAction* mnu_Print = nullptr;
    QAction* mnu_DayJournal = nullptr;
    QAction* mnu_Exit = nullptr;
    QAction* mnu_Com = nullptr;
    QAction* mnu_Ves = nullptr;
    QAction* mnu_Link = nullptr;
    QAction* mnu_Database = nullptr;
    QAction* mnu_Prog = nullptr;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(QWidget* client);
    void buildMenu();
    void renderJournal();
    // Runs one of the terminal's procedures, then shows what it changed.
    void handle(void (*procedure)(Terminal&));

    // The dialog in the slot, made (hidden) when there is none.
    template <typename Dialog>
    Dialog* dialog(QPointer<Dialog>& slot);
    void showDialog(SettingsDialog* dialog);

    void mnu_Com_Click();
    void mnu_Ves_Click();
    void mnu_Link_Click();
    void mnu_Database_Click();
    void mnu_DayJournal_Click();
    void mnu_Prog_Click();
    void Form_Unload();

    Terminal& terminal_;
    QPointer<Form2> form2_;
    QPointer<Form3> form3_;
    QPointer<DayJournalWindow> dayJournal_;
    LinkService* link_ = nullptr;
    LinkSeen linkSeen_;
    SiteService* site_ = nullptr;
    qsizetype siteSeenJournal_ = -1;  // the journal's length when the site was last told
    std::optional<Display> shown_;  // what the last render showed
    QString shownJournal_;      // what Text1 holds, to append rather than rebuild
    qsizetype shownSelStart_ = -1;
    bool activatedOnce_ = false;
    bool returningFromDialog_ = false;
    bool sealingAtStartUp_ = false;
};
