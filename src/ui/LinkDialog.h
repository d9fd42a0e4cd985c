#pragma once

#include <QDialog>

class LinkService;
class OperatorPanel;
class QCheckBox;
class QLineEdit;
class QPushButton;

// "Обмен данными": the office link's settings. Saving writes Link.ini and
// applies the settings at once (the port is closed and opened anew).
class LinkDialog final : public QDialog {
    Q_OBJECT
public:
    LinkDialog(LinkService& link, OperatorPanel& panel, QWidget* parent = nullptr);

    QCheckBox* Check1 = nullptr;    // Enabled
    QLineEdit* Text1 = nullptr;     // Port
    QCheckBox* Check2 = nullptr;    // Network
    QLineEdit* Text2 = nullptr;     // Key (read only)
    QPushButton* Command2 = nullptr; // "Новый ключ"
    QLineEdit* Text3 = nullptr;     // Origins
    QPushButton* Command1 = nullptr; // "Сохранить"

private:
    void Check2_Click();
    void Command2_Click();
    void Command1_Click();

    LinkService& link_;
    OperatorPanel& panel_;
};
