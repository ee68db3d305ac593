// Upgrade benchmarks, with the default timings: a device firmware upgrade
// against the pauses the devices need, and a screen upgrade's exchange rate
// against raw UDP round trips to the same simulated device.
#include <filesystem>
#include <fstream>
#include <random>

#include "BenchUtil.h"
#include "protocol/Exchange.h"
#include "upgrade/UpgradeBatch.h"
#include "upgrade/UpgradeFile.h"
#include "util/Ipv4.h"

namespace aulira::bench {

namespace {

class Counter : public UpgradeListener {
public:
    void progress(const DeviceItemPtr&, int percent) override { last = percent; }
    void failure(const DeviceItemPtr&, const std::string& text) override { failures += text + " "; }
    void batchEnd() override {}
    int last = -1;
    std::string failures;
};

std::filesystem::path writeFile(const char* name, const char* model, std::size_t imageSize)
{
    std::vector<std::uint8_t> bytes(128 + imageSize);
    std::mt19937 rng(5);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(rng());
    std::fill_n(bytes.begin(), 128, 0);
    writeFixedText(bytes, 0, 16, upgfile::magicText);
    writeFixedText(bytes, 32, 16, "V9.0.0");
    writeFixedText(bytes, 80, 48, model);
    const auto p = std::filesystem::temp_directory_path() / name;
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                             static_cast<std::streamsize>(bytes.size()));
    return p;
}

DeviceItemPtr entryFor(const sim::DeviceConfig& d, const sim::SimSite& site)
{
    auto item = std::make_shared<DeviceItem_Type>();
    item->ip = d.ip;
    item->localIp = "127.0.0.1";
    item->state = STATE_FOUND;
    item->selected = 1;
    item->devItem = site.device(d.ip)->info;
    return item;
}

// Median raw round trip of a request of the given payload size, bypassing the
// exchange routine (no pause, no checks), to the same device.
double rawRoundTripMs(std::uint32_t ip, std::uint16_t port, std::uint16_t command, std::size_t payload)
{
    UdpSocket sock;
    sock.open();
    sock.bind(std::string("127.0.0.1"), 0);
    sock.setReceiveTimeout(1000);
    std::vector<double> v;
    for (int i = 0; i < 300; ++i) {
        Packet req = Packet::request(command, static_cast<std::uint16_t>(payload)), reply;
        if (command == CMD_SCREEN_WRITE_BUFFER)
            writeU16(req.payloadArea(), 2, static_cast<std::uint16_t>(payload - 4));
        const std::size_t n = req.seal(ip);
        const auto t0 = Clock::now();
        sock.sendTo(req.bytes().first(n), ip, port);
        RecvResult r = sock.receive(reply.bytes());
        if (r.kind == RecvResult::Ok)
            v.push_back(ms(Clock::now() - t0));
    }
    return median(v);
}

} // namespace

