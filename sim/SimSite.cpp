// The site on the network: the served interfaces, the socket and its two
// threads, and the routing of each datagram to the devices it reaches.
#include "SimSite.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "util/Ipv4.h"

namespace aulira::sim {

namespace {

std::uint32_t storedIp(in_addr a) { return ipFromHostOrder(ntohl(a.s_addr)); }
in_addr inAddr(std::uint32_t stored)
{
    in_addr a{};
    a.s_addr = htonl(ipToHostOrder(stored));
    return a;
}

std::string endpoint(std::uint32_t ip, std::uint16_t port) { return formatIp(ip) + ":" + std::to_string(port); }

std::string describe(ConstBytes d)
{
    const PacketHeader h = PacketHeader::read(d);
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s (0x%04X) count %u no %u len %u mark 0x%04X target %s",
                  commandName(h.command), h.command, h.packetCount, h.packetNo, h.length, h.pollMark,
                  formatIp(h.targetIp).c_str());
    return buf;
}

#ifdef _WIN32
// Windows serves the loopback interface only; this is its number here.
constexpr int kWinLoopbackIndex = 1;
constexpr int kWinPollMs = 100; // how soon the receive thread notices a stop

std::string socketErrorText() { return "error " + std::to_string(WSAGetLastError()); }
#endif

} // namespace

#ifdef _WIN32
// The receive thread polls with a short time-out instead of waiting on a pipe.
bool SimSite::WakePipe::open() { return true; }
void SimSite::WakePipe::close() {}
#else
bool SimSite::WakePipe::open()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    r = fds[0];
    w = fds[1];
    return true;
}

void SimSite::WakePipe::close()
{
    if (r >= 0)
        ::close(r);
    if (w >= 0)
        ::close(w);
    r = w = -1;
}
#endif

#ifdef _WIN32
std::string SimSite::refreshInterfaces()
{
    std::vector<Iface> found;
    std::string error;
    for (const auto& name : options_.interfaces) {
        if (name != "lo") {
            error = "no network interface \"" + name + "\" (on Windows only the loopback interface \"lo\" is served)";
            continue;
        }
        Iface f;
        f.name = name;
        f.index = kWinLoopbackIndex;
        f.loopback = true;
        f.nets.emplace_back(ipFromHostOrder(0x7F000001), ipFromHostOrder(0xFF000000));
        found.push_back(std::move(f));
    }
    std::lock_guard lock(m_);
    ifaces_ = std::move(found);
    loopbackIndex_ = kWinLoopbackIndex;
    return error;
}
#else
std::string SimSite::refreshInterfaces()
{
    std::vector<Iface> found;
    std::string error;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        list = nullptr;
    for (const auto& name : options_.interfaces) {
        Iface f;
        f.name = name;
        f.index = static_cast<int>(::if_nametoindex(name.c_str()));
        if (f.index == 0) {
            error = "no network interface \"" + name + "\"";
            continue;
        }
        for (ifaddrs* a = list; a; a = a->ifa_next) {
            // Address labels ("lo:1") belong to their interface.
            const std::string label = a->ifa_name ? a->ifa_name : "";
            if (label.substr(0, label.find(':')) != name)
                continue;
            if (a->ifa_flags & IFF_LOOPBACK)
                f.loopback = true;
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_netmask)
                continue;
            f.nets.emplace_back(storedIp(reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr),
                                storedIp(reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr));
        }
        if (name == "lo")
            f.loopback = true;
        found.push_back(std::move(f));
    }
    int loopback = 0;
    for (ifaddrs* a = list; a; a = a->ifa_next)
        if ((a->ifa_flags & IFF_LOOPBACK) && a->ifa_name)
            loopback = static_cast<int>(::if_nametoindex(a->ifa_name));
    if (list)
        ::freeifaddrs(list);
    std::lock_guard lock(m_);
    ifaces_ = std::move(found);
    loopbackIndex_ = loopback;
    return error;
}
#endif

// ---------------------------------------------------------------- lifecycle

