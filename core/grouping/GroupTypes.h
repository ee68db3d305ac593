#pragma once
// The records of broadcast groups, shared with the address books: the 24-byte
// list entry (a group or a device), a group's member and a group. Their byte
// forms are what the group and address book files hold.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "util/Bytes.h"

namespace aulira {

inline constexpr std::size_t kNameFieldWidth = 16; // ANSI text, at most 15 bytes and a NUL

inline constexpr std::uint8_t kDevItemDevice = 1; // an address book's device entry: id is its address
inline constexpr std::uint8_t kDevItemGroup = 2;  // a group: id is its number

// One entry of a group list or an address book (24 bytes).
struct DevItem_Type {
    static constexpr std::size_t kSize = 24;
    std::uint8_t kind = 0;
    std::array<std::uint8_t, 3> reserved{};
    std::uint32_t id = 0; // group number, or a device address (stored order)
    std::array<std::uint8_t, kNameFieldWidth> name{};

    static DevItem_Type read(ConstBytes b, std::size_t off);
    void write(Bytes b, std::size_t off) const;
    // The name's ANSI bytes up to the terminator, 16 at most.
    std::string nameBytes() const;
    // Stores at most 15 bytes and a terminator; the rest of the field is zeroed.
    void setNameBytes(std::string_view ansi);
    bool operator==(const DevItem_Type&) const = default;
};

// A member of a group: a snapshot of a device taken when it was ticked (24 bytes).
struct GroupDev_Type {
    static constexpr std::size_t kSize = 24;
    std::int32_t devNo = 0;
    std::array<std::uint8_t, kNameFieldWidth> devName{};
    std::uint32_t devIp = 0; // stored order

    static GroupDev_Type read(ConstBytes b, std::size_t off);
    void write(Bytes b, std::size_t off) const;
    std::string nameBytes() const;
    void setNameBytes(std::string_view ansi);
    bool operator==(const GroupDev_Type&) const = default;
};

// A broadcast group: its header entry (kind 2, number, name) and its members
// in the order they were ticked.
struct GroupItem_Type {
    DevItem_Type header{.kind = kDevItemGroup};
    std::vector<GroupDev_Type> members;

    int number() const { return static_cast<int>(header.id); }
    bool operator==(const GroupItem_Type&) const = default;
};

using GroupList = std::vector<GroupItem_Type>;

} // namespace aulira
