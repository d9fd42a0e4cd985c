#include "ui/Form2.h"
#include "ui/Form3.h"

#include "support/MainWindowFixture.h"
#include "ui/StartUp.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

class PortWindow : public MainWindowFixture {
protected:
    void SetUp() override { start(); }

    Form2* openDialog()
    {
        form->mnu_Com->trigger();
        Form2* dialog = form->portDialog();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }

    static void enter(QComboBox* combo, const QString& text)
    {
        combo->lineEdit()->selectAll();
        combo->lineEdit()->insert(text);
    }
};

TEST_F(PortWindow, DialogHasItsCaptionControlsListsAndTabOrder)
{
    Form2 dialog(t);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Настройка СОМ-порта компьютера"));
    // "СОМ" is written in Cyrillic letters.
    EXPECT_TRUE(dialog.windowTitle().startsWith(QString::fromUtf8("\xD0\x9D\xD0\xB0\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB9\xD0\xBA\xD0\xB0 \xD0\xA1\xD0\x9E\xD0\x9C")));
    EXPECT_EQ(dialog.size(), QSize(4680 / 15, 3195 / 15));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_TRUE(dialog.isWindow());
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_DeleteOnClose));

    struct Combo {
        const char* name;
        QStringList entries;
        int left, top;
    };
    const Combo combos[] = {
        {"Combo1", {"1", "2", "3", "4", "5", "6", "7", "8"}, 270, 270},
        {"Combo2", {"1200", "2400", "4800", "9600", "19200", "38400"}, 270, 810},
        {"Combo3", {"n", "e", "o", "s", "m"}, 270, 1350},
        {"Combo4", {"5", "6", "7", "8"}, 270, 1800},
        {"Combo5", {"1", "2"}, 270, 2340},
    };
    for (const Combo& c : combos) {
        SCOPED_TRACE(c.name);
        auto* combo = dialog.findChild<QComboBox*>(QLatin1String(c.name));
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->geometry(), QRect(c.left / 15, c.top / 15, 1005 / 15, 315 / 15));
        EXPECT_TRUE(combo->isEditable());
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        EXPECT_EQ(entries, c.entries);
    }

    struct Label {
        const char* name;
        QString caption;
        int left, top, width;
    };
    const Label labels[] = {
        {"Label1", QStringLiteral("СОМ-порт компьютера"), 1320, 330, 2625},
        {"Label2", QStringLiteral("Скорость обмена "), 1290, 870, 2535},
        {"Label3", QStringLiteral("Проверка на четность"), 1320, 1380, 2625},
        {"Label4", QStringLiteral("Количество бит в символе"), 1320, 1860, 2535},
        {"Label5", QStringLiteral("Количество стоповых битов"), 1290, 2370, 2535},
    };
    for (const Label& l : labels) {
        SCOPED_TRACE(l.name);
        auto* label = dialog.findChild<QLabel*>(QLatin1String(l.name));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), l.caption);
        EXPECT_EQ(label->geometry(), QRect(l.left / 15, l.top / 15, l.width / 15, 285 / 15));
    }
    EXPECT_EQ(dialog.Command1->text(), QStringLiteral("Сохранить"));
    EXPECT_EQ(dialog.Command1->geometry(), QRect(1560 / 15, 2850 / 15, 1095 / 15, 285 / 15));

    const QStringList order{"Combo1", "Label1", "Combo2", "Label2", "Combo3", "Label3",
                            "Combo4", "Label4", "Combo5", "Label5", "Command1"};
    QStringList chain;
    QWidget* w = dialog.Combo1;
    for (int guard = 0; guard < 100 && chain.size() < order.size(); ++guard, w = w->nextInFocusChain()) {
        if (order.contains(w->objectName()) && !chain.contains(w->objectName()))
            chain << w->objectName();
    }
    EXPECT_EQ(chain, order);
}

TEST_F(PortWindow, AFreshDialogShowsTheStoredTextsNotTheInitialOnes)
{
    // The initial parity "e" differs from the stored default "n".
    Form2* dialog = openDialog();
    EXPECT_EQ(dialog->texts(), (PortDialogTexts{"1", "9600", "n", "8", "1"}));
}

