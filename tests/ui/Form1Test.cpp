#include "ui/Form1.h"

#include "core/SettingsFile.h"
#include "journal/DayFile.h"
#include "support/MainWindowFixture.h"
#include "support/FakeClock.h"
#include "support/FakeOperatorPanel.h"
#include "support/FakeSerialPort.h"
#include "support/TempDataDir.h"
#include "core/Cp1251.h"
#include "core/TextRules.h"
#include "journal/RecordWeighing.h"
#include "ui/BackgroundWork.h"
#include "ui/DayJournalWindow.h"
#include "ui/ExportDialog.h"
#include "ui/Form3.h"
#include "ui/Lamp.h"
#include "ui/LinkDialog.h"
#include "ui/QtOperatorPanel.h"
#include "link/LinkService.h"
#include "link/WeightJson.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QThread>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>

namespace {

// Builds its own windows: most cases look at one before or during start-up.
class MainWindow : public MainWindowFixture {
protected:
    void storeSettings(const std::function<void(TerminalState&)>& change)
    {
        TerminalState s;
        SetDefaults(s);
        change(s);
        dir.write(SettingsFileName, EncodeSettings(s, {}).value);
    }
};

QColor Back(const QWidget* w)
{
    return w->palette().color(w->backgroundRole());
}

// Every control of the main window with its caption, place and look, in
// twips as the layout gives them.
TEST_F(MainWindow, EveryControlHasItsCaptionGeometryAndLook)
{
    Form1 form(t);
    struct Expected {
        const char* name;
        QString caption;
        int left, top, width, height;
        std::optional<QColor> back;
        bool visible;
    };
    const QColor readout(255, 255, 192);
    const QColor switchOff(255, 192, 192);
    const Expected controls[] = {
        {"Label7",
         QStringLiteral("№") + QString(22, u' ') + QStringLiteral("Дата") + QString(13, u' ') + QStringLiteral("Время") +
             QString(12, u' ') + QStringLiteral("Нетто") + QString(8, u' ') + QStringLiteral("Тара"),
         270, 210, 4785, 285, {}, true},
        {"Text1", QString(), 270, 510, 5055, 2835, {}, true},
        {"Picture1", QString(), 1650, 0, 5055, 3525, {}, false},
        {"Label5", QStringLiteral("Вес нетто"), 6960, 210, 1545, 345, {}, true},
        {"Shape1_2", QString(), 5550, 780, 345, 315, {}, true},
        {"Shape1_1", QString(), 5550, 1110, 345, 315, {}, true},
        {"Shape1_0", QString(), 5550, 1440, 345, 315, {}, true},
        {"Label2", QStringLiteral("0"), 5910, 600, 3585, 1155, readout, true},
        {"Label3", QStringLiteral("Кг"), 9540, 960, 735, 765, {}, true},
        {"Label10", QString(5, u' ') + QStringLiteral("Количество") + QString(18, u' ') + QStringLiteral("Суммарный вес, кг"),
         5880, 1800, 3735, 195, {}, true},
        {"Label9", QStringLiteral("0"), 5910, 2010, 1455, 435, readout, true},
        {"Label8", QStringLiteral("0"), 7530, 2010, 1995, 435, readout, true},
        {"Command3", QStringLiteral("Off"), 9570, 2040, 465, 435, switchOff, true},
        {"Label6", QString(11, u' ') + QStringLiteral("Тара, кг"), 7530, 2550, 1965, 225, {}, true},
        {"Label4", QStringLiteral("0"), 7530, 2790, 1965, 525, readout, true},
        {"Command2", QStringLiteral("Off"), 9540, 2850, 495, 435, switchOff, true},
        {"Command4", QStringLiteral("Записать"), 7500, 3990, 2055, 495, {}, true},
        {"Command1", QStringLiteral("Printer"), 2550, 5340, 1395, 345, {}, false},
        {"Label11", QStringLiteral("  Настройки порта"), 9090, 5400, 1695, 225, {}, true},
        {"Label1", QString(), 9060, 5640, 1635, 285, QColor(255, 128, 128), true},
    };
    for (const Expected& e : controls) {
        SCOPED_TRACE(e.name);
        auto* w = form.findChild<QWidget*>(QLatin1String(e.name));
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), QRect(e.left / 15, e.top / 15, e.width / 15, e.height / 15));
        if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_EQ(label->text(), e.caption);
        }
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(button->text(), e.caption);
        }
        if (e.back) {
            const QColor actual = qobject_cast<QPushButton*>(w) ? w->palette().color(QPalette::Button) : Back(w);
            EXPECT_EQ(actual, *e.back);
            if (!qobject_cast<QPushButton*>(w)) {
                EXPECT_TRUE(w->autoFillBackground());
            }
        }
        EXPECT_EQ(!w->isHidden(), e.visible);
    }

    EXPECT_EQ(form.windowTitle(), QStringLiteral("Вельтарские весы v1.01"));
    EXPECT_EQ(form.centralWidget()->size(), QSize(10680 / 15, 5925 / 15));
    for (const Lamp* lamp : form.Shape1)
        EXPECT_EQ(lamp->fill(), Colours::LampRed);
    EXPECT_EQ(form.Picture1->pixmap().size(), QSize(331, 239));
    EXPECT_TRUE(form.Text1->isReadOnly());
    EXPECT_EQ(form.Text1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.Label2->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(form.Label2->font().pointSizeF(), 48);
    EXPECT_DOUBLE_EQ(form.Text1->font().pointSizeF(), 11.25);
    EXPECT_EQ(form.Timer1->interval(), 300);
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer2->interval(), 50);
    EXPECT_FALSE(form.Timer2->isActive());
}

