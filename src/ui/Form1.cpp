#include "ui/Form1.h"

#include "journal/RecordWeighing.h"
#include "journal/SealWrite.h"
#include "journal/Summation.h"
#include "link/LinkService.h"
#include "scale/PollingCycle.h"
#include "scale/PortWatch.h"
#include "site/SiteService.h"
#include "ui/ActiveWindow.h"
#include "ui/BackgroundWork.h"
#include "ui/DatabaseDialog.h"
#include "ui/DayJournalWindow.h"
#include "ui/Fonts.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/JournalBox.h"
#include "ui/Lamp.h"
#include "ui/LinkDialog.h"
#include "ui/Pictures.h"
#include "ui/PrintReport.h"
#include "ui/StartUp.h"
#include "ui/Twips.h"
#include "weighing/TareSwitch.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

namespace {

QColor ToColor(Rgb c)
{
    return {c.red, c.green, c.blue};
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);  // keeps the runs of blanks that align the headings
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    return label;
}

void SetBack(QWidget* widget, Rgb colour)
{
    if (widget->autoFillBackground() && widget->palette().color(widget->backgroundRole()) == ToColor(colour))
        return;
    QPalette palette = widget->palette();
    palette.setColor(widget->backgroundRole(), ToColor(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A readout: centred text on the pale yellow background.
QLabel* MakeReadout(QWidget* parent, const char* name, QRect geometry, const QFont& font)
{
    QLabel* label = MakeLabel(parent, name, QStringLiteral("0"), geometry);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(font);
    SetBack(label, Colours::Readout);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

// A switch's face is one flat colour, the state it shows. Every style draws
// a push button its own way: Windows' native styles ignore the palette's
// button colour, and Fusion turns it into a gradient from near white. A style
// sheet with a border of its own has Qt draw the face itself, the same on
// every platform; the palette keeps the colour for whoever asks the button.
void SetButtonLook(QPushButton* button, const SwitchLook& look)
{
    button->setText(look.caption);
    if (button->palette().color(QPalette::Button) == ToColor(look.back))
        return;
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, ToColor(look.back));
    button->setPalette(palette);
    const QString face = ToColor(look.back).name();
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid #767676;"
                                         " border-radius: 2px; }"
                                         "QPushButton:focus { border: 2px solid #3c3c3c; }"
                                         "QPushButton:pressed { border: 2px solid #3c3c3c; padding-top: 2px; }")
                              .arg(face));
}

// The journal keeps CR LF line ends; the text box wants LF only. A caret
// position in the journal maps to one that does not count the CRs before it.
qsizetype BoxPosition(const QString& journal, qsizetype position)
{
    position = std::clamp<qsizetype>(position, 0, journal.size());
    qsizetype crs = 0;
    for (qsizetype i = 0; i < position; ++i) {
        if (journal[i] == u'\r' && i + 1 < journal.size() && journal[i + 1] == u'\n')
            ++crs;
    }
    return position - crs;
}

}  // namespace

Form1::Form1(Terminal& terminal, QWidget* parent) : QMainWindow(parent), terminal_(terminal)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ProgramTitle);
    setWindowIcon(QIcon(ProgramIcon()));
    setFont(SansFont(8));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(Px(10680), Px(5925));
    setCentralWidget(client);
    buildControls(client);
    buildMenu();
    // The program re-lays nothing out, so the window keeps its size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The polling timer runs from the window's creation; its ticks arrive
    // once an event loop runs, the start-up message box's included.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(300);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(50);
    // One tick per arming. It stops itself as it fires, before its handler
    // runs, so a message box opened inside the handler cannot make it tick
    // again behind the box.
    Timer2->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { handle(Timer1_Timer); });
    connect(Timer2, &QTimer::timeout, this, [this] { handle(Timer2_Timer); });
    // A scale whose device went away is looked for again every 2 seconds;
    // render() runs this timer only while one is missing.
    PortRetry = new QTimer(this);
    PortRetry->setObjectName(QStringLiteral("PortRetry"));
    PortRetry->setInterval(2000);
    connect(PortRetry, &QTimer::timeout, this, [this] { handle(RetryLostPort); });
    Timer1->start();

    render();
}

