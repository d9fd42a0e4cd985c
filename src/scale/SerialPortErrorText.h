#pragma once

#include <QSerialPort>
#include <QString>

// Why a QSerialPort operation failed, in Russian. QSerialPort keeps the
// system's text and its own coarse kind of error; the text names the exact
// cause where it is a common one, the kind names it otherwise.
QString SerialPortErrorText(QSerialPort::SerialPortError error, const QString& qtText);
