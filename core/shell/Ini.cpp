#include "shell/Ini.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "devices/DeviceListFile.h"

namespace aulira {

namespace {

std::string_view trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string IniFile::FindString(std::string_view text, std::string_view section, std::string_view key)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    bool inSection = false;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        const std::string_view line = trim(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            inSection = close != std::string_view::npos && equalsNoCase(trim(line.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !equalsNoCase(trim(line.substr(0, eq)), key))
            continue;
        std::string_view value = trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return {};
}

unsigned IniFile::ToUInt(std::string_view value)
{
    unsigned long long number = 0;
    for (char c : value.substr(0, 64)) {
        if (c < '0' || c > '9')
            break;
        number = number * 10 + static_cast<unsigned>(c - '0');
        if (number > UINT_MAX)
            return UINT_MAX;
    }
    return static_cast<unsigned>(number);
}

std::string IniFile::GetString(const std::string& section, const std::string& key) const
{
    std::vector<std::uint8_t> bytes;
    if (!readWholeFile(path_, bytes))
        return {};
    return FindString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), section, key);
}

unsigned IniFile::GetUInt(const std::string& section, const std::string& key) const
{
    return ToUInt(GetString(section, key));
}

} // namespace aulira
