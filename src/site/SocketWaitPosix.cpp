#include "site/SocketWait.h"

#include <cerrno>
#include <poll.h>

SocketReady WaitForSocket(int socket, bool forWrite, int milliseconds)
{
    pollfd entry{};
    entry.fd = socket;
    entry.events = forWrite ? POLLOUT : POLLIN;
    const int ready = ::poll(&entry, 1, milliseconds);
    if (ready > 0)
        return SocketReady::Ready;
    if (ready == 0 || errno == EINTR)
        return SocketReady::TimedOut;
    return SocketReady::Failed;
}