TEST_F(MainWindow, MenuBarHoldsTheItemsInOrder)
{
    Form1 form(t);
    QStringList top;
    for (QAction* a : form.menuBar()->actions())
        top << a->text();
    EXPECT_EQ(top, (QStringList{QStringLiteral("Меню"), QStringLiteral("Настройки"), QStringLiteral("О программе")}));

    const auto items = [](QAction* menu) {
        QStringList texts;
        for (QAction* a : menu->menu()->actions())
            texts << a->text();
        return texts;
    };
    EXPECT_EQ(items(form.menuBar()->actions()[0]),
              (QStringList{QStringLiteral("Печать отчета"), QStringLiteral("Журнал за день…"), QStringLiteral("Выход")}));
    // "СОМ" in Cyrillic letters.
    EXPECT_EQ(items(form.menuBar()->actions()[1]),
              (QStringList{QStringLiteral("СОМ порт"), QStringLiteral("Весы"), QStringLiteral("Обмен данными…"),
                           QStringLiteral("База данных…")}));
    EXPECT_EQ(form.mnu_Com->text(), QString::fromUtf8("\xD0\xA1\xD0\x9E\xD0\x9C \xD0\xBF\xD0\xBE\xD1\x80\xD1\x82"));
    for (QAction* a : {form.mnu_Print, form.mnu_DayJournal, form.mnu_Exit, form.mnu_Com, form.mnu_Ves, form.mnu_Link,
                       form.mnu_Database, form.mnu_Prog})
        EXPECT_TRUE(a->shortcut().isEmpty());
}

TEST_F(MainWindow, StartUpPaintsThePortTheJournalAndHidesTheRecordButton)
{
    dir.write(DayFileName(QString(), clock.currentDate()), QByteArray(" 1\t06-15-2026  09:00:00     10\xEA\xE3    0\xEA\xE3\r\n"));
    Form1 form(t);
    ASSERT_TRUE(form.load().ok());
    form.show();

    EXPECT_EQ(form.Label1->text(), QStringLiteral("COM1  9600,n,8,1"));
    EXPECT_EQ(Back(form.Label1), QColor(128, 255, 128));
    EXPECT_TRUE(form.Command4->isHidden());
    EXPECT_EQ(form.Text1->toPlainText(), QStringLiteral(" 1\t06-15-2026  09:00:00     10кг    0кг\n"));
    EXPECT_EQ(form.Text1->textCursor().position(), form.Text1->document()->characterCount() - 1);
    EXPECT_EQ(form.Command3->text(), QStringLiteral("0ff"));
    // The tare switch keeps its initial "Off" (letter O) until first clicked.
    EXPECT_EQ(form.Command2->text(), QStringLiteral("Off"));
}

TEST_F(MainWindow, ClosedPortPaintsTheIndicatorLightRed)
{
    port.present = false;
    Form1 form(t);
    ASSERT_TRUE(form.load().ok());
    form.show();
    EXPECT_EQ(panel.messages, QStringList{QStringLiteral("Порт не обнаружен")});
    EXPECT_EQ(Back(form.Label1), QColor(255, 128, 128));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("COM1  9600,n,8,1"));
}

TEST_F(MainWindow, ScaleDialogIsCreatedHiddenWithThePresets)
{
    storeSettings([](TerminalState& s) {
        s.ScaleKind = ScaleKindAed;
        s.AutoWeighOn = 0;
    });
    Form1 form(t);
    ASSERT_TRUE(form.load().ok());
    Form3* dialog = form.scaleDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_FALSE(dialog->Check1->isChecked());
    EXPECT_TRUE(dialog->Option2->isChecked());
    EXPECT_FALSE(dialog->Option1->isChecked());
    EXPECT_EQ(t.state.ScaleKind, ScaleKindAed);
}

