#pragma once

#include "core/Rgb.h"

#include <QWidget>

// One lamp of automatic weighing: a circle inside its box, solidly filled.
class Lamp final : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);

    Rgb fill() const { return fill_; }
    void setFill(Rgb colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Rgb fill_ = Colours::LampRed;
};
