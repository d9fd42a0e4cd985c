#pragma once

#include <QDialog>

class OperatorPanel;
class SiteService;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "База данных": the site database's settings. "Проверить соединение"
// connects on a thread of its own and says what it found; "Сохранить"
// writes Database.ini and applies the settings at once.
class DatabaseDialog final : public QDialog {
    Q_OBJECT
public:
    DatabaseDialog(SiteService& site, OperatorPanel& panel, QWidget* parent = nullptr);

    QCheckBox* Check1 = nullptr;      // Enabled
    QLineEdit* Text1 = nullptr;       // Connection
    QLineEdit* Text2 = nullptr;       // Terminal
    QPushButton* Command2 = nullptr;  // "Проверить соединение"
    QLabel* Label1 = nullptr;         // what the check found
    QPushButton* Command1 = nullptr;  // "Сохранить"

private:
    void Command2_Click();
    void Command1_Click();

    SiteService& site_;
    OperatorPanel& panel_;
    bool checking_ = false;
};