TEST_F(MainWindow, UnknownScaleKindPresetsNoButtonAndStaysInForce)
{
    storeSettings([](TerminalState& s) { s.ScaleKind = 3; });
    Form1 form(t);
    ASSERT_TRUE(form.load().ok());
    Form3* dialog = form.scaleDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->Option2->isChecked());
    EXPECT_EQ(t.state.ScaleKind, 3);
    // Choosing a kind in the dialog acts at once, without saving.
    const QByteArray stored = dir.read(SettingsFileName);
    dialog->Option2->click();
    EXPECT_EQ(t.state.ScaleKind, ScaleKindAed);
    EXPECT_EQ(dir.read(SettingsFileName), stored);
}

TEST_F(MainWindow, AboutToggleAndScaleMenuOpenOneDialogOnly)
{
    Form1 form(t);
    ASSERT_TRUE(form.load().ok());
    form.show();
    const QString journal = form.Text1->toPlainText();

    form.mnu_Prog->trigger();
    EXPECT_FALSE(form.Picture1->isHidden());
    form.mnu_Prog->trigger();
    EXPECT_TRUE(form.Picture1->isHidden());
    EXPECT_EQ(form.Text1->toPlainText(), journal);

    form.mnu_Ves->trigger();
    form.mnu_Ves->trigger();
    EXPECT_EQ(form.findChildren<Form3*>().size(), 1);
    EXPECT_TRUE(form.scaleDialog()->isVisible());

    // Closed, the dialog is gone; the next choice makes a new one.
    form.scaleDialog()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form.findChildren<Form3*>().size(), 0);
    form.mnu_Ves->trigger();
    EXPECT_EQ(form.findChildren<Form3*>().size(), 1);
}

TEST_F(MainWindow, JournalGrowsByAppendingAndKeepsTheCaretAtItsEnd)
{
    Form1 form(t);
    ASSERT_TRUE(form.load().ok());
    form.show();

    QString journal;
    for (int n = 1; n <= 3; ++n) {
        journal += QStringLiteral(" %1\t06-15-2026  09:00:0%1     10кг    0кг\r\n").arg(n);
        t.display.Text1 = journal;
        t.display.Text1SelStart = journal.size();
        form.render();
    }
    QString expected = journal;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(form.Text1->toPlainText(), expected);
    EXPECT_EQ(form.Text1->textCursor().position(), expected.size());

    // A journal that is not a continuation (a new start of the text) replaces the box.
    t.display.Text1 = QStringLiteral("Сумма( 3)=  30\r\n");
    t.display.Text1SelStart = t.display.Text1.size();
    form.render();
    EXPECT_EQ(form.Text1->toPlainText(), QStringLiteral("Сумма( 3)=  30\n"));
    EXPECT_EQ(form.Text1->textCursor().position(), 15);
}

TEST_F(MainWindow, FocusStartsOnTheTareSwitchAndTabGoesThroughTheControlsInOrder)
{
    start([](TerminalState& s) { s.AutoWeighOn = 0; });
    ASSERT_FALSE(form->Command4->isHidden());
    EXPECT_TRUE(form->Command2->hasFocus());
    const auto tabs = [this](int count) {
        QStringList reached;
        for (int n = 0; n < count; ++n) {
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QCoreApplication::sendEvent(form->focusWidget(), &tab);
            reached << form->focusWidget()->objectName();
        }
        return reached;
    };
    EXPECT_EQ(tabs(4), (QStringList{QStringLiteral("Text1"), QStringLiteral("Command3"), QStringLiteral("Command4"),
                                    QStringLiteral("Command2")}));

    // Automatic weighing on hides Command4, and Tab passes over it.
    t.state.AutoWeighOn = 1;
    form->activate();
    ASSERT_TRUE(form->Command4->isHidden());
    EXPECT_EQ(tabs(3), (QStringList{QStringLiteral("Text1"), QStringLiteral("Command3"), QStringLiteral("Command2")}));
}

