#pragma once
// A device played by the test itself, for replies no simulated device gives
// (oversized records, answers that depend on the sender's address): a socket
// on a loopback address answering each request as the responder says.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "protocol/Packet.h"
#include "protocol/UdpSocket.h"
#include "support/TestUtil.h"

namespace aulira::test {

struct FakeRequest {
    PacketHeader header;
    std::vector<std::uint8_t> payload;
    std::uint32_t fromIp = 0;
};

// A reply datagram to `request`: its command, echoed targetIp and the payload.
inline std::vector<std::uint8_t> replyDatagram(const FakeRequest& request, ConstBytes payload)
{
    Packet p = Packet::request(request.header.command, static_cast<std::uint16_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), p.payloadArea().begin());
    const std::size_t n = p.seal(request.header.targetIp);
    return std::vector<std::uint8_t>(p.bytes().begin(), p.bytes().begin() + static_cast<long>(n));
}

class FakeDevice {
public:
    using Responder = std::function<std::optional<std::vector<std::uint8_t>>(const FakeRequest&)>;

    // Binds addr on a free port; point protocolConfig().devicePort at port().
    FakeDevice(const char* addr, Responder responder) : responder_(std::move(responder))
    {
        sock_.open();
        sock_.bind(ip(addr), 0);
        sock_.setReceiveTimeout(20); // lets the loop notice the end of the test
        thread_ = std::thread([this] { loop(); });
    }
    ~FakeDevice()
    {
        stop_ = true;
        thread_.join();
    }
    FakeDevice(const FakeDevice&) = delete;
    FakeDevice& operator=(const FakeDevice&) = delete;

    std::uint16_t port() const { return sock_.localPort(); }
    // Requests that await no reply may still be on their way when the sender returns.
    std::vector<FakeRequest> waitForRequests(std::size_t n) const
    {
        for (int i = 0; i < 500 && requests().size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return requests();
    }
    std::vector<FakeRequest> requests() const
    {
        std::lock_guard lock(m_);
        return requests_;
    }

private:
    void loop()
    {
        std::vector<std::uint8_t> buf(kPacketBufferSize);
        while (!stop_) {
            RecvResult r = sock_.receive(buf);
            if (r.kind != RecvResult::Ok || !PacketChecksumOk(ConstBytes(buf).first(r.size)))
                continue;
            FakeRequest req;
            req.header = PacketHeader::read(buf);
            req.payload.assign(buf.begin() + kHeaderSize, buf.begin() + static_cast<long>(kHeaderSize + req.header.length));
            req.fromIp = r.fromIp;
            {
                std::lock_guard lock(m_);
                requests_.push_back(req);
            }
            if (auto reply = responder_(req))
                sock_.sendTo(*reply, r.fromIp, r.fromPort);
        }
    }

    Responder responder_;
    UdpSocket sock_;
    mutable std::mutex m_;
    std::vector<FakeRequest> requests_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace aulira::test
