#include "site/LineSeals.h"

#include "journal/SealFile.h"

QHash<int, QByteArray> LineSealCodes(const QString& dataDir, const QDate& day)
{
    QHash<int, QByteArray> codes;
    const Result<QByteArray> bytes = ReadWholeFile(SealFileName(dataDir, day), true);
    if (!bytes.ok())
        return codes;
    const SealFileContent content = ParseSealFile(bytes.value);
    for (qsizetype i = 1; i < content.lines.size(); ++i) {
        // Only lines in their place: after the first that is not, the
        // numbering says nothing of which journal line a code belongs to.
        if (content.firstBadLine >= 0 && i >= content.firstBadLine)
            break;
        const SealLine& line = content.lines[i];
        codes.insert(line.number, line.code.toHex());
    }
    return codes;
}