TEST_F(MainWindow, RenderPutsSwitchLooksLampsAndReadoutsOnTheWidgets)
{
    Form1 form(t);
    t.display.Command2 = SwitchOnLook;
    t.display.Shape1 = {Colours::LampGreen, Colours::LampGreen, Colours::LampRed};
    t.display.Label2 = QStringLiteral("12.5");
    t.display.Label4 = QStringLiteral("1.2");
    t.display.Label5 = QStringLiteral("Вес брутто");
    t.display.Command4Visible = false;
    t.display.Timer2Enabled = true;
    form.render();

    EXPECT_EQ(form.Command2->text(), QStringLiteral("0n"));
    EXPECT_EQ(form.Command2->palette().color(QPalette::Button), QColor(192, 255, 192));
    // The face shows the flat colour at its top and at its bottom, where a
    // style's gradient differs most; rows clear of the caption, whose glyphs
    // a platform without the face may draw wide.
    const QImage face = form.Command2->grab().toImage();
    for (const int y : {3, face.height() - 4}) {
        EXPECT_EQ(face.pixelColor(3, y), QColor(192, 255, 192)) << "row " << y;
        EXPECT_EQ(face.pixelColor(face.width() - 4, y), QColor(192, 255, 192)) << "row " << y;
    }
    EXPECT_EQ(form.Shape1[0]->fill(), Colours::LampGreen);
    EXPECT_EQ(form.Shape1[1]->fill(), Colours::LampGreen);
    EXPECT_EQ(form.Shape1[2]->fill(), Colours::LampRed);
    EXPECT_EQ(form.Label2->text(), QStringLiteral("12.5"));
    EXPECT_EQ(form.Label4->text(), QStringLiteral("1.2"));
    EXPECT_EQ(form.Label5->text(), QStringLiteral("Вес брутто"));
    EXPECT_TRUE(form.Command4->isHidden());
    EXPECT_TRUE(form.Timer2->isActive());

    t.display.Timer2Enabled = false;
    form.render();
    EXPECT_FALSE(form.Timer2->isActive());
}

}  // namespace

namespace {

TEST_F(MainWindow, PrintMenuPrintsAlthoughTheButtonIsHidden)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed; this test saves the report as a PDF instead";
    Form1 form(t);
    ASSERT_TRUE(form.load().ok());
    form.show();
    ASSERT_TRUE(form.Command1->isHidden());
    form.mnu_Print->trigger();
    // No printer on a test machine: the report is saved as a PDF and the
    // operator is told where, once.
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages[0].contains(QStringLiteral("06-15-2026.pdf"))) << panel.messages[0].toStdString();
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("06-15-2026.pdf"))));
}

// Every file of the data directory with its bytes and modification time.
QMap<QString, QPair<QByteArray, QDateTime>> DataFiles(const TempDataDir& dir)
{
    QMap<QString, QPair<QByteArray, QDateTime>> files;
    for (const QFileInfo& f : QDir(dir.path()).entryInfoList(QDir::Files | QDir::Hidden))
        files.insert(f.fileName(), {dir.read(f.fileName()), f.lastModified()});
    return files;
}

