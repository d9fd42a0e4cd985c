#pragma once

#include <QString>
#include <QWidget>

// What the two settings dialogs share: a modeless window of fixed size over
// the main window, destroyed when closed, that puts the stored settings on
// its controls each time the operator comes back to it from another window
// of the terminal, also by way of another program (but not straight from its
// own message box, nor straight from another program), and tells the main
// window when it becomes active.
class SettingsDialog : public QWidget {
    Q_OBJECT
public:
    // Puts the stored values on the controls; public so that it does not
    // depend on a window manager handing out focus.
    virtual void Form_Activate() = 0;

signals:
    // The dialog became the active window; the main window refreshes itself
    // when the operator comes back from it.
    void activated();

protected:
    SettingsDialog(QWidget* parent, const char* name, const QString& caption);

    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool awayAtMessage_ = false;
};
