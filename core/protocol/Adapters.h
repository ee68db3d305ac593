#pragma once
// Local adapter addresses: which IPv4 networks this workstation is on, and
// which of them discovery and the status poll use.
#include <cstdint>
#include <string>
#include <vector>

namespace aulira {

struct InterfaceAddress {
    std::string ip;   // dotted decimal
    std::string mask; // dotted decimal
    std::string interfaceName;
    bool loopback = false;
};

// Every IPv4 address of every interface that is up.
std::vector<InterfaceAddress> interfaceAddresses();

// Fills ips/masks with the adapter addresses to use and writes the two log
// lines per address. With `requested` empty: every IPv4 address of every up,
// non-loopback interface. Otherwise exactly the requested addresses, each with
// the mask of the interface that holds it; an address this machine does not
// have is left out with a log line (sending from it could leave by another
// interface). Returns 1, or 0 when the interface list cannot be read.
int EnumLocalAdapters(std::vector<std::string>& ips, std::vector<std::string>& masks,
                      const std::vector<std::string>& requested = {});

// 1 when the device (ip, mask) lies in the network of one of the adapters.
int IsLocalSubnet(const std::vector<std::string>& ips, const std::vector<std::string>& masks, std::uint32_t ip,
                  std::uint32_t mask);

} // namespace aulira