// Runs the event loop until the window has shown the day it is reading and
// finished any report it prints (or ten seconds have passed).
bool WaitDayJournal(DayJournalWindow* w)
{
    const QDeadlineTimer deadline(10000);
    while ((w->reading() || w->printing()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !w->reading() && !w->printing();
}

TEST_F(MainWindow, DayJournalWindowShowsChosenDaysAndChangesNoFile)
{
    const QByteArray earlier(" 1\t06-12-2026  08:00:00     10\xEA\xE3    0\xEA\xE3\r\n"
                             " 2\t06-12-2026  08:30:00     12.5\xEA\xE3    0\xEA\xE3\r\n"
                             "\xD1\xF3\xEC\xEC\xE0( 2)=  22.5\r\n");
    dir.write(QStringLiteral("06-12-2026.txt"), earlier);
    dir.write(QStringLiteral("06-15-2026.txt"), QByteArray(" 1\t06-15-2026  09:00:00     7\xEA\xE3    0\xEA\xE3\r\n"));
    start();
    // The first start beside journals written before the seal says so, once.
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_TRUE(panel.messages[0].startsWith(QStringLiteral("Печать журналов начата 06-15-2026: журналы прежних дней (1) "
                                                            "записаны без печати.")))
        << panel.messages[0].toStdString();
    panel.messages.clear();
    const TempDataDir documents;
    t.documentsDir = documents.path();
    const QRect mainGeometry = form->geometry();
    auto files = DataFiles(dir);

    form->mnu_DayJournal->trigger();
    form->mnu_DayJournal->trigger();
    ASSERT_EQ(form->findChildren<DayJournalWindow*>().size(), 1);
    DayJournalWindow* w = form->dayJournalWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WaitDayJournal(w));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Журнал за день"));
    EXPECT_EQ(w->Calendar->firstDayOfWeek(), Qt::Monday);
    EXPECT_EQ(w->Calendar->selectedDate(), clock.currentDate());
    EXPECT_EQ(w->Journal->toPlainText(), QStringLiteral(" 1\t06-15-2026  09:00:00     7кг    0кг\n"));
    EXPECT_EQ(w->Journal->font(), form->Text1->font());
    EXPECT_EQ(w->Journal->tabStopDistance(), form->Text1->tabStopDistance());
    EXPECT_EQ(w->Calendar->dateTextFormat(QDate(2026, 6, 12)).fontWeight(), QFont::Bold);
    EXPECT_NE(w->Calendar->dateTextFormat(QDate(2026, 6, 13)).fontWeight(), QFont::Bold);
    EXPECT_EQ(DataFiles(dir), files);

    // Today's file as it is now, with the weighing recorded meanwhile.
    t.state.NetWeight = 5;
    ASSERT_TRUE(RecordWeighing(t).ok());
    form->render();
    files = DataFiles(dir);
    emit w->Calendar->clicked(clock.currentDate());
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitDayJournal(w));
    EXPECT_EQ(w->Journal->toPlainText().count(u'\n'), 2);

    w->Calendar->setSelectedDate(QDate(2026, 6, 12));
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitDayJournal(w));
    QString shown = FromCp1251(earlier);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(w->Journal->toPlainText(), shown);
    EXPECT_TRUE(w->Summary->text().startsWith(QStringLiteral("12.06.2026:  Взвешиваний: 2 "))) << w->Summary->text().toStdString();
    EXPECT_TRUE(w->Summary->text().contains(QStringLiteral(": %1 кг").arg(DisplayNumberText(22.5))));
    EXPECT_TRUE(w->PrintButton->isEnabled());

    w->Calendar->setSelectedDate(QDate(2026, 6, 13));
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitDayJournal(w));
    EXPECT_EQ(w->Journal->toPlainText(), QStringLiteral("За этот день взвешиваний нет"));
    EXPECT_FALSE(w->PrintButton->isEnabled());

    w->Calendar->setSelectedDate(QDate(2026, 6, 12));
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitDayJournal(w));
    const bool printer = !QPrinterInfo::availablePrinters().isEmpty();
    if (!printer) {
        w->PrintButton->click();
        ASSERT_TRUE(WaitDayJournal(w));
        EXPECT_TRUE(QFile::exists(documents.file(QStringLiteral("06-12-2026.pdf"))));
        EXPECT_EQ(panel.messages.size(), 1);
    }
    EXPECT_TRUE(form->Timer1->isActive());

    w->CloseButton->click();
    DeleteClosed();
    EXPECT_EQ(form->dayJournalWindow(), nullptr);
    EXPECT_EQ(DataFiles(dir), files);
    EXPECT_EQ(form->geometry(), mainGeometry);
    if (printer)
        GTEST_SKIP() << "a printer is installed: the day's report was not printed, as it would reach the printer";
}