void Form1::buildControls(QWidget* client)
{
    Label7 = MakeLabel(client, "Label7", JournalHeadings(), TwipsRect(270, 210, 4785, 285));
    Text1 = MakeJournalBox(client, "Text1", TwipsRect(270, 510, 5055, 2835));

    Label5 = MakeLabel(client, "Label5", QStringLiteral("Вес нетто"), TwipsRect(6960, 210, 1545, 345));
    Label5->setFont(SerifFont(15.75));

    const int lampTops[3] = {1440, 1110, 780};  // Shape1(0) is the lowest lamp
    for (int k = 0; k < 3; ++k) {
        Shape1[k] = new Lamp(client);
        Shape1[k]->setObjectName(QStringLiteral("Shape1_%1").arg(k));
        Shape1[k]->setGeometry(TwipsRect(5550, lampTops[k], 345, 315));
    }

    Label2 = MakeReadout(client, "Label2", TwipsRect(5910, 600, 3585, 1155), SerifFont(48));
    Label3 = MakeLabel(client, "Label3", QStringLiteral("Кг"), TwipsRect(9540, 960, 735, 765));
    Label3->setFont(SansFont(24));
    Label10 = MakeLabel(client, "Label10",
                        QString(5, u' ') + QStringLiteral("Количество") + QString(18, u' ') +
                            QStringLiteral("Суммарный вес, кг"),
                        TwipsRect(5880, 1800, 3735, 195));
    Label9 = MakeReadout(client, "Label9", TwipsRect(5910, 2010, 1455, 435), SansFont(18));
    Label8 = MakeReadout(client, "Label8", TwipsRect(7530, 2010, 1995, 435), SansFont(18));
    Command3 = MakeButton(client, "Command3", QStringLiteral("Off"), TwipsRect(9570, 2040, 465, 435));
    Command3->setFont(SansFont(12));
    Label6 = MakeLabel(client, "Label6", QString(11, u' ') + QStringLiteral("Тара, кг"),
                       TwipsRect(7530, 2550, 1965, 225));
    Label4 = MakeReadout(client, "Label4", TwipsRect(7530, 2790, 1965, 525), SerifFont(24));
    Command2 = MakeButton(client, "Command2", QStringLiteral("Off"), TwipsRect(9540, 2850, 495, 435));
    Command2->setFont(SansFont(12));
    // The switches' faces come from their style sheet (SetButtonLook); Fusion
    // beneath it draws what the sheet leaves to the style, such as the focus
    // frame, alike on every platform.
    auto* switchStyle = QStyleFactory::create(QStringLiteral("Fusion"));
    switchStyle->setParent(this);
    Command2->setStyle(switchStyle);
    Command3->setStyle(switchStyle);
    Command4 = MakeButton(client, "Command4", QStringLiteral("Записать"), TwipsRect(7500, 3990, 2055, 495));
    Command4->setFont(SansFont(13.5));
    Command1 = MakeButton(client, "Command1", QStringLiteral("Printer"), TwipsRect(2550, 5340, 1395, 345));
    Command1->hide();  // the report is reached through the menu alone
    connect(Command2, &QPushButton::clicked, this, [this] { handle(Command2_Click); });
    connect(Command3, &QPushButton::clicked, this, [this] { handle(Command3_Click); });
    connect(Command4, &QPushButton::clicked, this, [this] { handle(Command4_Click); });
    connect(Command1, &QPushButton::clicked, this, [this] { handle(Command1_Click); });
    Label11 = MakeLabel(client, "Label11", QStringLiteral("  Настройки порта"), TwipsRect(9090, 5400, 1695, 225));
    Label1 = MakeLabel(client, "Label1", QString(), TwipsRect(9060, 5640, 1635, 285));

    Picture1 = new QLabel(client);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(TwipsRect(1650, 0, 5055, 3525));
    Picture1->setPixmap(AboutPicture());
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->hide();
    Picture1->raise();  // lies over the journal, the lamps and the weight

    // Tab order among the controls that take the focus; Qt ignores a pair
    // with a label in it, and passes over the hidden Command1 by itself.
    QWidget* order[] = {Command2, Text1, Command1, Command3, Command4};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    // The first of them, not the summation switch, has the focus when the
    // window appears: an operator's first Space or Enter must not switch
    // summation.
    Command2->setFocus();
}

