#pragma once
// Discovery: one search thread per local adapter address broadcasts the search
// request and hands every search reply to a sink, which answers 1 when the
// reply added a new device. A thread keeps searching while new devices keep
// appearing and stops one search window after the last new one.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "util/Bytes.h"

namespace aulira {

// Receives (adapter address, datagram as received); returns 1 for a new device.
using SearchReplySink = std::function<int(const std::string& adapter, ConstBytes datagram)>;

using SteadyTime = std::chrono::steady_clock::time_point;

// The 22-byte search request.
void buildSearchRequest(Bytes out22);

// One broadcast and its receive phase; lastNew is set when a reply was new.
void SearchRound(const std::string& adapter, std::optional<SteadyTime>& lastNew, const SearchReplySink& sink);

// Rounds until the search window has passed since the last new device (or
// since the start when none appeared).
void SearchThreadProc(const std::string& adapter, const SearchReplySink& sink);

} // namespace aulira