bool SimSite::start(std::string* error)
{
    std::lock_guard life(lifecycle_);
    if (running_)
        return true;
    auto failed = [&](const std::string& why) {
        if (error)
            *error = why;
        socket_.close();
        wake_.close();
        return false;
    };
    if (auto problem = refreshInterfaces(); !problem.empty())
        return failed(problem);
#ifdef _WIN32
    auto lastError = [] { return socketErrorText(); };
#else
    auto lastError = [] { return std::string(std::strerror(errno)); };
#endif
    if (!socket_.open())
        return failed("cannot create a UDP socket: " + lastError());
    const int on = 1;
    if (::setsockopt(static_cast<decltype(::socket(0, 0, 0))>(socket_.native()), IPPROTO_IP, IP_PKTINFO,
                     reinterpret_cast<const char*>(&on), sizeof on) != 0)
        return failed("IP_PKTINFO: " + lastError());
    socket_.setReceiveBuffer(4 << 20); // a tool's burst of retries must not overflow us
    if (!socket_.bind(std::uint32_t{0}, options_.port))
        return failed("cannot bind UDP port " + std::to_string(options_.port) + ": " + lastError());
    if (!wake_.open())
        return failed("pipe: " + lastError());
    port_ = socket_.localPort();
    stopping_ = false;
    receiver_ = std::thread([this] { receiveLoop(); });
    replier_ = std::thread([this] { replyLoop(); });
    running_ = true;
    return true;
}

void SimSite::stop()
{
    std::lock_guard life(lifecycle_);
    if (!running_)
        return;
    stopping_ = true;
#ifndef _WIN32
    const char byte = 1;
    [[maybe_unused]] auto n = ::write(wake_.w, &byte, 1);
#endif
    {
        std::lock_guard lock(qm_);
        qcv_.notify_all();
    }
    receiver_.join();
    replier_.join();
    {
        std::lock_guard lock(qm_);
        queue_ = {}; // replies still waiting die with the site
    }
    socket_.close();
    wake_.close();
    running_ = false;
}

// ---------------------------------------------------------------- traffic

#ifdef _WIN32
namespace {
LPFN_WSARECVMSG recvMsgFunction(SOCKET s)
{
    LPFN_WSARECVMSG fn = nullptr;
    GUID id = WSAID_WSARECVMSG;
    DWORD bytes = 0;
    if (WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &fn, sizeof fn, &bytes, nullptr, nullptr) != 0)
        return nullptr;
    return fn;
}
} // namespace

void SimSite::receiveLoop()
{
    const SOCKET s = static_cast<SOCKET>(socket_.native());
    const LPFN_WSARECVMSG recvMsg = recvMsgFunction(s);
    if (!recvMsg) {
        if (log_)
            log_("cannot receive with destination addresses (WSARecvMsg): " + socketErrorText());
        return;
    }
    std::vector<std::uint8_t> buf(kPacketBufferSize + 1);
    alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))];
    while (!stopping_) {
        WSAPOLLFD fds[1] = {{s, POLLRDNORM, 0}};
        const int ready = WSAPoll(fds, 1, kWinPollMs);
        if (ready < 0)
            break;
        if (ready == 0)
            continue;
        sockaddr_in from{};
        WSABUF data{static_cast<ULONG>(buf.size()), reinterpret_cast<char*>(buf.data())};
        WSAMSG msg{};
        msg.name = reinterpret_cast<sockaddr*>(&from);
        msg.namelen = sizeof from;
        msg.lpBuffers = &data;
        msg.dwBufferCount = 1;
        msg.Control = {sizeof control, control};
        DWORD n = 0;
        if (recvMsg(s, &msg, &n, nullptr, nullptr) != 0)
            continue; // too long for the buffer (WSAEMSGSIZE) or an ICMP report: a device drops it too
        std::uint32_t dst = 0;
        for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&msg); c; c = WSA_CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                IN_PKTINFO info;
                std::memcpy(&info, WSA_CMSG_DATA(c), sizeof info);
                dst = storedIp(info.ipi_addr);
            }
        // Only loopback is served: what a 127/8 address sent came through it.
        const std::uint32_t fromIp = storedIp(from.sin_addr);
        const int ifindex = (ipToHostOrder(fromIp) >> 24) == 127 ? kWinLoopbackIndex : 0;
        if (static_cast<std::size_t>(n) > kPacketBufferSize || (msg.dwFlags & MSG_TRUNC))
            continue;
        dispatch(ConstBytes(buf.data(), static_cast<std::size_t>(n)), fromIp, ntohs(from.sin_port), dst, ifindex);
    }
}
#else
void SimSite::receiveLoop()
{
    const int fd = static_cast<int>(socket_.native());
    std::vector<std::uint8_t> buf(kPacketBufferSize + 1);
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    while (!stopping_) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake_.r, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents)
            break;
        sockaddr_in from{};
        iovec iov{buf.data(), buf.size()};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(fd, &msg, MSG_DONTWAIT);
        if (n < 0)
            continue;
        int ifindex = 0;
        std::uint32_t dst = 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                ifindex = info.ipi_ifindex;
                dst = storedIp(info.ipi_addr);
            }
        // A device receives into a 1500-byte buffer: anything longer is lost to it.
        if (static_cast<std::size_t>(n) > kPacketBufferSize || (msg.msg_flags & MSG_TRUNC))
            continue;
        dispatch(ConstBytes(buf.data(), static_cast<std::size_t>(n)), storedIp(from.sin_addr), ntohs(from.sin_port),
                 dst, ifindex);
    }
}
#endif

