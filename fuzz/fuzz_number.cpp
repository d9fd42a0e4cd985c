// The scale's number reader on arbitrary text.
#include "core/Cp1251.h"
#include "fuzz/FuzzSeams.h"
#include "scale/ParseLeadingNumber.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FromCp1251(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const auto value = ParseLeadingNumber(text);
    // Nothing is returned only for a value beyond a double; otherwise it is finite.
    if (value)
        FUZZ_CHECK(std::isfinite(*value));
    return 0;
}
