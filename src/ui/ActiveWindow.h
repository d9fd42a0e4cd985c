#pragma once

class QWidget;

// The window Qt has made the active one, the one its activation events
// follow. Unlike QWidget::isActiveWindow(), which on Windows also asks
// whether the native window is in front, it changes only as those events are
// delivered. Here rather than from <QApplication>, whose X11 types clash
// with the terminal's Display record.
QWidget* ActiveWindow();
