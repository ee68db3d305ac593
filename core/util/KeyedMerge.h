#pragma once
// A three-way merge of a list of keyed entries, for the data folder's files
// that two programs may change at once (the desktop app keeps its copy open
// while auctl saves). `base` is the file as this program last loaded or
// saved it, `mine` this program's list now, `disk` the file now. Entries
// this program added or changed win; entries it deleted stay deleted; the
// other program's additions, changes and deletions of the rest are kept.
#include <algorithm>
#include <vector>

namespace aulira {

template <typename T, typename KeyOf>
std::vector<T> mergeKeyed(const std::vector<T>& base, const std::vector<T>& mine, const std::vector<T>& disk,
                          KeyOf keyOf)
{
    const auto find = [&keyOf](const std::vector<T>& in, const auto& key) {
        return std::find_if(in.begin(), in.end(), [&](const T& e) { return keyOf(e) == key; });
    };
    std::vector<T> out;
    for (const T& m : mine) {
        const auto b = find(base, keyOf(m));
        if (b == base.end() || !(*b == m)) {
            out.push_back(m); // added or changed here
            continue;
        }
        if (const auto d = find(disk, keyOf(m)); d != disk.end())
            out.push_back(*d); // as the file has it now; gone when deleted there
    }
    for (const T& d : disk)
        if (find(mine, keyOf(d)) == mine.end() && find(base, keyOf(d)) == base.end())
            out.push_back(d); // added there
    return out;
}

} // namespace aulira
