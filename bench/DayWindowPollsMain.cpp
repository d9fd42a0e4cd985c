// The QApplication lives here, apart from the terminal's headers: <QApplication>
// may bring in Xlib's Display, which clashes with the terminal's own.

#include <QApplication>

int RunDayWindowPolls(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return RunDayWindowPolls(argc, argv);
}
