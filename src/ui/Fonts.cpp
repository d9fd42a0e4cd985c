#include "ui/Fonts.h"

#include <QStringList>

namespace {

QFont Face(const QStringList& families, QFont::StyleHint hint, double points)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    return font;
}

}  // namespace

QFont SansFont(double points)
{
    return Face({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")},
                QFont::SansSerif, points);
}

QFont SerifFont(double points)
{
    return Face({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")},
                QFont::Serif, points);
}
