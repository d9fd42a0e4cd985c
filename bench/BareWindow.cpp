// The floor for the terminal's idle cost: a Qt window with one label, one
// text box and a 300 ms timer that puts the label's text again, unchanged, as
// the terminal does while the weight stands still. bench/idle.sh runs it side
// by side with the terminal.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    auto* label = new QLabel(QStringLiteral("0"), &window);
    auto* box = new QPlainTextEdit(&window);
    box->setReadOnly(true);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(label);
    layout->addWidget(box);

    // With --changing every tick shows a new text, as the terminal does for
    // a weight that keeps moving.
    const bool changing = app.arguments().contains(QStringLiteral("--changing"));
    QTimer timer;
    timer.setInterval(300);
    int tick = 0;
    QObject::connect(&timer, &QTimer::timeout, label, [label, changing, &tick] {
        label->setText(changing ? QString::number(12.4 + (++tick % 3) / 10.0) : QStringLiteral("0"));
    });
    timer.start();

    window.show();
    return app.exec();
}
