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
    // a weight that keeps moving. With --read-delay every tick also arms a
    // 50 ms single shot that puts the text once more: the terminal's two
    // wake-ups per poll, with none of its work.
    const bool changing = app.arguments().contains(QStringLiteral("--changing"));
    const bool readDelay = app.arguments().contains(QStringLiteral("--read-delay"));
    QTimer timer;
    timer.setInterval(300);
    QTimer delay;
    delay.setInterval(50);
    delay.setSingleShot(true);
    int tick = 0;
    const auto show = [label, changing, &tick] {
        label->setText(changing ? QString::number(12.4 + (tick % 3) / 10.0) : QStringLiteral("0"));
    };
    QObject::connect(&timer, &QTimer::timeout, label, [&] {
        ++tick;
        show();
        if (readDelay)
            delay.start();
    });
    QObject::connect(&delay, &QTimer::timeout, label, show);
    timer.start();

    window.show();
    return app.exec();
}
