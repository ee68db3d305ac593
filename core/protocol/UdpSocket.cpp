#include "protocol/UdpSocket.h"

#include "util/Ipv4.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace aulira {

namespace {
#ifdef _WIN32
struct WinsockStartup {
    bool ok = false;
    WinsockStartup()
    {
        WSADATA data;
        ok = WSAStartup(MAKEWORD(2, 2), &data) == 0 && LOBYTE(data.wVersion) == 2 && HIBYTE(data.wVersion) == 2;
    }
    ~WinsockStartup() { WSACleanup(); }
};
bool socketLibraryReady()
{
    static WinsockStartup startup;
    return startup.ok;
}
using SockLen = int;
#else
bool socketLibraryReady() { return true; }
using SockLen = socklen_t;
#endif

sockaddr_in makeAddr(std::uint32_t ip, std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(ipToHostOrder(ip));
    return a;
}
} // namespace

UdpSocket& UdpSocket::operator=(UdpSocket&& o) noexcept
{
    if (this != &o) {
        close();
        fd_ = o.fd_;
        o.fd_ = kInvalid;
    }
    return *this;
}

bool UdpSocket::open()
{
    close();
    if (!socketLibraryReady())
        return false;
    auto s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
#ifdef _WIN32
    if (s == INVALID_SOCKET)
        return false;
#else
    if (s < 0)
        return false;
#endif
    fd_ = static_cast<intptr_t>(s);
    return true;
}

void UdpSocket::close()
{
    if (fd_ == kInvalid)
        return;
#ifdef _WIN32
    ::closesocket(static_cast<SOCKET>(fd_));
#else
    ::close(static_cast<int>(fd_));
#endif
    fd_ = kInvalid;
}

bool UdpSocket::bind(std::uint32_t ip, std::uint16_t port)
{
    sockaddr_in a = makeAddr(ip, port);
    return ::bind(static_cast<decltype(::socket(0, 0, 0))>(fd_), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool UdpSocket::bind(const std::string& ipText, std::uint16_t port)
{
    // An address that does not parse binds to any address, as inet_pton
    // leaving the address zero would.
    auto ip = parseIp(ipText);
    return bind(ip.value_or(0), port);
}

std::uint16_t UdpSocket::localPort() const
{
    sockaddr_in a{};
    SockLen len = sizeof a;
    if (::getsockname(static_cast<decltype(::socket(0, 0, 0))>(fd_), reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return 0;
    return ntohs(a.sin_port);
}

namespace {
template <typename T>
bool setOpt(intptr_t fd, int level, int name, const T& value)
{
    return ::setsockopt(static_cast<decltype(::socket(0, 0, 0))>(fd), level, name,
                        reinterpret_cast<const char*>(&value), sizeof value) == 0;
}
} // namespace

bool UdpSocket::setBroadcast(bool on) { return setOpt(fd_, SOL_SOCKET, SO_BROADCAST, int(on ? 1 : 0)); }
bool UdpSocket::setReuseAddress(bool on) { return setOpt(fd_, SOL_SOCKET, SO_REUSEADDR, int(on ? 1 : 0)); }
bool UdpSocket::setReceiveBuffer(int bytes) { return setOpt(fd_, SOL_SOCKET, SO_RCVBUF, bytes); }

bool UdpSocket::setReceiveTimeout(int ms)
{
#ifdef _WIN32
    return setOpt(fd_, SOL_SOCKET, SO_RCVTIMEO, DWORD(ms));
#else
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return setOpt(fd_, SOL_SOCKET, SO_RCVTIMEO, tv);
#endif
}

long UdpSocket::sendTo(ConstBytes data, std::uint32_t ip, std::uint16_t port)
{
    sockaddr_in a = makeAddr(ip, port);
    return static_cast<long>(::sendto(static_cast<decltype(::socket(0, 0, 0))>(fd_),
                                      reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()), 0,
                                      reinterpret_cast<sockaddr*>(&a), sizeof a));
}

RecvResult UdpSocket::receive(Bytes buf)
{
    RecvResult r;
    sockaddr_in from{};
    SockLen fromLen = sizeof from;
#ifdef _WIN32
    int n = ::recvfrom(static_cast<SOCKET>(fd_), reinterpret_cast<char*>(buf.data()), static_cast<int>(buf.size()), 0,
                       reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n == SOCKET_ERROR) {
        r.error = WSAGetLastError();
        r.kind = r.error == WSAETIMEDOUT ? RecvResult::Timeout
                 : r.error == WSAEMSGSIZE ? RecvResult::TooLarge
                                          : RecvResult::Error;
        return r;
    }
#else
    ssize_t n;
    do {
        n = ::recvfrom(static_cast<int>(fd_), buf.data(), buf.size(), MSG_TRUNC, reinterpret_cast<sockaddr*>(&from),
                       &fromLen);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        r.error = errno;
        r.kind = isTimeoutError(r.error) ? RecvResult::Timeout : RecvResult::Error;
        return r;
    }
    if (static_cast<std::size_t>(n) > buf.size()) {
        r.kind = RecvResult::TooLarge;
        r.size = buf.size();
        return r;
    }
#endif
    r.kind = RecvResult::Ok;
    r.size = static_cast<std::size_t>(n);
    r.fromIp = ipFromHostOrder(ntohl(from.sin_addr.s_addr));
    r.fromPort = ntohs(from.sin_port);
    return r;
}

int UdpSocket::discardPending()
{
    int n = 0;
    std::uint8_t scrap[1];
    for (;;) {
#ifdef _WIN32
        u_long waiting = 0;
        if (::ioctlsocket(static_cast<SOCKET>(fd_), FIONREAD, &waiting) != 0 || waiting == 0)
            return n;
        sockaddr_in from{};
        int fromLen = sizeof from;
        // A datagram larger than the scrap buffer is still taken off the queue.
        ::recvfrom(static_cast<SOCKET>(fd_), reinterpret_cast<char*>(scrap), sizeof scrap, 0,
                   reinterpret_cast<sockaddr*>(&from), &fromLen);
#else
        const ssize_t r = ::recv(static_cast<int>(fd_), scrap, sizeof scrap, MSG_DONTWAIT | MSG_TRUNC);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return n;
        }
#endif
        ++n;
    }
}

int UdpSocket::lastError()
{
#ifdef _WIN32
    return WSAGetLastError();
#else
    return errno;
#endif
}

bool UdpSocket::isTimeoutError(int error)
{
#ifdef _WIN32
    return error == WSAETIMEDOUT;
#else
    return error == EAGAIN || error == EWOULDBLOCK;
#endif
}

} // namespace aulira
