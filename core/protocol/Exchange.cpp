#include "protocol/Exchange.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "protocol/Timing.h"
#include "shell/Log.h"

namespace aulira {

namespace {

double nowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

enum class Match { TargetAndCommand, Command };

bool replyMatches(const Packet& request, const Packet& reply, Match match)
{
    if (!PacketChecksumOk(reply.bytes().first(reply.received)))
        return false;
    if (match == Match::TargetAndCommand && reply.targetIp() != request.targetIp())
        return false;
    // Devices number their upgrade replies as they like (0, the request's
    // number, the next one, the count): the number decides nothing here.
    return (reply.command() & kCommandMask) == request.command();
}

// The receive phase shared by the three routines. A reply numbered below
// skipBelow is a late copy of an earlier packet's (the caller knows the
// device echoes numbers) and the wait goes on.
int awaitReply(UdpSocket& sock, const Packet& request, Packet& reply, Match match, std::uint16_t skipBelow = 0)
{
    const double t0 = nowMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(protocolConfig().timing.sendPauseMs));
    for (;;) {
        for (std::size_t i = 16; i < 20; ++i)
            reply.bytes()[i] = 0;
        RecvResult r = sock.receive(reply.bytes());
        if (r.kind == RecvResult::Timeout)
            return RES_RECV_TIMEOUT;
        if (r.kind == RecvResult::Ok) {
            reply.received = r.size;
            if (replyMatches(request, reply, match) && reply.packetNo() >= skipBelow)
                return RES_OK;
        }
        if (nowMs() - t0 > protocolConfig().timing.replyLimitMs)
            return RES_NO_REPLY;
    }
}

int exchange(const std::string& localIp, std::uint32_t targetIp, Packet& request, Packet& reply, int waitReply,
             bool broadcast)
{
    UdpSocket sock;
    if (!sock.open()) {
        std::printf("socket error:%d\n", UdpSocket::lastError());
        return RES_SOCKET_FAIL;
    }
    sock.bind(localIp, 0); // result ignored: an unusable address leaves the socket unbound
    if (broadcast)
        sock.setBroadcast(true);
    sock.setReceiveBuffer(kExchangeSocketRcvBuf);

    const std::size_t size = request.seal(targetIp);
    const std::uint32_t dest = broadcast ? kBroadcastTarget : targetIp;
    if (sock.sendTo(request.bytes().first(size), dest, protocolConfig().devicePort) < 0) {
        OutputLog("sendto error:%d", UdpSocket::lastError());
        return RES_SEND_FAIL;
    }
    if (waitReply != 1)
        return RES_OK;

    const auto& t = protocolConfig().timing;
    sock.setReceiveTimeout(broadcast ? t.broadcastRecvTimeoutMs : t.unicastRecvTimeoutMs);
    return awaitReply(sock, request, reply, Match::TargetAndCommand);
}

} // namespace

int ExchangeUnicast(const std::string& localIp, std::uint32_t targetIp, Packet& request, Packet& reply,
                    int waitReply)
{
    return exchange(localIp, targetIp, request, reply, waitReply, false);
}

int ExchangeBroadcast(const std::string& localIp, std::uint32_t targetIp, Packet& request, Packet& reply,
                      int waitReply)
{
    return exchange(localIp, targetIp, request, reply, waitReply, true);
}

bool OnSocketReplyMatches(const Packet& request, const Packet& reply)
{
    return replyMatches(request, reply, Match::Command);
}

int ExchangeOnSocket(UdpSocket& sock, std::uint32_t ip, std::uint16_t port, Packet& request, Packet& reply,
                     std::uint16_t skipBelow)
{
    const std::size_t size = request.seal(ip);
    // Replies to earlier requests (duplicates, late ones) still queued would
    // otherwise be read as this request's.
    sock.discardPending();
    if (sock.sendTo(request.bytes().first(size), ip, port) < 0) {
        OutputLog("sendto error:%d", UdpSocket::lastError());
        return RES_SEND_FAIL;
    }
    sock.setReceiveTimeout(protocolConfig().timing.broadcastRecvTimeoutMs);
    return awaitReply(sock, request, reply, Match::Command, skipBelow);
}

} // namespace aulira
