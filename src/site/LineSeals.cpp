#include "site/LineSeals.h"

#include "journal/SealCheck.h"

QHash<int, QByteArray> LineSealCodes(const QString& dataDir, const QDate& day)
{
    // Only codes the seal vouches for under the key: a seal line copied or
    // left over after an edit gives its line no code.
    QHash<int, QByteArray> codes;
    const QStringList byLine = SealCodesOfLines(dataDir, day);
    for (qsizetype i = 0; i < byLine.size(); ++i) {
        if (!byLine[i].isNull())
            codes.insert(static_cast<int>(i + 1), byLine[i].toLatin1());
    }
    return codes;
}