void Form1::buildMenu()
{
    QMenu* mnu_Fail = menuBar()->addMenu(QStringLiteral("Меню"));
    mnu_Fail->setObjectName(QStringLiteral("mnu_Fail"));
    mnu_Print = mnu_Fail->addAction(QStringLiteral("Печать отчета"));
    mnu_Print->setObjectName(QStringLiteral("mnu_Print"));
    mnu_DayJournal = mnu_Fail->addAction(QStringLiteral("Журнал за день…"));
    mnu_DayJournal->setObjectName(QStringLiteral("mnu_DayJournal"));
    mnu_Exit = mnu_Fail->addAction(QStringLiteral("Выход"));
    mnu_Exit->setObjectName(QStringLiteral("mnu_Exit"));

    QMenu* mnu_Setup = menuBar()->addMenu(QStringLiteral("Настройки"));
    mnu_Setup->setObjectName(QStringLiteral("mnu_Setup"));
    mnu_Com = mnu_Setup->addAction(QStringLiteral("СОМ порт"));
    mnu_Com->setObjectName(QStringLiteral("mnu_Com"));
    mnu_Ves = mnu_Setup->addAction(QStringLiteral("Весы"));
    mnu_Ves->setObjectName(QStringLiteral("mnu_Ves"));
    mnu_Link = mnu_Setup->addAction(QStringLiteral("Обмен данными…"));
    mnu_Link->setObjectName(QStringLiteral("mnu_Link"));
    mnu_Database = mnu_Setup->addAction(QStringLiteral("База данных…"));
    mnu_Database->setObjectName(QStringLiteral("mnu_Database"));

    mnu_Prog = menuBar()->addAction(QStringLiteral("О программе"));
    mnu_Prog->setObjectName(QStringLiteral("mnu_Prog"));

    // The report lives in the hidden button's handler; the menu is its only way in.
    connect(mnu_Print, &QAction::triggered, Command1, &QPushButton::click);
    connect(mnu_DayJournal, &QAction::triggered, this, &Form1::mnu_DayJournal_Click);
    connect(mnu_Exit, &QAction::triggered, this, &Form1::Form_Unload);
    connect(mnu_Com, &QAction::triggered, this, &Form1::mnu_Com_Click);
    connect(mnu_Ves, &QAction::triggered, this, &Form1::mnu_Ves_Click);
    connect(mnu_Link, &QAction::triggered, this, &Form1::mnu_Link_Click);
    connect(mnu_Database, &QAction::triggered, this, &Form1::mnu_Database_Click);
    connect(mnu_Prog, &QAction::triggered, this, &Form1::mnu_Prog_Click);
}

Status Form1::load()
{
    const Status loaded = Form_Load(terminal_);
    if (!loaded.ok())
        return loaded;
    // Lines a crash or a failed seal left without their seal are sealed now,
    // marked so. A large day takes a while to check, so the files are read
    // on a thread of their own while the scale is polled; weighings recorded
    // meanwhile are sealed after them.
    const std::shared_ptr<StartUpSealing> sealing =
        BeginStartUpSealing(terminal_.dataDir, terminal_.clock.currentDate());
    sealingAtStartUp_ = true;
    RunInBackground(
        this, [sealing] { ExamineForStartUp(*sealing); },
        [this, sealing] {
            sealingAtStartUp_ = false;
            if (const QString told = FinishStartUpSealing(*sealing); !told.isEmpty())
                terminal_.panel.message(told);
        });
    // Presetting the scale dialog creates it, hidden.
    dialog(form3_)->preset();
    render();
    return loaded;
}

void Form1::handle(void (*procedure)(Terminal&))
{
    procedure(terminal_);
    render();
}

void Form1::activate()
{
    Form_Activate(terminal_);
    shownSelStart_ = -1;  // activation always brings the journal's end into view
    render();
}

void Form1::render()
{
    const Display& d = terminal_.display;
    Label1->setText(d.Label1);
    // A widget's palette is worked out afresh each time it is asked for,
    // which costs more than the rest of a poll: colours are compared with
    // what the last render put on screen instead.
    if (!shown_ || d.Label1Back != shown_->Label1Back)
        SetBack(Label1, d.Label1Back);
    Label2->setText(d.Label2);
    Label4->setText(d.Label4);
    Label5->setText(d.Label5);
    Label8->setText(d.Label8);
    Label9->setText(d.Label9);
    if (!shown_ || d.Command2 != shown_->Command2)
        SetButtonLook(Command2, d.Command2);
    if (!shown_ || d.Command3 != shown_->Command3)
        SetButtonLook(Command3, d.Command3);
    Command4->setVisible(d.Command4Visible);
    for (int k = 0; k < 3; ++k)
        Shape1[k]->setFill(d.Shape1[k]);
    Picture1->setVisible(d.Picture1Visible);
    if (d.Timer2Enabled && !Timer2->isActive())
        Timer2->start();
    else if (!d.Timer2Enabled && Timer2->isActive())
        Timer2->stop();
    // Idle, the terminal wakes for its polls alone.
    if (terminal_.portLost && !PortRetry->isActive())
        PortRetry->start();
    else if (!terminal_.portLost && PortRetry->isActive())
        PortRetry->stop();
    renderJournal();
    shown_ = d;
    if (site_) {
        // A line was written (the journal only grows within a run; a
        // shorter one is a new start): the sender looks now.
        const qsizetype journal = terminal_.state.JournalText.size();
        if (journal != siteSeenJournal_)
            site_->journalWritten();
        siteSeenJournal_ = journal;
    }
    if (link_) {
        std::optional<LinkDatabase> database;
        if (site_ && site_->running()) {
            const SiteStatus status = site_->status();
            database = LinkDatabase{status.ok, status.waiting};
        }
        PublishToLink(link_->hub(), terminal_, linkSeen_, database);
        // Told after this handler, never from inside a render.
        const QString problem = link_->takeProblem();
        if (!problem.isEmpty())
            QTimer::singleShot(0, this, [this, problem] { terminal_.panel.message(problem); });
    }
}

