// The operator's text to 16-bit integer conversion on arbitrary text.
#include "core/Cp1251.h"
#include "core/TextRules.h"
#include "fuzz/FuzzSeams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = FromCp1251(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Russian)}) {
        const auto value = TextToInt16(text, locale);
        if (!value)
            continue;
        // A converted value written back as a whole number converts to itself.
        const auto again = TextToInt16(QString::number(*value), locale);
        FUZZ_CHECK(again && *again == *value);
    }
    return 0;
}
