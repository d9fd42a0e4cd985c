#ifdef _WIN32
// Room for the service's sockets in one select() set, as the library has on
// Windows (Winsock's default is 64); before any header brings Winsock in.
#define FD_SETSIZE 2048
#endif

#include "link/ServiceTurn.h"

#ifdef _WIN32
#include <winsock2.h>

#include <algorithm>

bool TakeTurn(const MhdApi& mhd, MHD_Daemon* daemon, int ms, unsigned maxConnections)
{
    // The library's own wait on Windows (select) keeps its listening socket
    // in the set at the cap and then takes a newcomer only to close it; so
    // the wait is ours. Asked first: it also lets the library drop the
    // connections that ended, which must be out of the sets below.
    const MHD_DaemonInfo* open = mhd.get_daemon_info(daemon, MHD_DAEMON_INFO_CURRENT_CONNECTIONS);
    const MHD_DaemonInfo* listen = mhd.get_daemon_info(daemon, MHD_DAEMON_INFO_LISTEN_FD);
    fd_set read, write, except;
    FD_ZERO(&read);
    FD_ZERO(&write);
    FD_ZERO(&except);
    MHD_socket highest = MHD_INVALID_SOCKET;
    // The set includes the library's wake-up channel, so a stream taken up
    // again from another thread ends the wait.
    if (!open || !listen || mhd.get_fdset2(daemon, &read, &write, &except, &highest, FD_SETSIZE) != MHD_YES)
        return false;
    if (open->num_connections >= maxConnections)
        FD_CLR(listen->listen_fd, &read);
    MHD_UNSIGNED_LONG_LONG due = 0;
    if (mhd.get_timeout(daemon, &due) == MHD_YES)
        ms = static_cast<int>(std::min<MHD_UNSIGNED_LONG_LONG>(due, static_cast<MHD_UNSIGNED_LONG_LONG>(ms)));
    timeval timeout{ms / 1000, (ms % 1000) * 1000};
    if (::select(0, &read, &write, &except, &timeout) == SOCKET_ERROR)
        return false;
    return mhd.run_from_select(daemon, &read, &write, &except) == MHD_YES;
}
#else
bool TakeTurn(const MhdApi& mhd, MHD_Daemon* daemon, int ms, unsigned)
{
    // The library's epoll set leaves its listening socket out by itself
    // while at the cap.
    return mhd.run_wait(daemon, ms) == MHD_YES;
}
#endif
