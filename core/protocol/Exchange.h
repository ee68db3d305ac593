#pragma once
// The three request/response routines every device exchange goes through.
// Each modifies the request (targetIp, even length, checksum) and fills the
// reply buffer; the result is one of the RES_* codes.
#include <cstdint>
#include <string>

#include "protocol/Packet.h"
#include "protocol/UdpSocket.h"

namespace aulira {

// Unicast from the local adapter address localIp to the device targetIp.
// waitReply 1 waits for the matching reply; any other value sends only.
int ExchangeUnicast(const std::string& localIp, std::uint32_t targetIp, Packet& request, Packet& reply,
                    int waitReply);

// As ExchangeUnicast, but the packet goes to 255.255.255.255 with targetIp in
// the header, for devices that no local adapter reaches by unicast.
int ExchangeBroadcast(const std::string& localIp, std::uint32_t targetIp, Packet& request, Packet& reply,
                      int waitReply);

// On a socket the caller owns (upgrades): always waits; the reply must match
// the checksum and the command, not the echoed address nor the packet number.
// Datagrams queued before the send are discarded. With skipBelow, replies
// numbered below it are passed over as late copies of earlier packets' (only
// for a device known to echo the numbers).
int ExchangeOnSocket(UdpSocket& socket, std::uint32_t ip, std::uint16_t port, Packet& request, Packet& reply,
                     std::uint16_t skipBelow = 0);

// Whether a received datagram (reply.received bytes) answers a sealed request
// as ExchangeOnSocket judges it.
bool OnSocketReplyMatches(const Packet& request, const Packet& reply);

} // namespace aulira
