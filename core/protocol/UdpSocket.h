#pragma once
// A UDP/IPv4 socket closed on every path. POSIX sockets here, Winsock on
// Windows, behind one interface; socket-library start-up is handled once per
// process (WSAStartup) so callers need not repeat it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "util/Bytes.h"

namespace aulira {

// Outcome of a receive: bytes received, or an error.
struct RecvResult {
    enum Kind { Ok, Timeout, TooLarge, Error } kind = Error;
    std::size_t size = 0;
    std::uint32_t fromIp = 0; // stored (network) order
    std::uint16_t fromPort = 0;
    int error = 0;            // platform error code for Error
};

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() { close(); }
    UdpSocket(UdpSocket&& o) noexcept : fd_(o.fd_) { o.fd_ = kInvalid; }
    UdpSocket& operator=(UdpSocket&& o) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates the socket; false (with lastError()) on failure.
    bool open();
    bool isOpen() const { return fd_ != kInvalid; }
    void close();

    // Binds to the given stored-order address and port; false on failure.
    bool bind(std::uint32_t ip, std::uint16_t port);
    bool bind(const std::string& ipText, std::uint16_t port);
    std::uint16_t localPort() const;

    bool setBroadcast(bool on);
    bool setReuseAddress(bool on);
    bool setReceiveBuffer(int bytes);
    bool setReceiveTimeout(int ms);

    // Returns the number of bytes sent, or -1 (with lastError()).
    long sendTo(ConstBytes data, std::uint32_t ip, std::uint16_t port);
    // Receives one datagram of at most buf.size() bytes; a longer one is
    // reported as TooLarge, never truncated silently.
    RecvResult receive(Bytes buf);
    // Throws away every datagram already waiting, without blocking; returns
    // how many there were.
    int discardPending();

    intptr_t native() const { return fd_; }

    static int lastError();
    static bool isTimeoutError(int error);

private:
    static constexpr intptr_t kInvalid = -1;
    intptr_t fd_ = kInvalid;
};

} // namespace aulira
