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

// What one search thread carries from round to round.
struct SearchRoundState {
    std::optional<SteadyTime> lastNew; // set when a reply was new
    // The search ends here whatever keeps arriving: a sender of a new
    // "device" every second, or of any datagram, cannot keep it alive.
    std::optional<SteadyTime> deadline;
    bool deadlineHit = false;
    bool junkLogged = false; // datagrams that are not search replies: logged once
};

// One broadcast and its receive phase, ended early by the deadline.
void SearchRound(const std::string& adapter, SearchRoundState& state, const SearchReplySink& sink);

// Rounds until the search window has passed since the last new device (or
// since the start when none appeared), and at the latest the window plus
// Timing::searchMarginMs after the start.
void SearchThreadProc(const std::string& adapter, const SearchReplySink& sink);

} // namespace aulira