// The day window's reads and prints end on their own time: one that ends
// after its window has gone hands its result to no one.
TEST_F(MainWindow, BackgroundResultForAWindowGoneMeanwhileIsDropped)
{
    auto window = std::make_unique<QObject>();
    const auto finish = std::make_shared<QSemaphore>();
    const auto delivered = std::make_shared<bool>(false);
    auto delivery = std::make_shared<int>();  // held only by the delivery of the result
    const std::weak_ptr<int> deliverable = delivery;
    RunInBackground(
        window.get(), [finish] { finish->acquire(); }, [delivered, delivery] { *delivered = true; });
    delivery.reset();
    window.reset();
    finish->release();
    const QDeadlineTimer deadline(10000);
    while (!deliverable.expired() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(deliverable.expired());  // delivered or dropped, never to come
    EXPECT_FALSE(*delivered);

    // At the program's end, work still running is waited for.
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    const auto started = std::make_shared<QSemaphore>();
    QObject receiver;
    RunInBackground(
        &receiver, [started, ended] {
            started->release();
            QThread::msleep(200);  // long enough for an end that does not wait to come first
            *ended = true;
        }, [] {});
    started->acquire();
    WaitForBackgroundWork();
    EXPECT_TRUE(*ended);
}

// A day edited by hand in a UTF-8 editor and appended to since, a day too
// long to print unasked, and the window's keys and size.
TEST_F(MainWindow, DayJournalWindowReadsHandEditedDaysAsksBeforeLongPrintsAndGrows)
{
    const QByteArray edited("\xEF\xBB\xBF 1\t06-12-2026  08:00:00     10\xD0\xBA\xD0\xB3    0\xD0\xBA\xD0\xB3\r\n"
                            " 2\t06-12-2026  08:30:00     2.5\xEA\xE3    0\xEA\xE3\r\n"
                            "\xD0\xBF\xD1\x80\xD0\xBE\xD0\xB2\xD0\xB5\xD1\x80\xD0\xB5\xD0\xBD\xD0\xBE\r\n");
    dir.write(QStringLiteral("06-12-2026.txt"), edited);
    QByteArray longDay;
    for (int i = 0; i < PrintQuestionLines + 1; ++i)
        longDay += " 1\t06-13-2026  08:00:00     1\xEA\xE3    0\xEA\xE3\r\n";
    dir.write(QStringLiteral("06-13-2026.txt"), longDay);
    start();
    const TempDataDir documents;
    t.documentsDir = documents.path();
    form->mnu_DayJournal->trigger();
    DayJournalWindow* w = form->dayJournalWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WaitDayJournal(w));

    w->Calendar->setSelectedDate(QDate(2026, 6, 12));
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitDayJournal(w));
    EXPECT_EQ(w->Journal->toPlainText(),
              QStringLiteral(" 1\t06-12-2026  08:00:00     10кг    0кг\n 2\t06-12-2026  08:30:00     2.5кг    0кг\nпроверено\n"));
    EXPECT_TRUE(w->Summary->text().contains(QStringLiteral("Взвешиваний: 2 ")));
    EXPECT_TRUE(w->Summary->text().endsWith(QStringLiteral("Нераспознанных строк: 1 (строка 3)")))
        << w->Summary->text().toStdString();
    const QList<QTextEdit::ExtraSelection> marks = w->Journal->extraSelections();
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(w->Journal->document()->findBlock(marks[0].cursor.selectionStart()).blockNumber(), 2);
    EXPECT_EQ(marks[0].format.background().color(), UncountedLineColour);
    EXPECT_TRUE(marks[0].format.boolProperty(QTextFormat::FullWidthSelection));

    // Only the start of a very long day is laid out; its totals count it all.
    w->Calendar->setSelectedDate(QDate(2026, 6, 13));
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitDayJournal(w));
    EXPECT_TRUE(w->Journal->extraSelections().isEmpty());
    EXPECT_TRUE(w->Summary->text().contains(QStringLiteral("Взвешиваний: %1 ").arg(PrintQuestionLines + 1)));
    EXPECT_EQ(w->Journal->document()->blockCount(), 10000);
    EXPECT_TRUE(w->Summary->text().contains(QStringLiteral("\nПоказаны первые 10000 строк из 10001;")))
        << w->Summary->text().toStdString();
    panel.answer = false;
    w->PrintButton->click();
    ASSERT_TRUE(WaitDayJournal(w));
    ASSERT_EQ(panel.questions.size(), 1);
    EXPECT_EQ(panel.questions[0], QStringLiteral("В журнале за 13.06.2026 %1 строка. Печатать?").arg(PrintQuestionLines + 1));
    EXPECT_TRUE(QDir(documents.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(w->PrintButton->isEnabled());

    // The box takes at least what the window gains (more where a wider
    // window unwraps the lines under it).
    const QSize box = w->Journal->size();
    w->resize(w->width() + 200, w->height() + 100);
    QCoreApplication::processEvents();
    EXPECT_GE(w->Journal->width(), box.width() + 200);
    EXPECT_GE(w->Journal->height(), box.height() + 100);

    w->activateWindow();
    ASSERT_TRUE(WaitActive(w));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(w->Calendar, &escape);
    QCoreApplication::processEvents();
    DeleteClosed();
    EXPECT_EQ(form->dayJournalWindow(), nullptr);
}

TEST_F(MainWindow, DayJournalWindowTellsWhetherEachDayIsAsWrittenAndMarksChangedLines)
{
    dir.write(QStringLiteral("06-12-2026.txt"), QByteArray(" 1\t06-12-2026  08:00:00     10\xEA\xE3    0\xEA\xE3\r\n"));
    start();
    for (const double net : {5.0, 6.0, 7.0}) {
        t.state.NetWeight = net;
        ASSERT_TRUE(RecordWeighing(t).ok());
    }
    form->mnu_DayJournal->trigger();
    DayJournalWindow* w = form->dayJournalWindow();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(WaitDayJournal(w));
    EXPECT_EQ(w->SealStatus->text(), QStringLiteral("Журнал подлинный: 3 строки совпадают с записанными"));
    EXPECT_TRUE(w->Journal->extraSelections().isEmpty());

    // The second weighing's 6 kg made 9 kg in a text editor.
    QByteArray edited = dir.read(QStringLiteral("06-15-2026.txt"));
    const qsizetype six = edited.indexOf("     6\xEA\xE3");
    ASSERT_GT(six, 0);
    edited[six + 5] = '9';
    dir.write(QStringLiteral("06-15-2026.txt"), edited);
    emit w->Calendar->clicked(clock.currentDate());
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitDayJournal(w));
    EXPECT_EQ(w->SealStatus->text(), QStringLiteral("Журнал изменён после записи: строка 2"));
    const QList<QTextEdit::ExtraSelection> marks = w->Journal->extraSelections();
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(w->Journal->document()->findBlock(marks.first().cursor.selectionStart()).blockNumber(), 1);
    // Marked across the box, so the operator sees it beside the figures too.
    const QImage view = w->Journal->viewport()->grab().toImage();
    const QRect second = w->Journal->cursorRect(QTextCursor(w->Journal->document()->findBlockByNumber(1)));
    const QRect first = w->Journal->cursorRect(QTextCursor(w->Journal->document()->findBlockByNumber(0)));
    const int right = view.width() - 3;
    EXPECT_NE(view.pixelColor(right, second.center().y()), view.pixelColor(right, first.center().y()));
    EXPECT_EQ(view.pixelColor(right, second.center().y()), marks.first().format.background().color());

    w->Calendar->setSelectedDate(QDate(2026, 6, 12));
    QCoreApplication::processEvents();
    ASSERT_TRUE(WaitDayJournal(w));
    EXPECT_EQ(w->SealStatus->text(), QStringLiteral("Журнал без печати (записан до её появления)"));
    EXPECT_TRUE(w->Journal->extraSelections().isEmpty());
}

