#include "link/ListenSocket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
int LastError()
{
    return WSAGetLastError();
}

bool IsAddressInUse(int error)
{
    // WSAEACCES: the address is held exclusively by another socket.
    return error == WSAEADDRINUSE || error == WSAEACCES;
}

QString ErrorText(int error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString result = text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("код %1").arg(error);
    LocalFree(text);
    return result;
}

// Winsock counts its users; the first socket call of the process needs this.
bool SocketsReady()
{
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

bool Configure(MHD_socket s)
{
    BOOL yes = TRUE;
    u_long nonBlocking = 1;
    return setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes) == 0 &&
           ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}
#else
int LastError()
{
    return errno;
}

bool IsAddressInUse(int error)
{
    return error == EADDRINUSE;
}

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool SocketsReady()
{
    return true;
}

bool Configure(MHD_socket s)
{
    // Lets a restart take the port past our own connections in TIME_WAIT;
    // never SO_REUSEPORT, under which a second listener would share it.
    int yes = 1;
    const int flags = fcntl(s, F_GETFL);
    return setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 && flags != -1 &&
           fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0 && fcntl(s, F_SETFD, FD_CLOEXEC) == 0;
}
#endif

}  // namespace

ListenSocket OpenListenSocket(bool everyAddress, int port)
{
    ListenSocket result;
    if (!SocketsReady()) {
        result.reason = QStringLiteral("сетевая подсистема не запущена");
        return result;
    }
    const MHD_socket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == MHD_INVALID_SOCKET) {
        result.reason = ErrorText(LastError());
        return result;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(everyAddress ? INADDR_ANY : INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<unsigned short>(port));
    // Room for a burst of new connections (a page opening, clients
    // reconnecting together); the rest wait in the system's queue.
    if (!Configure(s) || ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 128) != 0) {
        const int error = LastError();
        result.inUse = IsAddressInUse(error);
        result.reason = ErrorText(error);
        CloseSocket(s);
        return result;
    }
    result.socket = s;
    return result;
}

void CloseSocket(MHD_socket socket)
{
#ifdef _WIN32
    closesocket(socket);
#else
    ::close(socket);
#endif
}

void ShutDownSocket(MHD_socket socket)
{
#ifdef _WIN32
    ::shutdown(socket, SD_BOTH);
#else
    ::shutdown(socket, SHUT_RDWR);
#endif
}

bool PeerClosed(MHD_socket socket)
{
#ifdef _WIN32
    WSAPOLLFD p{};
    p.fd = socket;
    p.events = POLLRDNORM;
    return WSAPoll(&p, 1, 0) > 0 && (p.revents & (POLLRDNORM | POLLHUP | POLLERR)) != 0;
#else
    pollfd p{};
    p.fd = socket;
    p.events = POLLIN | POLLRDHUP;
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) != 0;
#endif
}
