// Fuzz target for device texts on their way out of the program: any bytes, in
// any of the code pages a workstation may use (and one iconv does not know),
// become valid UTF-8 that JSON output takes without an exception; shown on a
// terminal or in the log they carry no control character; a log line keeps
// only the line feeds the program's own texts have.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "FuzzCheck.h"
#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "util/Ipv4.h"

using namespace aulira;

namespace {

bool hasControl(std::string_view s, bool lineFeedsAllowed)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (lineFeedsAllowed && (b == '\n' || b == '\r'))
            continue;
        if (b < 0x20 || b == 0x7F)
            return true;
        if (b == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(s[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int saved = codePage();
    for (int cp : {1252, 936, 65001, 54936, 12345}) {
        setCodePage(cp);
        const std::string text = ansiToUtf8(bytes);
        FUZZ_CHECK(validUtf8(text) == text);
        const std::string json = nlohmann::json{{"name", text}}.dump();
        FUZZ_CHECK(nlohmann::json::parse(json)["name"] == text);

        const std::string shown = displayText(bytes);
        FUZZ_CHECK(!hasControl(shown, false));
        FUZZ_CHECK(validUtf8(shown) == shown);
        FUZZ_CHECK(!hasControl(deviceTag(text, 0x0500000Au), false));
    }
    setCodePage(saved);

    // Whatever reaches the log is valid text without raw controls.
    const std::string v = validUtf8(bytes);
    FUZZ_CHECK(validUtf8(v) == v);
    std::string line;
    {
        LogSubscription sink([&](const std::string& l) { line = l; });
        OutputLog("%s set grouping completed.", std::string(bytes.substr(0, bytes.find('\0'))).c_str());
    }
    FUZZ_CHECK(validUtf8(line) == line);
    FUZZ_CHECK(!hasControl(line, true));
    (void)nlohmann::json(line).dump();
    return 0;
}
