#include "ui/Pictures.h"

#include "ui/Fonts.h"

#include <QLinearGradient>
#include <QPainter>

QPixmap AboutPicture()
{
    QPixmap picture(331, 239);
    QPainter p(&picture);
    QLinearGradient sky(0, 0, 0, 239);
    sky.setColorAt(0, QColor(230, 240, 255));
    sky.setColorAt(1, QColor(170, 195, 235));
    p.fillRect(picture.rect(), sky);
    p.setPen(QPen(QColor(40, 60, 120), 3));
    p.drawRect(picture.rect().adjusted(1, 1, -2, -2));

    // The logo: a balance beam over its stand.
    p.setPen(QPen(QColor(40, 60, 120), 4));
    p.drawLine(40, 70, 120, 70);
    p.drawLine(80, 40, 80, 110);
    p.drawLine(60, 110, 100, 110);
    p.drawArc(25, 70, 30, 20, 180 * 16, 180 * 16);
    p.drawArc(105, 70, 30, 20, 180 * 16, 180 * 16);

    p.setPen(QColor(20, 30, 80));
    p.setFont(SerifFont(16));
    p.drawText(QRect(140, 30, 185, 60), Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Вельтарские весы"));
    p.setFont(SansFont(9));
    p.drawText(QRect(20, 130, 291, 95), Qt::AlignCenter | Qt::TextWordWrap,
               QStringLiteral("Версия 1.01\nОрвальта\nпродажа и обслуживание весов"));
    return picture;
}

QPixmap ProgramIcon()
{
    QPixmap icon(98, 100);
    icon.fill(QColor(255, 255, 192));
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 60, 120), 6));
    p.drawLine(14, 36, 84, 36);
    p.drawLine(49, 14, 49, 82);
    p.drawLine(29, 84, 69, 84);
    p.drawArc(4, 36, 26, 22, 180 * 16, 180 * 16);
    p.drawArc(68, 36, 26, 22, 180 * 16, 180 * 16);
    return icon;
}
