#include "scale-sim/Simulator.h"

#include "scale-sim/KeyCommand.h"
#include "scale-sim/WeightText.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <utility>

#include <unistd.h>

namespace {

void Say(const QString& text)
{
    std::fprintf(stderr, "veltar-scale-sim: %s\n", qPrintable(text));
}

}  // namespace

Simulator::Simulator(ScaleKind kind, PseudoTerminal& line, ScriptPlayer& player, QObject* parent)
    : QObject(parent), kind_(kind), line_(line), player_(player)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(ScriptPlayer::TickMs);
    connect(&timer_, &QTimer::timeout, this, &Simulator::tick);
    // A terminal that opens the port queries at once; waiting for the next
    // tick to notice it would delay the first answer by up to a tick.
    watch_.setInterval(5);
    connect(&watch_, &QTimer::timeout, this, [this] { setListening(line_.listenerPresent()); });

    if (kind_ == ScaleKind::Aed) {
        lineNotifier_ = new QSocketNotifier(line_.masterFd(), QSocketNotifier::Read, this);
        // The master reports "no listener" as readable; it is only watched
        // while someone has the port open.
        lineNotifier_->setEnabled(false);
        connect(lineNotifier_, &QSocketNotifier::activated, this, &Simulator::readLine);
    }
}

void Simulator::watchInput(int fd)
{
    inputNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(inputNotifier_, &QSocketNotifier::activated, this, &Simulator::readInput);
}

void Simulator::start()
{
    tick();
    timer_.start();
    if (!listening_)
        watch_.start();
}

void Simulator::tick()
{
    const std::optional<Sample> sample = player_.next();
    if (!sample) {
        Say(QStringLiteral("end of the script"));
        timer_.stop();
        QCoreApplication::exit(0);
        return;
    }
    current_ = *sample;

    setListening(line_.listenerPresent());
    if (kind_ == ScaleKind::Veltar && listening_)
        line_.write(VeltarFrame(current_.kg, current_.steady));
}

void Simulator::setListening(bool present)
{
    if (present == listening_)
        return;
    listening_ = present;
    if (present) {
        Say(QStringLiteral("the port was opened"));
    } else {
        Say(QStringLiteral("the port was closed"));
        line_.dropUnread();
        scanner_ = QueryScanner();
    }
    if (lineNotifier_)
        lineNotifier_->setEnabled(present);
    if (present)
        watch_.stop();
    else
        watch_.start();
}

void Simulator::readLine()
{
    bool hungUp = false;
    const QByteArray got = line_.readAvailable(hungUp);
    const int queries = scanner_.feed(got);
    for (int i = 0; i < queries; ++i)
        line_.write(AedAnswer(current_.kg));
    if (hungUp)
        setListening(false);
}

void Simulator::readInput()
{
    char buffer[256];
    const ssize_t n = ::read(inputNotifier_->socket(), buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        // The input ended; the script plays on.
        inputNotifier_->setEnabled(false);
        if (!pendingInput_.isEmpty())
            takeKeyLine(QString::fromLocal8Bit(std::exchange(pendingInput_, {})));
        return;
    }
    pendingInput_.append(buffer, n);
    // A key line is a few characters; input that never ends a line is not
    // one, and is dropped rather than kept growing.
    if (pendingInput_.size() > 4096 && !pendingInput_.contains('\n'))
        pendingInput_.clear();
    qsizetype end;
    while ((end = pendingInput_.indexOf('\n')) >= 0) {
        const QByteArray line = pendingInput_.left(end);
        pendingInput_.remove(0, end + 1);
        takeKeyLine(QString::fromLocal8Bit(line));
    }
}

void Simulator::takeKeyLine(const QString& line)
{
    const KeyCommand command = ParseKeyLine(line);
    switch (command.kind) {
    case KeyCommand::Nothing:
        break;
    case KeyCommand::Hold:
        player_.hold(command.kg);
        Say(QStringLiteral("holding %1 kg; \"s\" resumes the script").arg(command.kg));
        break;
    case KeyCommand::Resume:
        player_.resume();
        Say(QStringLiteral("script resumed"));
        break;
    case KeyCommand::Quit:
        timer_.stop();
        QCoreApplication::exit(0);
        break;
    case KeyCommand::Unknown:
        Say(QStringLiteral("type a weight in kg (12.5), \"s\" to resume the script or \"q\" to quit"));
        break;
    }
}
