// The settings loader on arbitrary files: it loads or refuses, never reads
// out of bounds, and what it loads saves back to the same values.
#include "core/SettingsFile.h"
#include "fuzz/FuzzSeams.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TerminalState loaded;
    const TerminalState untouched = loaded;
    if (!DecodeSettings(bytes, loaded).ok()) {
        FUZZ_CHECK(loaded.PortNumber == untouched.PortNumber && loaded.ScaleKind == untouched.ScaleKind);
        return 0;
    }
    const auto saved = EncodeSettings(loaded, bytes.mid(SettingsLayout::FileLength));
    FUZZ_CHECK(saved.ok());
    FUZZ_CHECK(saved.value.size() >= SettingsLayout::FileLength);

    TerminalState again;
    FUZZ_CHECK(DecodeSettings(saved.value, again).ok());
    FUZZ_CHECK(again.PortNumber == loaded.PortNumber && again.BaudRate == loaded.BaudRate &&
               again.Parity == loaded.Parity && again.DataBits == loaded.DataBits &&
               again.StopBits == loaded.StopBits);
    FUZZ_CHECK(again.MinWeightGrams == loaded.MinWeightGrams && again.TotalCount == loaded.TotalCount &&
               again.DayIndex == loaded.DayIndex && again.SumCount == loaded.SumCount &&
               again.SumOn == loaded.SumOn && again.AutoWeighOn == loaded.AutoWeighOn &&
               again.ScaleKind == loaded.ScaleKind);
    FUZZ_CHECK(std::memcmp(&again.SumWeight, &loaded.SumWeight, sizeof(double)) == 0);
    return 0;
}
