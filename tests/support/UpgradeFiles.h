#pragma once
// Upgrade files as a test needs them, and the short pauses of tests that
// upgrade without timing the protocol.
#include <filesystem>
#include <vector>

#include "support/TestUtil.h"
#include "util/Bytes.h"

namespace aulira::test {

inline void useFastUpgradeTiming()
{
    useFastTiming();
    auto& t = protocolConfig().timing;
    t.broadcastRecvTimeoutMs = 100; // the on-socket exchange's wait
    t.upgradeTypeRetryMs = 1;
    t.upgradeBootWaitMs = 1;
    t.upgradeHeaderRetryMs = 1;
    t.upgradePacketPauseMs = 0;
    t.upgradePacketRetryMs = 1;
    t.screenRetryPauseMs = 1;
}

// The 128-byte header: magic, version, date and model at their places.
inline std::vector<std::uint8_t> upgradeHeader(const char* model, const char* version = "V2.3.0",
                                               const char* date = "2025-01-02", const char* magic = "KPU update file")
{
    std::vector<std::uint8_t> h(128, 0);
    writeFixedText(h, 0, 16, magic);
    writeFixedText(h, 32, 16, version);
    writeFixedText(h, 48, 32, date);
    writeFixedText(h, 80, 48, model);
    return h;
}

// Header and image in one file at p; p as a string.
inline std::string writeUpgradeFile(const std::filesystem::path& p, std::vector<std::uint8_t> header,
                                    const std::vector<std::uint8_t>& image)
{
    header.insert(header.end(), image.begin(), image.end());
    writeAll(p, header);
    return p.string();
}

} // namespace aulira::test
