#include "protocol/Discovery.h"

#include <cstdio>

#include "protocol/Packet.h"
#include "protocol/Timing.h"
#include "protocol/UdpSocket.h"
#include "shell/Log.h"

namespace aulira {

void buildSearchRequest(Bytes out)
{
    PacketHeader h;
    h.command = CMD_SEARCH;
    h.packetCount = 1;
    h.packetNo = 0;
    h.length = 0;
    h.hdrFlag = 1;
    h.pollMark = 0;
    h.targetIp = kBroadcastTarget;
    h.write(out);
    writeU16(out, kHeaderSize, PacketSum(ConstBytes(out.data(), kHeaderSize)));
}

void SearchRound(const std::string& adapterText, std::optional<SteadyTime>& lastNew, const SearchReplySink& sink)
{
    const std::string adapter = adapterText.substr(0, 15);
    UdpSocket sock;
    if (!sock.open()) {
        std::printf("socket error:%d\n", UdpSocket::lastError());
        return;
    }
    sock.bind(adapter, 0);
    sock.setBroadcast(true);
    sock.setReceiveTimeout(protocolConfig().timing.searchRecvTimeoutMs);
    sock.setReceiveBuffer(kSearchSocketRcvBuf);

    std::uint8_t request[kHeaderSize + kChecksumSize];
    buildSearchRequest(request);
    if (sock.sendTo(ConstBytes(request, sizeof request), kBroadcastTarget, protocolConfig().devicePort) < 0)
        return;

    std::uint8_t buf[kPacketBufferSize];
    for (;;) {
        std::fill(std::begin(buf), std::end(buf), 0);
        RecvResult r = sock.receive(Bytes(buf, sizeof buf));
        if (r.kind == RecvResult::TooLarge)
            continue; // longer than any reply can be: ignored, as the receive would reject it
        if (r.kind != RecvResult::Ok) {
            if (r.kind != RecvResult::Timeout)
                OutputLog("recvfrom error:%d", r.error);
            return;
        }
        if (r.size < hdr::command + 2)
            continue;
        ConstBytes datagram(buf, r.size);
        if ((readU16(datagram, hdr::command) & kCommandMask) != CMD_SEARCH)
            continue;
        if (sink(adapter, datagram) == 1)
            lastNew = std::chrono::steady_clock::now();
    }
}

void SearchThreadProc(const std::string& adapter, const SearchReplySink& sink)
{
    using namespace std::chrono;
    const auto start = steady_clock::now();
    std::optional<SteadyTime> lastNew;
    for (;;) {
        SearchRound(adapter, lastNew, sink);
        const auto now = steady_clock::now();
        const auto window = milliseconds(protocolConfig().timing.searchWindowMs);
        if (!lastNew) {
            if (now - start >= window)
                break;
        } else if (now - *lastNew > window) {
            break;
        }
    }
}

} // namespace aulira
