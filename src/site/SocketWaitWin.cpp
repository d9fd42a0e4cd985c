#include "site/SocketWait.h"

#include <winsock2.h>

// select() rather than WSAPoll(): before Windows 10 2004 WSAPoll did not
// report a connect that failed, which would turn a refused server into a
// wait for the whole deadline. A failed connect shows in the exception set.
SocketReady WaitForSocket(int socket, bool forWrite, int milliseconds)
{
    const auto handle = static_cast<SOCKET>(socket);
    fd_set wanted;
    fd_set failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(handle, &wanted);
    FD_SET(handle, &failed);
    timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    const int ready = ::select(0, forWrite ? nullptr : &wanted, forWrite ? &wanted : nullptr, &failed, &timeout);
    if (ready > 0)
        return SocketReady::Ready;
    if (ready == 0)
        return SocketReady::TimedOut;
    return SocketReady::Failed;
}
