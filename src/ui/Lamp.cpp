#include "ui/Lamp.h"

#include <QPainter>

Lamp::Lamp(QWidget* parent) : QWidget(parent) {}

void Lamp::setFill(Rgb colour)
{
    if (colour == fill_)
        return;
    fill_ = colour;
    update();
}

void Lamp::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int diameter = std::min(width(), height()) - 1;
    const QRectF circle((width() - diameter) / 2.0, (height() - diameter) / 2.0, diameter, diameter);
    painter.setPen(Qt::black);
    painter.setBrush(QColor(fill_.red, fill_.green, fill_.blue));
    painter.drawEllipse(circle);
}
