#pragma once
// Process-wide switches of the desktop application.

namespace aulira::app {

// Offers the device list's "Modify MAC address" menu. Off at start; the About
// box toggles it for service staff who know where to double-click.
extern bool macEditMenuEnabled;

} // namespace aulira::app