TEST_F(PortWindow, TheListsStayFixedAndTypedTextIsNotCompleted)
{
    Form2* dialog = openDialog();
    ASSERT_TRUE(WaitActive(dialog));
    dialog->Combo2->setFocus();
    dialog->Combo2->lineEdit()->clear();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_1, Qt::NoModifier, QStringLiteral("1"));
    QCoreApplication::sendEvent(dialog->Combo2->lineEdit(), &press);
    // A list entry beginning with the typed text must not stand in for it.
    EXPECT_EQ(dialog->Combo2->currentText(), QStringLiteral("1"));
    enter(dialog->Combo2, QStringLiteral("57600"));
    emit dialog->Combo2->lineEdit()->returnPressed();
    EXPECT_EQ(dialog->Combo2->count(), 6);
    EXPECT_EQ(dialog->Combo2->currentText(), QStringLiteral("57600"));
}

TEST_F(PortWindow, ChoosingTheMenuAgainOpensNoSecondDialog)
{
    Form2* dialog = openDialog();
    form->mnu_Com->trigger();
    EXPECT_EQ(form->findChildren<Form2*>().size(), 1);
    EXPECT_EQ(form->portDialog(), dialog);
    EXPECT_TRUE(dialog->isVisible());

    dialog->close();
    DeleteClosed();
    EXPECT_EQ(form->findChildren<Form2*>().size(), 0);
    openDialog();
    EXPECT_EQ(form->findChildren<Form2*>().size(), 1);
}

TEST_F(PortWindow, SavingAPresentPortClosesTheDialogAndTheMainWindowShowsIt)
{
    Form2* dialog = openDialog();
    ASSERT_TRUE(WaitActive(dialog));
    enter(dialog->Combo1, QStringLiteral("2"));
    enter(dialog->Combo3, QStringLiteral("e"));
    dialog->Command1->click();
    DeleteClosed();

    EXPECT_EQ(form->portDialog(), nullptr);
    EXPECT_TRUE(panel.messages.isEmpty());
    EXPECT_EQ(t.state.PortNumber, QStringLiteral("2"));
    TerminalState stored;
    ASSERT_TRUE(DecodeSettings(dir.read(SettingsFileName), stored).ok());
    EXPECT_EQ(stored.PortNumber, QStringLiteral("2"));
    EXPECT_EQ(stored.Parity, QStringLiteral("e"));

    // Back in the main window, its activation repaints the port indicator.
    ASSERT_TRUE(WaitActive(form.get()));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("COM2  9600,e,8,1"));
    EXPECT_EQ(form->Label1->palette().color(form->Label1->backgroundRole()), QColor(128, 255, 128));
}