void Form1::renderJournal()
{
    const Display& d = terminal_.display;
    // The journal only grows during a run: append what is new rather than
    // lay out the whole day again at every weighing.
    if (d.Text1 != shownJournal_) {
        if (!shownJournal_.isEmpty() && d.Text1.startsWith(shownJournal_) && !shownJournal_.endsWith(u'\r')) {
            QTextCursor end(Text1->document());
            end.movePosition(QTextCursor::End);
            end.insertText(BoxText(QStringView(d.Text1).sliced(shownJournal_.size())));
        } else {
            Text1->setPlainText(BoxText(d.Text1));
        }
        shownJournal_ = d.Text1;
    } else if (d.Text1SelStart == shownSelStart_) {
        return;  // leave the operator's scrolling alone between changes
    }
    shownSelStart_ = d.Text1SelStart;
    QTextCursor caret = Text1->textCursor();
    // The caret almost always goes to the end; only another place needs the
    // journal scanned for its line ends.
    if (d.Text1SelStart >= d.Text1.size())
        caret.movePosition(QTextCursor::End);
    else
        caret.setPosition(static_cast<int>(BoxPosition(d.Text1, d.Text1SelStart)));
    Text1->setTextCursor(caret);
    Text1->ensureCursorVisible();
}

void Form1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Qt's own active window, not isActiveWindow(): on Windows the latter
    // also asks whether the native window is in front, which it still is
    // while Qt delivers a deactivation.
    if (event->type() != QEvent::ActivationChange || ActiveWindow() != this)
        return;
    // Activation means the first showing and every return from one of the
    // terminal's dialogs; coming back from another program is not one.
    if (!activatedOnce_ || returningFromDialog_)
        activate();
    activatedOnce_ = true;
    returningFromDialog_ = false;
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The first showing activates the window even where no window manager
    // hands it the focus (a kiosk session, a test display).
    if (!activatedOnce_) {
        activatedOnce_ = true;
        activate();
    }
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
{
    // Nothing is saved at exit: every weighing reached its files when it was
    // recorded.
    QCoreApplication::quit();
}

template <typename Dialog>
Dialog* Form1::dialog(QPointer<Dialog>& slot)
{
    // One instance at a time; a closed dialog is gone and made afresh.
    if (!slot) {
        slot = new Dialog(terminal_, this);
        connect(slot, &SettingsDialog::activated, this, [this] { returningFromDialog_ = true; });
    }
    return slot;
}

void Form1::showDialog(SettingsDialog* dialog)
{
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void Form1::mnu_Com_Click()
{
    showDialog(dialog(form2_));
}

void Form1::mnu_Ves_Click()
{
    showDialog(dialog(form3_));
}

void Form1::mnu_DayJournal_Click()
{
    // One window at a time; a closed one is gone and made afresh. Returning
    // from it is no return from a settings dialog: the main window is not
    // activated anew, so nothing on it changes.
    if (!dayJournal_)
        dayJournal_ = new DayJournalWindow(terminal_, this, site_);
    dayJournal_->show();
    dayJournal_->raise();
    dayJournal_->activateWindow();
}

void Form1::setLink(LinkService* link)
{
    link_ = link;
    render();
}

void Form1::mnu_Link_Click()
{
    if (!link_)
        return;
    LinkDialog dialog(*link_, terminal_.panel, this);
    dialog.exec();
}

void Form1::setSite(SiteService* site)
{
    site_ = site;
    siteSeenJournal_ = -1;
    render();
}

void Form1::mnu_Database_Click()
{
    if (!site_)
        return;
    DatabaseDialog dialog(*site_, terminal_.panel, this);
    dialog.exec();
}

void Form1::mnu_Prog_Click()
{
    ::mnu_Prog_Click(terminal_);
    render();
}

Form2* Form1::portDialog() const
{
    return form2_;
}

DayJournalWindow* Form1::dayJournalWindow() const
{
    return dayJournal_;
}

Form3* Form1::scaleDialog() const
{
    return form3_;
}
