#include "scale-sim/PseudoTerminal.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString SystemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

int OpenSlave(const QString& path)
{
    return ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace

PseudoTerminal::~PseudoTerminal()
{
    if (master_ >= 0)
        ::close(master_);
}

bool PseudoTerminal::open(QString* error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) {
        *error = SystemError("posix_openpt");
        return false;
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = SystemError("unlockpt");
        return false;
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        *error = SystemError("ptsname");
        return false;
    }
    slave_ = QString::fromLocal8Bit(name);

    // Opening and closing the slave once also puts the master in its
    // "slave closed" state, which is how listenerPresent() tells later on;
    // a slave that was never opened would not show it.
    const int slave = OpenSlave(slave_);
    if (slave < 0) {
        *error = SystemError("open slave");
        return false;
    }
    termios raw{};
    const bool rawOk = ::tcgetattr(slave, &raw) == 0 && (::cfmakeraw(&raw), ::tcsetattr(slave, TCSANOW, &raw) == 0);
    if (!rawOk)
        *error = SystemError("raw mode");
    ::close(slave);
    return rawOk;
}

bool PseudoTerminal::listenerPresent() const
{
    pollfd pfd{master_, POLLOUT, 0};
    if (::poll(&pfd, 1, 0) < 0)
        return false;
    return (pfd.revents & (POLLHUP | POLLERR)) == 0;
}

void PseudoTerminal::dropUnread() const
{
    // The unread bytes sit in the slave's input queue, which only a flush
    // through the slave itself reaches.
    const int slave = OpenSlave(slave_);
    if (slave < 0)
        return;
    ::tcflush(slave, TCIFLUSH);
    ::close(slave);
}

void PseudoTerminal::write(const QByteArray& bytes) const
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

QByteArray PseudoTerminal::readAvailable(bool& hungUp) const
{
    hungUp = false;
    QByteArray got;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EIO (or end of file) is how the master reports that the last
        // holder of the slave closed it.
        if (n == 0 || errno == EIO)
            hungUp = true;
        return got;
    }
}