TEST_F(PortWindow, AMissingPortKeepsTheDialogAndTheFile)
{
    const QByteArray file = dir.read(SettingsFileName);
    port.present = false;
    Form2* dialog = openDialog();
    enter(dialog->Combo1, QStringLiteral("3"));
    enter(dialog->Combo2, QStringLiteral("4800"));
    dialog->Command1->click();
    DeleteClosed();

    EXPECT_EQ(panel.messages, QStringList{QStringLiteral("Порт не обнаружен")});
    EXPECT_EQ(dir.read(SettingsFileName), file);
    EXPECT_EQ(t.state.PortNumber, QStringLiteral("3"));
    EXPECT_EQ(t.state.BaudRate, QStringLiteral("4800"));
    ASSERT_EQ(form->portDialog(), dialog);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(PortWindow, RefusedTextsChangeNothingAndStayForCorrecting)
{
    const QByteArray file = dir.read(SettingsFileName);
    Form2* dialog = openDialog();
    ASSERT_TRUE(WaitActive(dialog));
    const QString tooLong(49, u'9');
    for (const QString& number : {QStringLiteral("abc"), QStringLiteral("0"), QStringLiteral("256")}) {
        SCOPED_TRACE(number.toStdString());
        panel.messages.clear();
        enter(dialog->Combo1, number);
        dialog->Command1->click();
        DeleteClosed();
        ASSERT_EQ(panel.messages.size(), 1);
        EXPECT_NE(panel.messages[0], PortNotFoundMessage);
        ASSERT_EQ(form->portDialog(), dialog);
        EXPECT_EQ(dialog->Combo1->currentText(), number);
    }
    panel.messages.clear();
    enter(dialog->Combo1, QStringLiteral("2"));
    enter(dialog->Combo2, tooLong);
    dialog->Command1->click();
    DeleteClosed();
    EXPECT_EQ(panel.messages.size(), 1);
    ASSERT_EQ(form->portDialog(), dialog);

    EXPECT_EQ(t.state.PortNumber, QStringLiteral("1"));
    EXPECT_EQ(t.state.BaudRate, QStringLiteral("9600"));
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(dir.read(SettingsFileName), file);
}

TEST_F(PortWindow, ReturningFromAMessageBoxKeepsTheOperatorsEntry)
{
    Form2* dialog = openDialog();
    ASSERT_TRUE(WaitActive(dialog));
    // The real message box is a modal window over the dialog and takes the
    // activation while it is open.
    bool boxWasActive = false;
    panel.whileMessageOpen = [&] {
        QWidget box(dialog, Qt::Dialog);
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        boxWasActive = WaitActive(&box);
        box.close();
    };
    enter(dialog->Combo1, QStringLiteral("abc"));
    dialog->Command1->click();
    ASSERT_TRUE(boxWasActive);
    ASSERT_TRUE(WaitActive(dialog));
    EXPECT_EQ(dialog->Combo1->currentText(), QStringLiteral("abc"));

    // Where closing the box hands the activation to no window, a visit to
    // the main window still counts as leaving the dialog.
    panel.whileMessageOpen = [&] {
        QWidget box(dialog, Qt::Dialog);
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        boxWasActive = WaitActive(&box);
        box.close();
        WaitActive(form.get());
    };
    boxWasActive = false;
    dialog->Command1->click();
    ASSERT_TRUE(boxWasActive);
    ASSERT_EQ(ActiveWindow(), form.get());
    ASSERT_TRUE(WaitActive(dialog));
    EXPECT_EQ(dialog->Combo1->currentText(), QStringLiteral("1"));
}

TEST_F(PortWindow, UnsavedEditsGiveWayToTheStoredTextsOnEveryActivation)
{
    Form2* dialog = openDialog();
    enter(dialog->Combo2, QStringLiteral("19200"));
    dialog->Form_Activate();
    EXPECT_EQ(dialog->Combo2->currentText(), QStringLiteral("9600"));

    // The same through the window system: to the main window and back.
    ASSERT_TRUE(WaitActive(dialog));
    enter(dialog->Combo2, QStringLiteral("38400"));
    ASSERT_TRUE(WaitActive(form.get()));
    form->mnu_Com->trigger();
    ASSERT_TRUE(WaitActive(dialog));
    EXPECT_EQ(dialog->Combo2->currentText(), QStringLiteral("9600"));

    // By way of another program (a window that is none of the terminal's)
    // and the scale dialog: that is a visit to another window too.
    enter(dialog->Combo2, QStringLiteral("19200"));
    QWindow otherProgram;
    otherProgram.show();
    otherProgram.requestActivate();
    const QDeadlineTimer deadline(1000);
    while (ActiveWindow() != nullptr && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(ActiveWindow(), nullptr);
    form->mnu_Ves->trigger();
    ASSERT_TRUE(WaitActive(form->scaleDialog()));
    ASSERT_TRUE(WaitActive(dialog));
    EXPECT_EQ(dialog->Combo2->currentText(), QStringLiteral("9600"));
}

TEST_F(PortWindow, TheCloseBoxChangesNothing)
{
    const QByteArray file = dir.read(SettingsFileName);
    const int opens = port.openCalls;
    Form2* dialog = openDialog();
    enter(dialog->Combo1, QStringLiteral("5"));
    enter(dialog->Combo3, QStringLiteral("o"));
    dialog->close();
    DeleteClosed();

    EXPECT_EQ(form->portDialog(), nullptr);
    EXPECT_EQ(t.state.PortNumber, QStringLiteral("1"));
    EXPECT_EQ(t.state.Parity, QStringLiteral("n"));
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_EQ(port.settings(), QStringLiteral("9600,n,8,1"));
    EXPECT_EQ(port.openCalls, opens);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(dir.read(SettingsFileName), file);
    EXPECT_TRUE(panel.messages.isEmpty());
}

TEST_F(PortWindow, AFailedSaveIsReportedAndKeepsTheDialog)
{
    Form2* dialog = openDialog();
    const QString settings = dir.file(SettingsFileName);
    ASSERT_TRUE(QFile::remove(settings));
    ASSERT_TRUE(QDir().mkdir(settings));
    enter(dialog->Combo1, QStringLiteral("2"));
    dialog->Command1->click();
    DeleteClosed();

    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_NE(panel.messages[0], PortNotFoundMessage);
    ASSERT_EQ(form->portDialog(), dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.portNumber(), 2);
}

}  // namespace
