#include "ui/Form3.h"

#include "support/MainWindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

class ScaleWindow : public MainWindowFixture {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override
    {
        form.reset();
        QLocale::setDefault(QLocale::system());
    }

    Form3* openDialog()
    {
        form->mnu_Ves->trigger();
        Form3* dialog = form->scaleDialog();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }

    // "Сохранить" with a threshold typed in; true when the dialog closed.
    bool save(Form3* dialog, const QString& grams)
    {
        dialog->Text1->setText(grams);
        dialog->Command1->click();
        DeleteClosed();
        return form->scaleDialog() == nullptr;
    }
};

TEST_F(ScaleWindow, DialogHasItsCaptionControlsAndTabOrder)
{
    start();
    Form3 dialog(t);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Настройка весов"));
    EXPECT_EQ(dialog.size(), QSize(4680 / 15, 3195 / 15));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_TRUE(dialog.isWindow());
    EXPECT_TRUE(dialog.testAttribute(Qt::WA_DeleteOnClose));

    const auto twips = [](int l, int t, int w, int h) { return QRect(l / 15, t / 15, w / 15, h / 15); };
    EXPECT_EQ(dialog.Text1->geometry(), twips(240, 240, 825, 315));
    EXPECT_EQ(dialog.Label1->geometry(), twips(1140, 300, 3375, 285));
    EXPECT_EQ(dialog.Command1->geometry(), twips(1440, 2640, 1395, 375));
    EXPECT_EQ(dialog.Check1->geometry(), twips(300, 750, 4215, 315));
    EXPECT_EQ(dialog.Frame1->geometry(), twips(270, 1290, 4245, 1245));
    EXPECT_EQ(dialog.Option1->geometry(), twips(150, 270, 3105, 255));
    EXPECT_EQ(dialog.Option2->geometry(), twips(150, 570, 3525, 345));
    EXPECT_EQ(dialog.Option1->parentWidget(), dialog.Frame1);
    EXPECT_EQ(dialog.Option2->parentWidget(), dialog.Frame1);

    // A dialog not yet shown holds the initial texts of its design.
    EXPECT_EQ(dialog.Text1->text(), QStringLiteral("200"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("минимальный фиксируемый вес, грамм"));
    EXPECT_EQ(dialog.Command1->text(), QStringLiteral("Сохранить"));
    EXPECT_EQ(dialog.Check1->text(), QStringLiteral("Автоматическое взвешивание"));
    EXPECT_TRUE(dialog.Check1->isChecked());
    EXPECT_EQ(dialog.Frame1->title(), QStringLiteral("Тип весов"));
    EXPECT_EQ(dialog.Option1->text(), QStringLiteral("Вельтарские весы"));
    EXPECT_TRUE(dialog.Option1->isChecked());
    EXPECT_EQ(dialog.Option2->text(), QStringLiteral("AED 9101B"));
    EXPECT_FALSE(dialog.Option2->isChecked());

    const QStringList order{"Text1", "Label1", "Command1", "Check1", "Frame1", "Option1", "Option2"};
    QStringList chain;
    QWidget* w = dialog.Text1;
    for (int guard = 0; guard < 100 && chain.size() < order.size(); ++guard, w = w->nextInFocusChain()) {
        if (order.contains(w->objectName()) && !chain.contains(w->objectName()))
            chain << w->objectName();
    }
    EXPECT_EQ(chain, order);
}

TEST_F(ScaleWindow, ASavedThresholdIsTakenAndTheDialogCloses)
{
    start();
    EXPECT_TRUE(save(openDialog(), QStringLiteral(" 350 ")));
    EXPECT_TRUE(panel.messages.isEmpty());
    EXPECT_EQ(t.state.MinWeightGrams, 350);
    EXPECT_EQ(stored().MinWeightGrams, 350);
    // Rounded half to even, with the decimal separator of the (C) locale.
    EXPECT_TRUE(save(openDialog(), QStringLiteral("3.5")));
    EXPECT_EQ(stored().MinWeightGrams, 4);
}

TEST_F(ScaleWindow, ARefusedThresholdKeepsTheOldOneAndTheDialog)
{
    start([](TerminalState& s) { s.MinWeightGrams = 500; });
    const QByteArray file = dir.read(SettingsFileName);
    Form3* dialog = openDialog();
    for (const QString& text : {QStringLiteral("40000"), QStringLiteral("abc")}) {
        SCOPED_TRACE(text.toStdString());
        panel.messages.clear();
        dialog->Check1->setChecked(false);
        EXPECT_FALSE(save(dialog, text));
        EXPECT_EQ(panel.messages, QStringList{QStringLiteral(" введите целое число грамм")});
        EXPECT_EQ(dir.read(SettingsFileName), file);
        EXPECT_EQ(t.state.MinWeightGrams, 500);
        EXPECT_EQ(t.state.AutoWeighOn, 1);
        ASSERT_EQ(form->scaleDialog(), dialog);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->Text1->text(), text);
    }
}