// The regional decimal comma stays on the display while a message is open,
// the export's included: what the window shows and what the office link
// says it shows are one text.
TEST_F(MainWindow, TheDisplaysDecimalSeparatorStaysWhileTheExportsMessageIsOpen)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const TempDataDir documents;
    QtOperatorPanel boxes;
    Terminal shown{TerminalState{}, Display{}, port, clock, boxes, dir.path(), documents.path()};
    dir.write(QStringLiteral("06-15-2026.txt"), ToCp1251(QStringLiteral(" 1\t06-15-2026  09:00:00     7кг    0кг\r\n")));
    LinkService link(dir.path());
    Form1 form(shown);
    ASSERT_TRUE(form.load().ok());
    form.setLink(&link);
    form.show();
    form.mnu_DayJournal->trigger();
    DayJournalWindow* window = form.dayJournalWindow();
    ASSERT_NE(window, nullptr);

    // Runs inside the export dialog's event loop, then the message's, where
    // the polls go on: the scale sends 12.5 kg once the message is open.
    // The message box, whichever window it belongs to, seen as it is shown.
    struct ShownBox : QObject {
        QPointer<QMessageBox> box;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show && qobject_cast<QMessageBox*>(watched))
                box = static_cast<QMessageBox*>(watched);
            return false;
        }
    } shownBox;
    QCoreApplication::instance()->installEventFilter(&shownBox);
    QPointer<QMessageBox>& box = shownBox.box;
    bool messageSeen = false;
    QString onScreen;
    QString published;
    const QDeadlineTimer deadline(30000);
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* dialog = window->findChild<ExportDialog*>(); dialog && dialog->isVisible()) {
            dialog->Buttons->button(QDialogButtonBox::Ok)->click();
            return;
        }
        if (!box || !box->isVisible())
            return;
        messageSeen = true;
        if (port.incoming.empty())
            port.incoming.push_back(QStringLiteral("\u0002  12.50ST"));
        if (form.Label2->text().startsWith(QStringLiteral("12")) || deadline.hasExpired()) {
            onScreen = form.Label2->text();
            published = QJsonDocument::fromJson(WeightJson(*link.hub().snapshot()))
                            .object()
                            .value(QStringLiteral("display"))
                            .toString();
            box->accept();
        }
    });
    watcher.start();
    window->ExportButton->click();
    watcher.stop();
    QCoreApplication::instance()->removeEventFilter(&shownBox);
    link.stop();
    QLocale::setDefault(saved);
    EXPECT_TRUE(messageSeen);
    EXPECT_EQ(onScreen, QStringLiteral("12,5"));
    EXPECT_EQ(published, onScreen);
}

TEST_F(MainWindow, LostPortIsRetriedEveryTwoSeconds)
{
    Form1 form(t);
    ASSERT_TRUE(form.load().ok());
    EXPECT_EQ(form.PortRetry->interval(), 2000);
    // Nothing but the polls wakes a terminal whose scale is there.
    EXPECT_FALSE(form.PortRetry->isActive());
    t.portLost = true;
    form.render();
    EXPECT_TRUE(form.PortRetry->isActive());
    t.portLost = false;
    form.render();
    EXPECT_FALSE(form.PortRetry->isActive());
}