void SimSite::dispatch(ConstBytes d, std::uint32_t fromIp, std::uint16_t fromPort, std::uint32_t dstIp, int ifindex)
{
    const std::string from = endpoint(fromIp, fromPort);
    auto ignore = [&](const char* why) {
        if (log_)
            log_("ignored " + std::to_string(d.size()) + " bytes from " + from + " to " + formatIp(dstIp) + ": " + why);
    };
    if (d.size() < kHeaderSize + kChecksumSize || !PacketHeader::read(d).magicOk())
        return ignore("not a device packet");
    if (!PacketChecksumOk(d))
        return ignore("bad checksum");

    Packet request;
    std::copy(d.begin(), d.end(), request.bytes().begin());
    request.received = d.size();
    const PacketHeader h = request.header();
    const std::uint16_t cmd = h.command & kCommandMask;

    std::vector<std::shared_ptr<SimDevice>> targets;
    bool broadcast = dstIp == kBroadcastTarget;
    {
        std::lock_guard lock(m_);
        const Iface* arrival = nullptr;
        for (const auto& f : ifaces_)
            if (f.index == ifindex)
                arrival = &f;
        if (arrival)
            for (const auto& [addr, mask] : arrival->nets)
                broadcast = broadcast || (mask != 0xFFFFFFFF && dstIp == (addr | ~mask));
        if (broadcast) {
            // Search and time packets address everybody; other broadcasts carry
            // the one device they are for in the header.
            if (!arrival)
                return ignore("broadcast on an interface not served");
            for (const auto& dev : devices_)
                if (dev->ifindex() == ifindex && !dev->remote() &&
                    (cmd == CMD_SEARCH || h.targetIp == kBroadcastTarget || dev->ip() == h.targetIp))
                    targets.push_back(dev);
        } else {
            // Local traffic to a device address arrives through loopback
            // whatever interface the address sits on.
            if (!arrival && ifindex != loopbackIndex_)
                return ignore("arrived on an interface not served");
            for (const auto& dev : devices_)
                if (dev->ip() == dstIp)
                    targets.push_back(dev);
        }
    }

    const std::uint64_t seq = ++datagramSeq_;
    const auto now = std::chrono::steady_clock::now();
    int answered = 0;
    for (const auto& dev : targets) {
        SimDevice::Outcome out = dev->handle(request, {fromIp, fromPort, broadcast, seq}, now);
        if (out.addressChanged) {
            std::lock_guard lock(m_);
            if (auto problem = attach(*dev); !problem.empty() && log_)
                log_("device moved out of the served networks: " + problem);
        }
        if (out.traffic && trafficSink_)
            trafficSink_(*out.traffic);
        if (!out.replies.empty())
            ++answered;
        int spread = 0;
        if (broadcast && cmd == CMD_SEARCH && spreadMs_ > 0)
            spread = std::uniform_int_distribution<int>(0, spreadMs_)(spreadRng_);
        for (auto& r : out.replies) {
            const int delay = r.delayMs + spread;
            if (delay <= 0)
                send(r.bytes, out.sourceIp, fromIp, fromPort);
            else
                schedule({now + std::chrono::milliseconds(delay), 0, std::move(r.bytes), out.sourceIp, fromIp,
                          fromPort});
        }
    }
    if (log_)
        log_(from + " -> " + formatIp(dstIp) + (broadcast ? " (broadcast) " : " ") + describe(d) + ": " +
             std::to_string(targets.size()) + " device(s), " + std::to_string(answered) + " answer(s)");
}