// 1 MiB of firmware to one device that must first enter its boot loader.
void benchFirmwareUpgrade()
{
    resetProtocolConfig();
    sim::DeviceConfig d;
    d.ip = parseIp("127.0.0.21").value();
    d.mac = sim::generatedMac(21);
    d.devNo = 21;
    d.name = "Bench";
    d.modelText = "KP-4410";
    sim::SiteConfig cfg;
    cfg.devices = {d};
    auto site = startSite(cfg, 0);
    constexpr std::size_t kImage = 1u << 20;
    const auto path = writeFile("auct-bench-firmware.bin", "KP-4410", kImage);

    Counter counter;
    const auto t0 = Clock::now();
    FirmwareUpgradeThreadProc(UpgradeBatchInput{path, {entryFor(d, *site)}, &counter, nullptr});
    const double total = ms(Clock::now() - t0);
    std::filesystem::remove(path);

    const Timing& t = protocolConfig().timing;
    const double packets = static_cast<double>(kImage / upgfile::firmwarePacketSize);
    // The pacing alone; and every pause the upgrade contains: the boot wait,
    // the pacing before the first and after each data packet, and the pause
    // each exchange makes between sending and reading (type query, enter
    // boot, header, every data packet).
    const double pacing = t.upgradeBootWaitMs + packets * t.upgradePacketPauseMs;
    const double allPauses =
        t.upgradeBootWaitMs + t.upgradePacketPauseMs + packets * (t.upgradePacketPauseMs + t.sendPauseMs) +
        3.0 * t.sendPauseMs;
    const bool ok = counter.last == 100 && counter.failures.empty() &&
                    site->device(d.ip)->firmwareImage.size() == kImage;
    std::printf("firmware: 1 MiB (%.0f packets) in %.0f ms%s; boot wait + %d ms per packet = %.0f ms: ratio %.3f; "
                "with the %d ms pause inside each exchange = %.0f ms (target ratio 1.10): ratio %.3f\n",
                packets, total, ok ? "" : " (NOT COMPLETED)", t.upgradePacketPauseMs, pacing, total / pacing,
                t.sendPauseMs, allPauses, total / allPauses);
}

// 256 KiB of screen firmware: 128 blocks of 8 pieces and a flash write.
void benchScreenUpgrade()
{
    resetProtocolConfig();
    sim::DeviceConfig d;
    d.ip = parseIp("127.0.0.22").value();
    d.mac = sim::generatedMac(22);
    d.devNo = 22;
    d.name = "Desk";
    d.modelText = "KS-530";
    d.screenBootMode = true;
    sim::SiteConfig cfg;
    cfg.devices = {d};
    auto site = startSite(cfg, 0);
    constexpr std::size_t kImage = 256u << 10;
    const auto path = writeFile("auct-bench-screen.bin", kScreenFileModel, kImage);

    Counter counter;
    const auto t0 = Clock::now();
    ScreenUpgradeThreadProc(UpgradeBatchInput{path, {entryFor(d, *site)}, &counter, nullptr});
    const double total = ms(Clock::now() - t0);
    std::filesystem::remove(path);
    site->setScreenBootMode(d.ip, true);

    const double exchanges = (kImage / 2048) * 9.0 + 4; // status, start, end, enter application
    const double perExchange = total / exchanges;
    const double raw = rawRoundTripMs(d.ip, site->port(), CMD_SCREEN_WRITE_BUFFER, 260);
    const double pause = protocolConfig().timing.sendPauseMs;
    const bool ok = counter.last == 100 && counter.failures.empty() && site->device(d.ip)->screenFlash.size() == kImage;
    std::printf("screen: 256 KiB, %.0f exchanges in %.0f ms%s = %.1f exchanges/s (%.3f ms each); raw UDP round trip "
                "%.3f ms = %.0f/s: ratio to raw %.1f; to raw + the %.0f ms exchange pause %.3f\n",
                exchanges, total, ok ? "" : " (NOT COMPLETED)", 1000.0 * exchanges / total, perExchange, raw,
                raw > 0 ? 1000.0 / raw : 0.0, raw > 0 ? perExchange / raw : 0.0, pause, perExchange / (raw + pause));
}

