#include "ui/SettingsDialog.h"

#include "ui/ActiveWindow.h"
#include "ui/Fonts.h"
#include "ui/Twips.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

namespace {

// A message box of the terminal's own, opened over the dialog, takes the
// activation away for a moment.
bool HasOpenMessage(const QWidget* dialog)
{
    const auto children = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return std::any_of(children.begin(), children.end(),
                       [](const QWidget* w) { return w->isWindow() && w->isModal() && w->isVisible(); });
}

}  // namespace

SettingsDialog::SettingsDialog(QWidget* parent, const char* name, const QString& caption) : QWidget(parent, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Watches the activations of the terminal's other windows: any of them,
    // not only the main window, may stand between leaving and coming back.
    QCoreApplication::instance()->installEventFilter(this);
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setFont(SansFont(8));
    // Both dialogs have the same client area, 4680 x 3195 twips.
    setFixedSize(Px(4680), Px(3195));
}

void SettingsDialog::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    // Not isActiveWindow(): on Windows it is still true while a closing
    // dialog is told that it lost the activation.
    if (ActiveWindow() != this) {
        // Leaving for another program (no window of the terminal active) is
        // no visit to the main window either: the entry stays as typed.
        awayAtMessage_ = HasOpenMessage(this) || ActiveWindow() == nullptr;
        return;
    }
    // Coming back from a message box is no return from another window: the
    // operator's entry stays for correcting.
    if (!awayAtMessage_)
        Form_Activate();
    awayAtMessage_ = false;
    emit activated();
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Another window of the terminal (the main window, the other dialog) was
    // active in between, so the next activation is a return from it: after a
    // message box that handed the activation to no one, and after a detour
    // through another program that ended in that window. The dialog's own
    // message boxes are no such window.
    if (awayAtMessage_ && event->type() == QEvent::ActivationChange && watched->isWidgetType()) {
        const auto* window = static_cast<QWidget*>(watched);
        if (window == ActiveWindow() && window != this && window->parentWidget() != this)
            awayAtMessage_ = false;
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsDialog::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The first showing counts as an activation even where no window manager
    // hands the dialog the focus.
    Form_Activate();
}
