#include "protocol/Discovery.h"

#include <cstdio>

#include "protocol/Packet.h"
#include "protocol/Timing.h"
#include "protocol/UdpSocket.h"
#include "shell/Log.h"
#include "util/Ipv4.h"

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

void SearchRound(const std::string& adapterText, SearchRoundState& state, const SearchReplySink& sink)
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

    auto junk = [&](const RecvResult& r) {
        if (state.junkLogged)
            return;
        state.junkLogged = true;
        OutputLog("Search through %s: datagrams that are not search replies are ignored (the first from %s).",
                  adapter.c_str(), formatIp(r.fromIp).c_str());
    };
    std::uint8_t buf[kPacketBufferSize];
    for (;;) {
        if (state.deadline && std::chrono::steady_clock::now() >= *state.deadline) {
            state.deadlineHit = true;
            return;
        }
        std::fill(std::begin(buf), std::end(buf), 0);
        RecvResult r = sock.receive(Bytes(buf, sizeof buf));
        if (r.kind == RecvResult::TooLarge) {
            junk(r); // longer than any reply can be: ignored, as the receive would reject it
            continue;
        }
        if (r.kind != RecvResult::Ok) {
            if (r.kind != RecvResult::Timeout)
                OutputLog("recvfrom error:%d", r.error);
            return;
        }
        ConstBytes datagram(buf, r.size);
        if (r.size < kHeaderSize || (readU16(datagram, hdr::command) & kCommandMask) != CMD_SEARCH ||
            !PacketChecksumOk(datagram)) {
            junk(r); // the list would refuse it as well
            continue;
        }
        if (sink(adapter, datagram) == 1)
            state.lastNew = std::chrono::steady_clock::now();
    }
}

void SearchThreadProc(const std::string& adapter, const SearchReplySink& sink)
{
    using namespace std::chrono;
    const auto start = steady_clock::now();
    const Timing& timing = protocolConfig().timing;
    const auto window = milliseconds(timing.searchWindowMs);
    SearchRoundState state;
    state.deadline = start + window + milliseconds(timing.searchMarginMs);
    for (;;) {
        SearchRound(adapter, state, sink);
        const auto now = steady_clock::now();
        if (state.deadlineHit || now >= *state.deadline) {
            OutputLog("Search through %s ended after %d s: replies kept coming.", adapter.c_str(),
                      static_cast<int>(duration_cast<seconds>(now - start).count()));
            break;
        }
        if (!state.lastNew) {
            if (now - start >= window)
                break;
        } else if (now - *state.lastNew > window) {
            break;
        }
    }
}

} // namespace aulira
