#pragma once

#include <QString>

#include <array>
#include <cstdint>

// One recorded weighing, kept in memory for the day.
struct WeighingRecord {
    QString RecordDate;
    QString RecordTime;
    double Net = 0;
    double Tare = 0;
};

// Records(1..1000): the day's weighings by their number within the day.
// Slot 0 does not exist, so the day's numbering is used as the index directly.
struct WeighingRecords {
    static constexpr int First = 1;
    static constexpr int Last = 1000;

    std::array<WeighingRecord, Last> items;

    WeighingRecord& operator()(int n) { return items.at(static_cast<std::size_t>(n - First)); }
    const WeighingRecord& operator()(int n) const { return items.at(static_cast<std::size_t>(n - First)); }
};

enum : std::int16_t {
    ScaleKindVeltar = 1,
    ScaleKindAed = 2,
};

// Everything the terminal remembers between two events. Procedures read and
// write the fields directly. Flags hold 1 for on; any other value is off.
struct TerminalState {
    // Persisted in the settings file, in its record order.
    QString PortNumber;
    QString BaudRate;
    QString Parity;
    QString DataBits;
    QString StopBits;
    std::int16_t MinWeightGrams = 0;
    std::int16_t TotalCount = 0;
    std::int16_t DayIndex = 0;
    std::int16_t SumCount = 0;
    std::int16_t SumOn = 0;
    double SumWeight = 0;
    std::int16_t AutoWeighOn = 0;
    std::int16_t ScaleKind = 0;

    // Runtime only.
    std::int16_t AutoStep = 0;
    std::int16_t AutoLatched = 0;
    std::int16_t TareOn = 0;
    double RawWeight = 0;
    double NetWeight = 0;
    double TareWeight = 0;
    double TareRounded = 0;
    QString ReceivedText;
    std::array<double, 11> StableReadings{};
    QString JournalText;
    QString ScreenLine;
    QString FileLine;
    QString DayFilePath;
    QString DayFileOpenPath;
    QString FoundName;
    std::int16_t PathExists = 0;
    WeighingRecords Records;
};

// Factory defaults of the persisted fields (and the detector's step).
void SetDefaults(TerminalState& state);

// BaudRate, Parity, DataBits and StopBits joined by commas: "9600,n,8,1".
QString LineParameters(const TerminalState& state);