TEST_F(MainWindow, TheLinkDialogChecksThePortMakesTheKeyAndAppliesAtOnceWhileTheWindowPublishes)
{
    LinkService link(dir.path());
    Form1 form(t);
    form.setLink(&link);
    // What the window shows reaches the hub, for the HTTP threads to read.
    ASSERT_TRUE(port.open().ok());
    t.display.Label2 = QStringLiteral("12.5");
    ++t.readings;
    form.render();
    EXPECT_TRUE(WeightJson(*link.hub().snapshot()).contains(R"("display":"12.5","lamps":0,"net":12.5)"))
        << WeightJson(*link.hub().snapshot()).toStdString();
    t.display.Label2 = QStringLiteral("Нет связи");
    ++t.readings;
    form.render();
    EXPECT_TRUE(WeightJson(*link.hub().snapshot()).contains(R"("net":null)"));

    // A reading with the regional decimal comma is the number it shows, and
    // three equal readings in a row are a settled load.
    LinkHub hub;
    LinkSeen seen;
    const auto start = std::chrono::steady_clock::now();
    const auto json = [&hub] { return WeightJson(*hub.snapshot()); };
    t.display.Label2 = QStringLiteral("12,5");
    t.state.NetWeight = 12.5;
    for (int i = 0; i < 3; ++i) {
        ++t.readings;
        PublishToLink(hub, t, seen, std::nullopt, start + std::chrono::milliseconds(300 * i));
        EXPECT_EQ(json().contains(R"("stable":true)"), i == 2) << i << ' ' << json().toStdString();
    }
    EXPECT_TRUE(json().contains(R"("net":12.5,)")) << json().toStdString();
    // A scale silent on an open port gives no weight, whatever the window
    // goes on showing; heard again, it counts its readings afresh.
    const auto silent = start + std::chrono::milliseconds(600) + LinkSilence + std::chrono::milliseconds(1);
    PublishToLink(hub, t, seen, std::nullopt, silent);
    EXPECT_TRUE(json().contains(R"("display":"12,5","lamps":0,"net":null)")) << json().toStdString();
    EXPECT_TRUE(json().contains(R"("stable":false)"));
    ++t.readings;
    PublishToLink(hub, t, seen, std::nullopt, silent);
    EXPECT_TRUE(json().contains(R"("net":12.5,)")) << json().toStdString();
    EXPECT_TRUE(json().contains(R"("stable":false)"));
    t.portLost = true;
    PublishToLink(hub, t, seen, std::nullopt, silent);
    EXPECT_TRUE(json().contains(R"("net":null,"port":"COM1","portOk":false)")) << json().toStdString();
    t.portLost = false;
    // A weighing goes out under its number in the day, not the life-time count.
    LinkHub::Cursor cursor = hub.cursor();
    t.state.TotalCount = 40;
    ASSERT_TRUE(RecordWeighing(t).ok());
    PublishToLink(hub, t, seen, std::nullopt, silent);
    const LinkHub::News news = hub.take(cursor);
    ASSERT_EQ(news.weighings.size(), 1u);
    EXPECT_TRUE(news.weighings[0].contains(R"("net":12.5,"number":1,)")) << news.weighings[0].toStdString();

    LinkDialog dialog(link, panel, &form);
    EXPECT_TRUE(dialog.Text2->text().isEmpty());  // no key until the network is opened
    dialog.Check2->click();
    const QString key = dialog.Text2->text();
    EXPECT_EQ(key.size(), 32);
    dialog.Command2->click();
    EXPECT_NE(dialog.Text2->text(), key);

    for (const char* bad : {"80", "65536", "84a7", ""}) {
        dialog.Text1->setText(QString::fromLatin1(bad));
        dialog.Command1->click();
        ASSERT_FALSE(panel.messages.isEmpty()) << bad;
        EXPECT_TRUE(panel.messages.takeLast().contains(QStringLiteral("от 1024 до 65535"))) << bad;
        EXPECT_FALSE(QFile::exists(dir.file(LinkSettingsFileName)));
    }
    dialog.Check1->setChecked(true);
    dialog.Check2->setChecked(false);
    dialog.Text1->setText(QStringLiteral("0"));
    // A free port, found by the service itself.
    int port = 0;
    for (int p = 28457; p < 28557 && port == 0; ++p) {
        LinkSettings probe;
        probe.enabled = true;
        probe.port = p;
        if (link.apply(probe).isEmpty())
            port = p;
    }
    ASSERT_NE(port, 0);
    link.stop();
    dialog.Text1->setText(QString::number(port));
    dialog.Command1->click();
    EXPECT_TRUE(panel.messages.isEmpty()) << panel.messages.join(u'\n').toStdString();
    EXPECT_TRUE(link.listening());
    EXPECT_EQ(link.settings().port, port);
    const LinkSettingsLoad saved = LoadLinkSettings(dir.path());
    EXPECT_TRUE(saved.warning.isEmpty());
    EXPECT_EQ(saved.settings, link.settings());
    EXPECT_FALSE(saved.settings.key.isEmpty());  // kept for when the network is opened again
    link.stop();
}

}  // namespace
