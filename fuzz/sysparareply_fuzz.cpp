// Fuzz target for a parameter-read reply on its way to the settings sheet and
// back: the datagram's payload taken as a record, every page loaded and shown,
// the sheet's Save over the record, and the field diff. A payload shorter than
// the layout it claims is never taken; Save never touches the MAC address or
// the firmware's version text; an unchanged record shows no difference.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include <nlohmann/json.hpp>

#include "FuzzCheck.h"
#include "params/SysParaSettings.h"
#include "protocol/Packet.h"
#include "protocol/ParaReadBack.h"
#include "shell/TextCodec.h"

using namespace aulira;

namespace {

bool sameRange(const SysParaBuffer& a, const SysParaBuffer& b, std::size_t from, std::size_t n)
{
    return std::equal(a.begin() + static_cast<std::ptrdiff_t>(from), a.begin() + static_cast<std::ptrdiff_t>(from + n),
                      b.begin() + static_cast<std::ptrdiff_t>(from));
}

void checkRecord(ConstBytes payload)
{
    const auto got = takeSysParaReply(payload);
    if (!got) {
        // Refused only when short: the claimed layout is what decides.
        SysParaBuffer probe{};
        std::copy_n(payload.begin(), std::min(payload.size(), probe.size()), probe.begin());
        FUZZ_CHECK(payload.size() < sysParaLayout(paraExtFromVersion(probe) != 0).size);
        return;
    }
    const bool ext = got->paraExt != 0;
    const SysParaLayout& layout = sysParaLayout(ext);
    FUZZ_CHECK(payload.size() >= layout.size);
    FUZZ_CHECK(std::equal(got->record.begin(), got->record.begin() + static_cast<std::ptrdiff_t>(layout.size),
                          payload.begin()));
    FUZZ_CHECK(holdsWritten(changedFieldBytes(nullptr, got->record, ext), got->record, got->record));

    auto settings = SysParaSettings::load(got->record, ext);
    nlohmann::json shown = nlohmann::json::object();
    for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
        const std::string text = settings.display(i);
        FUZZ_CHECK(validUtf8(text) == text);
        shown[std::string(kSysParaFields[i].name)] = text;
    }
    (void)shown.dump(); // throws on text that is not UTF-8

    const RecordDiff none = diffRecords(got->record, got->record, ext);
    FUZZ_CHECK(none.fields.empty() && none.otherBytes == 0);

    SysParaBuffer saved = got->record;
    const auto refusal = settings.save(saved);
    FUZZ_CHECK(sameRange(saved, got->record, kLayout436.mac, 6));
    FUZZ_CHECK(sameRange(saved, got->record, layout.version, kSysParaVersionWidth));
    // Nothing behind the layout is written for a short-layout device.
    FUZZ_CHECK(sameRange(saved, got->record, layout.size, kSysParaBufferSize - layout.size));
    const RecordDiff d = diffRecords(got->record, saved, ext);
    for (auto f : d.fields)
        FUZZ_CHECK(f < kSysParaFieldCount && kSysParaFields[f].in(ext));
    if (!refusal) {
        // Saving what Save produced changes nothing more: the pages' rules are stable.
        SysParaBuffer again = saved;
        auto reloaded = SysParaSettings::load(saved, ext);
        if (!reloaded.save(again))
            FUZZ_CHECK(again == saved);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ConstBytes d(data, size);
    // As a reply datagram when it is one, else as a bare payload.
    if (PacketChecksumOk(d)) {
        Packet p;
        std::copy_n(d.begin(), std::min(d.size(), kPacketBufferSize), p.bytes().begin());
        checkRecord(p.payload());
    } else {
        checkRecord(d.first(std::min(d.size(), kMaxPayload)));
    }
    return 0;
}
