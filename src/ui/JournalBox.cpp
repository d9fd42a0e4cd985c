#include "ui/JournalBox.h"

#include "ui/Fonts.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

QPlainTextEdit* MakeJournalBox(QWidget* parent, const char* name, QRect geometry)
{
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setReadOnly(true);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setFont(SerifFont(11.25));
    box->setTabStopDistance(box->fontMetrics().averageCharWidth() * 8.0);
    // A read-only box shows no caret by default; the operator is to see
    // where the caret stands (the main window keeps it at the newest line).
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return box;
}

QString JournalHeadings()
{
    return QStringLiteral("№") + QString(22, u' ') + QStringLiteral("Дата") + QString(13, u' ') +
           QStringLiteral("Время") + QString(12, u' ') + QStringLiteral("Нетто") + QString(8, u' ') +
           QStringLiteral("Тара");
}

QString BoxText(QStringView journal)
{
    QString text = journal.toString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

void markLines(QPlainTextEdit* box, const QList<int>& lineNumbers /*1-based*/, const QColor& background)
{
    // Extra selections, not block formats: they go with the next setPlainText
    // and never spread to lines appended after a marked one.
    QList<QTextEdit::ExtraSelection> marks;
    for (const int number : lineNumbers) {
        const QTextBlock block = box->document()->findBlockByNumber(number - 1);
        if (!block.isValid())
            continue;
        QTextEdit::ExtraSelection mark;
        // No selection: a full-width mark without one fills the whole line.
        mark.cursor = QTextCursor(block);
        mark.format.setBackground(background);
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(mark);
    }
    box->setExtraSelections(marks);
}