TEST_F(ScaleWindow, ReturningFromAMessageBoxKeepsTheOperatorsEntry)
{
    start();
    Form3* dialog = openDialog();
    ASSERT_TRUE(WaitActive(dialog));
    bool boxWasActive = false;
    panel.whileMessageOpen = [&] {
        QWidget box(dialog, Qt::Dialog);
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
        boxWasActive = WaitActive(&box);
        box.close();
    };
    dialog->Check1->setChecked(false);
    EXPECT_FALSE(save(dialog, QStringLiteral("12 kg")));
    ASSERT_TRUE(boxWasActive);
    ASSERT_TRUE(WaitActive(dialog));
    EXPECT_EQ(dialog->Text1->text(), QStringLiteral("12 kg"));
    EXPECT_FALSE(dialog->Check1->isChecked());

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
    EXPECT_FALSE(save(dialog, QStringLiteral("12 kg")));
    ASSERT_TRUE(boxWasActive);
    ASSERT_EQ(ActiveWindow(), form.get());
    ASSERT_TRUE(WaitActive(dialog));
    EXPECT_EQ(dialog->Text1->text(), QStringLiteral("200"));
    EXPECT_TRUE(dialog->Check1->isChecked());
}

TEST_F(ScaleWindow, AKindChosenAndThenClosedActsAtOnceButIsNotSaved)
{
    start();
    Form3* dialog = openDialog();
    dialog->Option2->click();
    dialog->close();
    DeleteClosed();
    EXPECT_EQ(form->scaleDialog(), nullptr);
    EXPECT_EQ(t.state.ScaleKind, ScaleKindAed);
    EXPECT_EQ(stored().ScaleKind, ScaleKindVeltar);
    EXPECT_EQ(stored().MinWeightGrams, 200);
}

TEST_F(ScaleWindow, ReopeningShowsWhatWasSavedNotTheInitialValues)
{
    start();
    Form3* dialog = openDialog();
    dialog->Option2->click();
    dialog->Check1->setChecked(false);
    ASSERT_TRUE(save(dialog, QStringLiteral("750")));
    EXPECT_EQ(stored().ScaleKind, ScaleKindAed);
    EXPECT_EQ(stored().AutoWeighOn, 0);

    dialog = openDialog();
    EXPECT_EQ(dialog->Text1->text(), QStringLiteral("750"));
    EXPECT_FALSE(dialog->Check1->isChecked());
    EXPECT_TRUE(dialog->Option2->isChecked());
    EXPECT_FALSE(dialog->Option1->isChecked());
}

TEST_F(ScaleWindow, UnsavedEntriesGiveWayToTheStoredOnesOnEveryActivation)
{
    start();
    Form3* dialog = openDialog();
    dialog->Check1->setChecked(false);
    dialog->Text1->setText(QStringLiteral("999"));
    dialog->Form_Activate();
    EXPECT_TRUE(dialog->Check1->isChecked());
    EXPECT_EQ(dialog->Text1->text(), QStringLiteral("200"));

    // The same through the window system: to the main window and back.
    ASSERT_TRUE(WaitActive(dialog));
    dialog->Check1->setChecked(false);
    ASSERT_TRUE(WaitActive(form.get()));
    form->mnu_Ves->trigger();
    ASSERT_TRUE(WaitActive(dialog));
    EXPECT_TRUE(dialog->Check1->isChecked());
}

TEST_F(ScaleWindow, AnUnknownStoredKindShowsTheOwnScaleButtonButStaysInForce)
{
    start([](TerminalState& s) { s.ScaleKind = 3; });
    Form3* dialog = openDialog();
    EXPECT_TRUE(dialog->Option1->isChecked());
    EXPECT_FALSE(dialog->Option2->isChecked());
    EXPECT_EQ(t.state.ScaleKind, 3);
    dialog->Form_Activate();
    EXPECT_EQ(t.state.ScaleKind, 3);
    // Saving writes the kind in force, not the button shown.
    ASSERT_TRUE(save(dialog, QStringLiteral("200")));
    EXPECT_EQ(stored().ScaleKind, 3);
}

TEST_F(ScaleWindow, SwitchingAutomaticWeighingOffBringsBackTheRecordButton)
{
    start();
    ASSERT_TRUE(form->Command4->isHidden());
    Form3* dialog = openDialog();
    ASSERT_TRUE(WaitActive(dialog));
    dialog->Check1->setChecked(false);
    ASSERT_TRUE(save(dialog, QStringLiteral("200")));
    EXPECT_EQ(t.state.AutoWeighOn, 0);
    EXPECT_EQ(stored().AutoWeighOn, 0);

    ASSERT_TRUE(WaitActive(form.get()));
    EXPECT_FALSE(form->Command4->isHidden());
}

TEST_F(ScaleWindow, AFailedSaveIsReportedAndKeepsTheDialog)
{
    start();
    Form3* dialog = openDialog();
    const QString settings = dir.file(SettingsFileName);
    ASSERT_TRUE(QFile::remove(settings));
    ASSERT_TRUE(QDir().mkdir(settings));

    EXPECT_FALSE(save(dialog, QStringLiteral("300")));
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_NE(panel.messages[0], QStringLiteral(" введите целое число грамм"));
    ASSERT_EQ(form->scaleDialog(), dialog);
    EXPECT_TRUE(dialog->isVisible());
}

}  // namespace
