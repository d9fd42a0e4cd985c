#pragma once

#include "core/Rgb.h"

#include <QString>

#include <array>

// An on/off button of the main window: caption and painted background.
struct SwitchLook {
    QString caption;
    Rgb back;

    friend bool operator==(const SwitchLook&, const SwitchLook&) = default;
};

// The two looks of the tare and summation switches; both captions begin with
// the digit zero.
inline const SwitchLook SwitchOnLook{QStringLiteral("0n"), Colours::SwitchOn};
inline const SwitchLook SwitchOffLook{QStringLiteral("0ff"), Colours::SwitchOff};

// Everything the main window shows. Xlib also names a type Display, and
// <QApplication>/<QGuiApplication> bring it in on X11: a file that includes
// them must not include this header (use <QCoreApplication> or a separate
// file). Procedures write it; Form1::render() puts
// it on the widgets and is the only code that does.
struct Display {
    QString Label1;                       // port indicator caption
    Rgb Label1Back = Colours::PortClosed;
    QString Label2 = QStringLiteral("0"); // weight
    QString Label4 = QStringLiteral("0"); // tare
    QString Label5 = QStringLiteral("Вес нетто");
    QString Label8 = QStringLiteral("0"); // running sum
    QString Label9 = QStringLiteral("0"); // count in the sum
    SwitchLook Command2{QStringLiteral("Off"), Colours::SwitchOff};  // tare switch
    SwitchLook Command3{QStringLiteral("Off"), Colours::SwitchOff};  // summation switch
    bool Command4Visible = true;          // "Записать"
    QString Text1;                        // the journal box
    qsizetype Text1SelStart = 0;          // caret position in the journal box
    std::array<Rgb, 3> Shape1{Colours::LampRed, Colours::LampRed, Colours::LampRed};
    bool Picture1Visible = false;
    bool Timer2Enabled = false;
};