void SimSite::schedule(Scheduled s)
{
    std::lock_guard lock(qm_);
    s.order = ++queueOrder_;
    queue_.push(std::move(s));
    qcv_.notify_all();
}

void SimSite::replyLoop()
{
    std::unique_lock lock(qm_);
    while (!stopping_) {
        if (queue_.empty()) {
            qcv_.wait(lock);
            continue;
        }
        const auto due = queue_.top().due;
        if (std::chrono::steady_clock::now() < due) {
            qcv_.wait_until(lock, due);
            continue;
        }
        Scheduled s = queue_.top();
        queue_.pop();
        lock.unlock();
        send(s.bytes, s.fromIp, s.toIp, s.toPort);
        lock.lock();
    }
}

// Sends from the device's own address, so a tool that looks at the sender
// sees each device answer for itself.
#ifdef _WIN32
void SimSite::send(const std::vector<std::uint8_t>& bytes, std::uint32_t fromIp, std::uint32_t toIp,
                   std::uint16_t toPort)
{
    const SOCKET s = static_cast<SOCKET>(socket_.native());
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(toPort);
    to.sin_addr = inAddr(toIp);
    WSABUF data{static_cast<ULONG>(bytes.size()), reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes.data()))};
    alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))] = {};
    WSAMSG msg{};
    msg.name = reinterpret_cast<sockaddr*>(&to);
    msg.namelen = sizeof to;
    msg.lpBuffers = &data;
    msg.dwBufferCount = 1;
    msg.Control = {sizeof control, control};
    WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = WSA_CMSG_LEN(sizeof(IN_PKTINFO));
    IN_PKTINFO info{};
    info.ipi_addr = inAddr(fromIp);
    std::memcpy(WSA_CMSG_DATA(c), &info, sizeof info);
    DWORD sent = 0;
    int r = WSASendMsg(s, &msg, 0, &sent, nullptr, nullptr);
    if (r != 0) {
        // The device address cannot be the source here: answer from
        // whatever address the route picks.
        msg.Control = {0, nullptr};
        r = WSASendMsg(s, &msg, 0, &sent, nullptr, nullptr);
    }
    if (log_)
        log_("  " + formatIp(fromIp) + " -> " + endpoint(toIp, toPort) + " " + describe(bytes) +
             (r != 0 ? " send failed: " + socketErrorText() : std::string()));
}
#else
void SimSite::send(const std::vector<std::uint8_t>& bytes, std::uint32_t fromIp, std::uint32_t toIp,
                   std::uint16_t toPort)
{
    const int fd = static_cast<int>(socket_.native());
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(toPort);
    to.sin_addr = inAddr(toIp);
    iovec iov{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst = inAddr(fromIp);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    ssize_t n = ::sendmsg(fd, &msg, 0);
    if (n < 0 && (errno == EINVAL || errno == EADDRNOTAVAIL)) {
        // The device address is not assigned to this host (a namespace set
        // up without it): answer from whatever address the route picks.
        msg.msg_control = nullptr;
        msg.msg_controllen = 0;
        n = ::sendmsg(fd, &msg, 0);
    }
    if (log_)
        log_("  " + formatIp(fromIp) + " -> " + endpoint(toIp, toPort) + " " + describe(bytes) +
             (n < 0 ? std::string(" send failed: ") + std::strerror(errno) : std::string()));
}

#endif

} // namespace aulira::sim
