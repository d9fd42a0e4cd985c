#include "journal/DayFileText.h"

#include "core/Cp1251.h"

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
// Some byte above 0x7F is required: a plain ASCII line reads the same both
// ways.
bool IsUtf8Beyond7Bit(const unsigned char* p, qsizetype n)
{
    bool beyond = false;
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        beyond = true;
        int more = 0;
        unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (i + more >= n)
            return false;
        if (p[i + 1] < low || p[i + 1] > high)
            return false;
        for (int k = 2; k <= more; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return false;
        }
        i += more + 1;
    }
    return beyond;
}

}  // namespace

QString DayFileText(const QByteArray& bytes)
{
    qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QString text;
    text.reserve(bytes.size() - start);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    while (start < size) {
        // A line with its end: CR and LF are the same byte in both encodings.
        qsizetype end = start;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        while (end < size && (data[end] == '\n' || data[end] == '\r'))
            ++end;
        const QByteArray line = QByteArray::fromRawData(bytes.constData() + start, end - start);
        if (IsUtf8Beyond7Bit(data + start, end - start))
            text += QString::fromUtf8(line);
        else
            text += FromCp1251(line);
        start = end;
    }
    return text;
}
