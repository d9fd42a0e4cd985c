#pragma once

#include <QString>

#include <utility>

// The outcome of an operation that can fail. Errors carry a number and a
// description, as the operator is told both when one ends the program.
// A zero number means success.
struct [[nodiscard]] Status {
    int number = 0;
    QString description;

    bool ok() const { return number == 0; }

    static Status success() { return {}; }
    static Status failure(int errorNumber, QString text) { return {errorNumber, std::move(text)}; }
};

// A value or the failure that prevented it.
template <typename T>
struct [[nodiscard]] Result {
    T value{};
    Status status;

    bool ok() const { return status.ok(); }

    static Result success(T v) { return {std::move(v), Status::success()}; }
    static Result failure(Status s) { return {T{}, std::move(s)}; }
};

// Error numbers. They follow the numbers operators of the earlier terminal
// know from its error reports, so a report reads the same.
namespace ErrorNumber {
constexpr int Overflow = 6;
constexpr int TypeMismatch = 13;
constexpr int BadRecordLength = 59;
constexpr int DeviceIo = 57;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int FileNotFound = 53;
constexpr int InvalidPropertyValue = 380;
constexpr int PortNotOpen = 8012;
constexpr int PortAlreadyOpen = 8005;
constexpr int InvalidPortNumber = 8002;
constexpr int PortUnavailable = 8010;
constexpr int PortLost = 8020;
// The port was read but the scale said nothing usable (no frame, no answer).
constexpr int NoReading = 8100;
}  // namespace ErrorNumber
