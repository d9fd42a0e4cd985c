#pragma once

#include <QString>

#include <optional>

// Line parameters as the port uses them, read from text like "9600,n,8,1":
// baud rate, parity letter (n, e, o, s, m), data bits (5 to 8), stop bits
// (1, 1.5 or 2). Kept apart from the port so both the real port and its fake
// accept and refuse the same texts.
struct LineSettings {
    enum class Parity { None, Even, Odd, Space, Mark };
    enum class StopBits { One, OneAndHalf, Two };

    int baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
};

std::optional<LineSettings> ParseLineSettings(const QString& text);

// The text in effect, as the port reports it back: "9600,n,8,1".
QString LineSettingsText(const LineSettings& settings);

// Port numbers the terminal can name (COM1 to COM255).
constexpr int MinPortNumber = 1;
constexpr int MaxPortNumber = 255;
