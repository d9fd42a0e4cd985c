#include "ui/ExportDialog.h"

#include "support/TerminalFixture.h"
#include "ui/DayJournalWindow.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QTimer>

namespace {

using ExportDialogTest = TerminalFixture;

// "Экспорт…" in the day's journal asks for the days, refuses a range that
// runs backwards or is too long, and writes the table to the documents
// folder under a name the message gives in full.
TEST_F(ExportDialogTest, ExportWritesTheDaysAsCsvToTheDocumentsFolderAndNamesThePath)
{
    const TempDataDir documents;
    t.documentsDir = documents.path();
    dir.write(QStringLiteral("06-12-2026.txt"), ToCp1251(QStringLiteral(" 1\t06-12-2026  08:00:00     12.4кг    0кг\r\n"
                                                                         " 2\t06-12-2026  08:30:00    -2.5кг    1.25кг\r\n"
                                                                         "Сумма( 2)=  9.9\r\n"
                                                                         "исправлено вручную\r\n")));
    dir.write(QStringLiteral("06-15-2026.txt"), ToCp1251(QStringLiteral(" 1\t06-15-2026  09:00:00     7кг    0кг\r\n")));
    DayJournalWindow window(t, nullptr);
    window.showDay(QDate(2026, 6, 12));
    panel.messages.clear();

    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = window.findChild<ExportDialog*>();
        if (!dialog)
            return;
        asked = true;
        EXPECT_EQ(dialog->FromEdit->date(), QDate(2026, 6, 12));
        EXPECT_EQ(dialog->ToEdit->date(), QDate(2026, 6, 12));
        dialog->FromEdit->setDate(QDate(2026, 6, 16));
        dialog->ToEdit->setDate(QDate(2026, 6, 15));
        dialog->Buttons->button(QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(panel.messages, QStringList{QStringLiteral("Первый день позже последнего.")});
        panel.messages.clear();
        dialog->FromEdit->setDate(QDate(2025, 6, 14));  // 367 days, one more than a table takes
        dialog->Buttons->button(QDialogButtonBox::Ok)->click();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(panel.messages, QStringList{QStringLiteral("За один раз сохраняется не больше 366 дней.")});
        panel.messages.clear();
        dialog->FromEdit->setDate(QDate(2026, 6, 12));
        dialog->Buttons->button(QDialogButtonBox::Ok)->click();
    });
    window.ExportButton->click();
    ASSERT_TRUE(asked);

    const QString file = documents.file(QStringLiteral("Взвешивания 12.06.2026-15.06.2026.csv"));
    EXPECT_EQ(documents.read(QStringLiteral("Взвешивания 12.06.2026-15.06.2026.csv")),
              QByteArray("\xEF\xBB\xBF") + QStringLiteral("Номер;Дата;Время;Нетто, кг;Тара, кг\r\n"
                                                           "1;12.06.2026;08:00:00;12,4;0\r\n"
                                                           "2;12.06.2026;08:30:00;-2,5;1,25\r\n"
                                                           "1;15.06.2026;09:00:00;7;0\r\n")
                                               .toUtf8());
    ASSERT_EQ(panel.messages.size(), 1);
    EXPECT_EQ(panel.messages[0], QStringLiteral("Взвешивания за 12.06.2026–15.06.2026 (3) сохранены в файле %1\n"
                                                "Нераспознанных строк, не вошедших в файл: 1.")
                                     .arg(QDir::toNativeSeparators(file)));
}

}  // namespace
