#include "protocol/Adapters.h"

#include "shell/Log.h"
#include "shell/Strings.h"
#include "util/Ipv4.h"

#ifdef _WIN32
#include <winsock2.h>
#include <iphlpapi.h>
#else
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#endif

namespace aulira {

#ifdef _WIN32
namespace {
bool isLoopbackText(const char* ip)
{
    const auto v = parseIp(ip);
    return v && (ipToHostOrder(*v) >> 24) == 127;
}

bool readAdapters(std::vector<InterfaceAddress>& out)
{
    ULONG size = 648;
    std::vector<unsigned char> buf(size);
    auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buf.data());
    DWORD r = GetAdaptersInfo(info, &size);
    if (r == ERROR_BUFFER_OVERFLOW) {
        buf.resize(size);
        info = reinterpret_cast<IP_ADAPTER_INFO*>(buf.data());
        r = GetAdaptersInfo(info, &size);
    }
    // No adapter at all (only loopback, which this call never lists) is an
    // empty list, not a failure.
    const bool none = r == ERROR_NO_DATA;
    if (r != NO_ERROR && !none)
        return false;
    bool loopbackListed = false;
    if (!none)
        for (auto* a = info; a; a = a->Next)
            for (auto* ip = &a->IpAddressList; ip; ip = ip->Next) {
                const bool loopback = a->Type == MIB_IF_TYPE_LOOPBACK || isLoopbackText(ip->IpAddress.String);
                loopbackListed = loopbackListed || loopback;
                out.push_back({ip->IpAddress.String, ip->IpMask.String, a->AdapterName, loopback});
            }
    // Windows keeps loopback out of the adapter list, yet it is always there;
    // listed like the POSIX one, it can be chosen with --adapter 127.0.0.1.
    if (!loopbackListed)
        out.push_back({"127.0.0.1", "255.0.0.0", "Loopback", true});
    return true;
}
} // namespace
#else
namespace {
bool readAdapters(std::vector<InterfaceAddress>& out)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !(a->ifa_flags & IFF_UP))
            continue;
        char ip[INET_ADDRSTRLEN] = "0.0.0.0", mask[INET_ADDRSTRLEN] = "0.0.0.0";
        inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr, ip, sizeof ip);
        if (a->ifa_netmask)
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr, mask, sizeof mask);
        out.push_back({ip, mask, a->ifa_name, (a->ifa_flags & IFF_LOOPBACK) != 0});
    }
    freeifaddrs(list);
    return true;
}
} // namespace
#endif

std::vector<InterfaceAddress> interfaceAddresses()
{
    std::vector<InterfaceAddress> out;
    readAdapters(out);
    return out;
}

int EnumLocalAdapters(std::vector<std::string>& ips, std::vector<std::string>& masks,
                      const std::vector<std::string>& requested)
{
    ips.clear();
    masks.clear();
    std::vector<InterfaceAddress> all;
    if (!readAdapters(all))
        return 0;
    auto append = [&](const std::string& ip, const std::string& mask) {
        OutputLog("%s%d:", stringText(IDS_LOCAL_NETWORK_CARD), static_cast<int>(ips.size() + 1));
        ips.push_back(ip);
        masks.push_back(mask);
        OutputLog("<%s>,<%s>", ip.c_str(), mask.c_str());
    };
    if (requested.empty()) {
        for (const auto& a : all)
            if (!a.loopback && a.ip != "0.0.0.0")
                append(a.ip, a.mask);
        return 1;
    }
    for (const auto& want : requested) {
        const InterfaceAddress* found = nullptr;
        for (const auto& a : all)
            if (a.ip == want) {
                found = &a;
                break;
            }
        if (!found || want == "0.0.0.0") {
            OutputLog("Adapter address %s is not an address of this computer and is not used.", want.c_str());
            continue;
        }
        append(found->ip, found->mask);
    }
    return 1;
}

int IsLocalSubnet(const std::vector<std::string>& ips, const std::vector<std::string>& masks, std::uint32_t ip,
                  std::uint32_t mask)
{
    for (std::size_t i = 0; i < ips.size() && i < masks.size(); ++i) {
        const std::uint32_t a = parseIp(ips[i]).value_or(0);
        const std::uint32_t m = parseIp(masks[i]).value_or(0);
        if ((m & a) == (mask & ip))
            return 1;
    }
    return 0;
}

} // namespace aulira
