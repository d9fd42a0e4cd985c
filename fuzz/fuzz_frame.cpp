// The own scale's frame search and reader on arbitrary received text.
#include "core/Cp1251.h"
#include "fuzz/FuzzSeams.h"
#include "scale/ScaleReaders.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FromCp1251(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const QString frame = FindFrame(text);
    FUZZ_CHECK(frame.isEmpty() || frame.size() == 9);

    FuzzPort port;
    FuzzClock clock;
    FuzzPanel panel;
    Terminal t{TerminalState{}, Display{}, port, clock, panel, QString()};
    port.incoming.push_back(text);
    static_cast<void>(ReadVeltarScale(t));
    FUZZ_CHECK(std::isfinite(t.state.NetWeight));
    FUZZ_CHECK(t.state.NetWeight == t.state.RawWeight);
    FUZZ_CHECK(!t.display.Label2.isEmpty());
    if (frame.isEmpty())
        FUZZ_CHECK(t.state.NetWeight == 0);
    return 0;
}