namespace {

// One batch over `devices` with `parallel` at a time; its time in ms, and
// whether every device took the whole image.
double timedBatch(UpgradeBatch::Kind kind, const std::filesystem::path& path,
                  const std::vector<sim::DeviceConfig>& devices, const sim::SimSite& site, int parallel, bool& ok)
{
    Counter counter;
    UpgradeBatchInput input{path, {}, &counter, nullptr};
    for (const auto& d : devices)
        input.devices.push_back(entryFor(d, site));
    input.parallel = parallel;
    const auto t0 = Clock::now();
    if (kind == UpgradeBatch::Kind::Firmware)
        FirmwareUpgradeThreadProc(input);
    else
        ScreenUpgradeThreadProc(input);
    const double total = ms(Clock::now() - t0);
    ok = counter.failures.empty();
    return total;
}

std::vector<sim::DeviceConfig> benchDevices(int count, int firstOctet, const char* model, bool screen)
{
    std::vector<sim::DeviceConfig> v;
    for (int i = 0; i < count; ++i) {
        sim::DeviceConfig d;
        d.ip = parseIp("127.0.2." + std::to_string(firstOctet + i)).value();
        d.mac = sim::generatedMac(static_cast<std::uint32_t>(200 + firstOctet + i));
        d.devNo = firstOctet + i;
        d.name = "B" + std::to_string(firstOctet + i);
        d.modelText = model;
        d.screenBootMode = screen;
        v.push_back(d);
    }
    return v;
}

} // namespace

// Devices at a time: 1 MiB of firmware to 8 devices with 8 at a time against
// one at a time (ideal 0.125, target below 0.16) and against one device alone
// (target below 1.3), with the default (mandated) timings.
void benchFirmwareParallel()
{
    resetProtocolConfig();
    const auto devices = benchDevices(8, 1, "KP-4410", false);
    sim::SiteConfig cfg;
    cfg.devices = devices;
    auto site = startSite(cfg, 0);
    const auto path = writeFile("auct-bench-firmware8.bin", "KP-4410", 1u << 20);
    const Timing& t = protocolConfig().timing;
    bool ok8 = false, ok1 = false, okAlone = false;
    const double alone = timedBatch(UpgradeBatch::Kind::Firmware, path, {devices[0]}, *site, 1, okAlone);
    const double par8 = timedBatch(UpgradeBatch::Kind::Firmware, path, devices, *site, 8, ok8);
    const double par1 = timedBatch(UpgradeBatch::Kind::Firmware, path, devices, *site, 1, ok1);
    std::filesystem::remove(path);
    std::printf("firmware x8 (1 MiB each; timings: boot wait %d ms, packet pause %d ms, exchange pause %d ms): "
                "one device alone %.0f ms%s; 8 at a time %.0f ms%s; one at a time %.0f ms%s; "
                "8 at a time / one at a time %.3f (target 0.16, ideal 0.125); 8 at a time / one alone %.3f "
                "(target 1.3)\n",
                t.upgradeBootWaitMs, t.upgradePacketPauseMs, t.sendPauseMs, alone, okAlone ? "" : " (FAILURES)", par8,
                ok8 ? "" : " (FAILURES)", par1, ok1 ? "" : " (FAILURES)", par8 / par1, par8 / alone);
}

// 4 call stations' screens, 128 KiB each, 4 at a time against one alone.
void benchScreenParallel()
{
    resetProtocolConfig();
    const auto devices = benchDevices(4, 20, "KS-530", true);
    sim::SiteConfig cfg;
    cfg.devices = devices;
    auto site = startSite(cfg, 0);
    const auto path = writeFile("auct-bench-screen4.bin", kScreenFileModel, 128u << 10);
    bool ok4 = false, okAlone = false;
    const double alone = timedBatch(UpgradeBatch::Kind::Screen, path, {devices[0]}, *site, 1, okAlone);
    for (const auto& d : devices)
        site->setScreenBootMode(d.ip, true);
    const double par4 = timedBatch(UpgradeBatch::Kind::Screen, path, devices, *site, 4, ok4);
    std::filesystem::remove(path);
    std::printf("screen x4 (128 KiB each; exchange pause %d ms, retry pause %d ms): one station alone %.0f ms%s; "
                "4 at a time %.0f ms%s; ratio %.3f (target 1.3)\n",
                protocolConfig().timing.sendPauseMs, protocolConfig().timing.screenRetryPauseMs, alone,
                okAlone ? "" : " (FAILURES)", par4, ok4 ? "" : " (FAILURES)", par4 / alone);
}

} // namespace aulira::bench
