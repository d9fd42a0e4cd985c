#pragma once

#include "core/Terminal.h"
#include "tests/support/InertSerialPort.h"

#include <cstdlib>
#include <deque>

// The seams a fuzz target needs, without a test framework: a port fed from
// the fuzzer's bytes, a fixed clock, a silent operator panel.
class FuzzPort final : public InertSerialPort {
public:
    std::deque<QString> incoming;
    bool open_ = true;

    bool isOpen() const override { return open_; }
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
    bool ask(const QString&) override { return false; }
    void beep() override {}
};

// A broken invariant is a crash the fuzzer keeps.
#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition))     \
            std::abort();     \
    } while (false)
