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
    // Arial first: the window's geometry is measured in its metrics, and on
    // Windows "MS Sans Serif" is a bitmap face with a few sizes only, which
    // would not fill the 18 and 24 point labels. Liberation Sans has Arial's
    // metrics where Arial is missing.
    return Face({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Microsoft Sans Serif"),
                 QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")},
                QFont::SansSerif, points);
}

QFont SerifFont(double points)
{
    return Face({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")},
                QFont::Serif, points);
}

QFont MonoFont(double points)
{
    // Named rather than the system's fixed-width font, which is whatever a
    // machine happens to have, and not always a face of one width for Latin
    // and Cyrillic alike. Courier New is on every Windows; Liberation Mono
    // has its metrics, and DejaVu Sans Mono comes with Qt on Debian.
    return Face({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")},
                QFont::TypeWriter, points);
}
