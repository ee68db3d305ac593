#include "grouping/GroupTypes.h"

#include <algorithm>
#include <cstring>

namespace aulira {

namespace {

std::string fieldText(const std::array<std::uint8_t, kNameFieldWidth>& f)
{
    std::size_t n = 0;
    while (n < f.size() && f[n] != 0)
        ++n;
    return std::string(reinterpret_cast<const char*>(f.data()), n);
}

void setFieldText(std::array<std::uint8_t, kNameFieldWidth>& f, std::string_view ansi)
{
    f.fill(0);
    std::memcpy(f.data(), ansi.data(), std::min(ansi.size(), f.size() - 1));
}

} // namespace

DevItem_Type DevItem_Type::read(ConstBytes b, std::size_t off)
{
    DevItem_Type d;
    d.kind = b[off];
    std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(off + 1), 3, d.reserved.begin());
    d.id = readU32(b, off + 4);
    std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(off + 8), kNameFieldWidth, d.name.begin());
    return d;
}

void DevItem_Type::write(Bytes b, std::size_t off) const
{
    b[off] = kind;
    std::copy(reserved.begin(), reserved.end(), b.begin() + static_cast<std::ptrdiff_t>(off + 1));
    writeU32(b, off + 4, id);
    std::copy(name.begin(), name.end(), b.begin() + static_cast<std::ptrdiff_t>(off + 8));
}

std::string DevItem_Type::nameBytes() const { return fieldText(name); }
void DevItem_Type::setNameBytes(std::string_view ansi) { setFieldText(name, ansi); }

GroupDev_Type GroupDev_Type::read(ConstBytes b, std::size_t off)
{
    GroupDev_Type g;
    g.devNo = readI32(b, off);
    std::copy_n(b.begin() + static_cast<std::ptrdiff_t>(off + 4), kNameFieldWidth, g.devName.begin());
    g.devIp = readU32(b, off + 20);
    return g;
}

void GroupDev_Type::write(Bytes b, std::size_t off) const
{
    writeI32(b, off, devNo);
    std::copy(devName.begin(), devName.end(), b.begin() + static_cast<std::ptrdiff_t>(off + 4));
    writeU32(b, off + 20, devIp);
}

std::string GroupDev_Type::nameBytes() const { return fieldText(devName); }
void GroupDev_Type::setNameBytes(std::string_view ansi) { setFieldText(devName, ansi); }

} // namespace aulira
