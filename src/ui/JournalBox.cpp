#include "ui/JournalBox.h"

#include "ui/Fonts.h"

#include <QColor>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

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

void markLines(QPlainTextEdit* box, const QList<int>& lineNumbers, const QColor& background)
{
    QList<QTextEdit::ExtraSelection> marks;
    for (const QTextEdit::ExtraSelection& mark : box->extraSelections()) {
        if (mark.format.background().color() != background)
            marks.append(mark);
    }
    const QTextDocument* document = box->document();
    for (const int number : lineNumbers) {
        const QTextBlock block = document->findBlockByNumber(number - 1);
        if (number < 1 || !block.isValid())
            continue;
        QTextEdit::ExtraSelection mark;
        // The whole block up to the next one, so that a line wrapped in a
        // narrow box is marked on every row and every row to the right edge
        // (a selection through the line end is painted across the box); the
        // last block has no line end, and a selection without text is
        // painted across the box too.
        mark.cursor = QTextCursor(block);
        const QTextBlock next = block.next();
        if (next.isValid())
            mark.cursor.setPosition(next.position(), QTextCursor::KeepAnchor);
        mark.format.setBackground(background);
        mark.format.setProperty(QTextFormat::FullWidthSelection, true);
        marks.append(mark);
    }
    box->setExtraSelections(marks);
}
