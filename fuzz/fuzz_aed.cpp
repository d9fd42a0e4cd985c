// The AED reader over a run of arbitrary answers: the input's 0x00 bytes
// separate the answers of successive passes, and a 0x01 byte toggles the tare.
#include "core/Cp1251.h"
#include "fuzz/FuzzSeams.h"
#include "scale/ScaleReaders.h"
#include "weighing/TareSwitch.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzPort port;
    FuzzClock clock;
    FuzzPanel panel;
    Terminal t{TerminalState{}, Display{}, port, clock, panel, QString()};

    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& answer : bytes.split('\0')) {
        if (answer.startsWith('\x01'))
            Command2_Click(t);
        port.incoming.push_back(FromCp1251(answer));
        static_cast<void>(ReadAedScale(t));
        const TerminalState& s = t.state;
        FUZZ_CHECK(std::isfinite(s.RawWeight) && std::isfinite(s.NetWeight) && std::isfinite(s.TareRounded));
        // Net and tare are whole tenths of a kilogram.
        FUZZ_CHECK(std::floor(s.NetWeight * 10) / 10 == s.NetWeight || std::fabs(s.NetWeight) > 1e15);
        FUZZ_CHECK(s.NetWeight > 0.01 || t.display.Label2 == QStringLiteral("0"));
    }
    return 0;
}
