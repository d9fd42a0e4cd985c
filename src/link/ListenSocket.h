#pragma once

#include <microhttpd.h>

#include <QString>

// The few socket calls of the office link that Winsock and POSIX spell
// differently, and that the HTTP library leaves to its user.

struct ListenSocket {
    MHD_socket socket = MHD_INVALID_SOCKET;
    bool inUse = false;  // the address is taken (by another program, or still by us)
    QString reason;      // in Russian, when there is no socket
};

// A listening TCP socket on 127.0.0.1, or on every IPv4 address, at `port`,
// non-blocking. Another listener can never share the port: on Windows the
// address is exclusive (no second program can take it over with
// SO_REUSEADDR); elsewhere only our own earlier connections, winding down,
// may linger on it.
ListenSocket OpenListenSocket(bool everyAddress, int port);

void CloseSocket(MHD_socket socket);

// Ends a connection under the server without taking its descriptor: the
// server sees the end at once and frees the connection itself.
void ShutDownSocket(MHD_socket socket);

// True when the peer closed the connection or sent something. Asked of an
// event stream, whose client sends nothing after its request: the client
// has gone.
bool PeerClosed(MHD_socket socket);
