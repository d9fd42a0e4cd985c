#pragma once

#include "core/Terminal.h"

#include <cstdlib>
#include <deque>

// The seams a fuzz target needs, without a test framework: a port fed from
// the fuzzer's bytes, a fixed clock, a silent operator panel.
class FuzzPort final : public SerialPort {
public:
    std::deque<QString> incoming;
    bool open_ = true;

    Status setPortNumber(std::int16_t) override { return Status::success(); }
    std::int16_t portNumber() const override { return 1; }
    Status setSettings(const QString&) override { return Status::success(); }
    QString settings() const override { return QStringLiteral("9600,n,8,1"); }
    Status open() override { return Status::success(); }
    Status close() override { return Status::success(); }
    bool isOpen() const override { return open_; }
    Status send(const QString&) override { return Status::success(); }
    Result<QString> receive() override
    {
        if (!open_)
            return Result<QString>::failure(Status::failure(ErrorNumber::PortNotOpen, QStringLiteral("closed")));
        QString text;
        if (!incoming.empty()) {
            text = incoming.front();
            incoming.pop_front();
        }
        return Result<QString>::success(text);
    }
};

class FuzzClock final : public Clock {
public:
    QDate currentDate() const override { return {2026, 6, 15}; }
    QTime currentTime() const override { return {9, 5, 30}; }
};

class FuzzPanel final : public OperatorPanel {
public:
    void message(const QString&) override {}
    void beep() override {}
};

// A broken invariant is a crash the fuzzer keeps.
#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition))     \
            std::abort();     \
    } while (false)
