#include "rollout/SitePlan.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <map>
#include <optional>
#include <tuple>

#include "devices/DeviceItem.h"
#include "params/SysParaSettings.h"
#include "shell/TextCodec.h"
#include "util/Csv.h"
#include "util/Ipv4.h"
#include "util/PathText.h"

namespace aulira {

namespace {

// Plans larger than any site: a bigger file is no plan of ours.
constexpr std::uintmax_t kMaxPlanBytes = 16u << 20;

PlanError at(int line, int column, std::string field, std::string text)
{
    return PlanError{line, column, std::move(field), std::move(text)};
}

// The device cell's value in one normal form, so "02:4B:..." and
// "02-4b-..." are the same device.
std::optional<std::string> deviceKey(PlanKey key, const std::string& text)
{
    std::uint8_t mac[6];
    if (parseMac(text, mac))
        return "mac " + formatMac(mac);
    if (key == PlanKey::Mac)
        return std::nullopt;
    if (auto ip = parseIp(text))
        return "ip " + formatIp(*ip);
    std::int32_t no = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), no);
    if (ec == std::errc() && p == text.data() + text.size() && !text.empty())
        return "no " + std::to_string(no);
    return std::nullopt;
}

// Our own writer keeps a cell that a spreadsheet would run as a formula as
// text with a leading apostrophe; reading it back takes the apostrophe off.
std::string unescapeCell(std::string text)
{
    if (text.size() >= 2 && text[0] == '\'' &&
        (text[1] == '=' || text[1] == '+' || text[1] == '-' || text[1] == '@' || text[1] == '\t' || text[1] == '\r'))
        text.erase(0, 1);
    return text;
}

// The refusals the pages' save would give for the row's values, taken on a
// record holding nothing else (so the refusals are the values' own): names
// too long or not writable in this computer's code page, delays beyond a byte.
void checkRowStores(const PlanRow& row, const SitePlan& plan, std::vector<PlanError>& errors)
{
    SysParaBuffer zero{};
    SysParaSettings settings = SysParaSettings::load(zero, true);
    for (const auto& v : row.values)
        if (!settings.set(kSysParaFields[v.field].name, v.text).empty())
            return; // already reported by its cell
    SysParaBuffer scratch{};
    for (std::size_t tries = 0; tries < row.values.size(); ++tries) {
        const auto refusal = settings.save(scratch);
        if (!refusal)
            return;
        const int column = planColumnOf(plan, refusal->field);
        errors.push_back(at(row.line, column, std::string(refusal->field), refusalText(*refusal)));
        // Put the refused field back to what a blank record holds and go on,
        // so every refused cell of the row is named, not only the first.
        const auto i = static_cast<std::size_t>(sysParaFieldIndex(refusal->field));
        settings.value(i) = readField(kSysParaFields[i], zero, true);
        if (column == 0)
            return;
    }
}

} // namespace

std::string PlanError::message() const
{
    if (line == 0)
        return text;
    std::string where = "line " + std::to_string(line);
    if (column > 0)
        where += ", column " + std::to_string(column);
    if (!field.empty())
        where += " (" + field + ")";
    return where + ": " + text;
}

const PlanValue* PlanRow::value(std::string_view field) const
{
    for (const auto& v : values)
        if (kSysParaFields[v.field].name == field)
            return &v;
    return nullptr;
}

bool plannableField(std::size_t field)
{
    return field < kSysParaFieldCount && kSysParaFields[field].kind != FieldKind::Version &&
           kSysParaFields[field].kind != FieldKind::Mac;
}

int planColumnOf(const SitePlan& plan, std::string_view field)
{
    for (std::size_t c = 1; c < plan.columns.size(); ++c)
        if (plan.columns[c] == field)
            return static_cast<int>(c) + 1;
    return 0;
}

std::vector<PlanError> checkPlanValues(const SitePlan& plan)
{
    std::vector<PlanError> errors;
    const int keyColumn = 1;
    std::map<std::string, int> devices;                  // device -> line
    std::map<std::int64_t, int> numbers, addresses;      // value -> line
    SysParaBuffer zero{};
    for (const auto& row : plan.rows) {
        const std::string keyName(plan.key == PlanKey::Mac ? kPlanMacColumn : kPlanDeviceColumn);
        if (row.device.empty()) {
            errors.push_back(at(row.line, keyColumn, keyName, "no device is named"));
        } else if (auto k = deviceKey(plan.key, row.device); !k) {
            errors.push_back(at(row.line, keyColumn, keyName,
                                plan.key == PlanKey::Mac
                                    ? "\"" + row.device + "\" is not a MAC address such as 02:4b:50:00:00:02"
                                    : "\"" + row.device + "\" is not an address, a MAC address or a device number"));
        } else if (auto [it, fresh] = devices.emplace(*k, row.line); !fresh) {
            errors.push_back(at(row.line, keyColumn, keyName,
                                "the device is also planned on line " + std::to_string(it->second)));
        }
        // Each value on its own, by the rules of the field (the key 3 mode is
        // offered here; whether the device has it is checked against it).
        SysParaSettings probe = SysParaSettings::load(zero, true);
        for (const auto& v : row.values) {
            const SysParaField& f = kSysParaFields[v.field];
            if (auto e = probe.set(f.name, v.text); !e.empty()) {
                errors.push_back(at(row.line, v.column, std::string(f.name), e));
                continue;
            }
            if (f.name != "deviceNo" && f.name != "ip")
                continue;
            auto& seen = f.name == "ip" ? addresses : numbers;
            const std::int64_t value = probe.value(v.field).number;
            if (auto [it, fresh] = seen.emplace(value, row.line); !fresh)
                errors.push_back(at(row.line, v.column, std::string(f.name),
                                    (f.name == "ip" ? "the address " + formatIp(static_cast<std::uint32_t>(value))
                                                    : "the device number " + std::to_string(value)) +
                                        " is also given on line " + std::to_string(it->second)));
        }
        checkRowStores(row, plan, errors);
    }
    std::stable_sort(errors.begin(), errors.end(),
                     [](const PlanError& a, const PlanError& b) { return std::tie(a.line, a.column) < std::tie(b.line, b.column); });
    return errors;
}

PlanRead parsePlan(std::string_view text)
{
    PlanRead out;
    if (text.find('\0') != std::string_view::npos || text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
        out.errors.push_back(at(0, 0, {}, text.find('\0') != std::string_view::npos && text.substr(0, 2) != "\xFF\xFE" &&
                                                   text.substr(0, 2) != "\xFE\xFF"
                                              ? "this is not a plan: the file holds binary data, not text"
                                              : "this plan is UTF-16 text; save it as CSV in UTF-8"));
        return out;
    }
    if (validUtf8(text) != text) {
        out.errors.push_back(at(0, 0, {}, "this plan is not UTF-8 text; save it as CSV in UTF-8"));
        return out;
    }
    const CsvParse csv = parseCsv(text);
    if (!csv.error.empty()) {
        out.errors.push_back(at(csv.errorLine, csv.errorColumn, {}, csv.error));
        return out;
    }
    if (csv.rows.empty()) {
        out.errors.push_back(at(0, 0, {}, "the plan is empty: it needs a header line, then one line per device"));
        return out;
    }
    const CsvRecord& header = csv.rows.front();
    SitePlan& plan = out.plan;
    plan.columns = header.cells;
    const std::string& first = header.cells.front();
    if (first == kPlanMacColumn)
        plan.key = PlanKey::Mac;
    else if (first == kPlanDeviceColumn)
        plan.key = PlanKey::Device;
    else
        out.errors.push_back(at(header.line, 1, first, "the first column must be \"mac\" or \"device\""));
    out.complete = out.errors.empty();
    // Per column: the field, or nothing for a column that is refused.
    std::vector<std::optional<std::size_t>> fields(header.cells.size());
    for (std::size_t c = 1; c < header.cells.size(); ++c) {
        const std::string& name = header.cells[c];
        const int column = static_cast<int>(c) + 1;
        const int i = sysParaFieldIndex(name);
        if (name.empty())
            out.errors.push_back(at(header.line, column, {}, "the column has no name"));
        else if (i < 0)
            out.errors.push_back(at(header.line, column, name,
                                    "there is no parameter named " + name + " (see auctl params fields)"));
        else if (!plannableField(static_cast<std::size_t>(i)))
            out.errors.push_back(at(header.line, column, name,
                                    name == "mac" ? "the MAC address names the device in the first column only"
                                                  : name + " belongs to the device and cannot be planned"));
        else if (std::find(header.cells.begin() + 1, header.cells.begin() + static_cast<long>(c), name) !=
                 header.cells.begin() + static_cast<long>(c))
            out.errors.push_back(at(header.line, column, name, "the column " + name + " is given twice"));
        else
            fields[c] = static_cast<std::size_t>(i);
    }
    for (std::size_t r = 1; r < csv.rows.size(); ++r) {
        const CsvRecord& rec = csv.rows[r];
        PlanRow row;
        row.line = rec.line;
        row.device = rec.cells.front();
        if (rec.cells.size() > header.cells.size())
            out.errors.push_back(at(rec.line, static_cast<int>(header.cells.size()) + 1, {},
                                    "the line has more cells than the header has columns"));
        for (std::size_t c = 1; c < rec.cells.size() && c < header.cells.size(); ++c)
            if (fields[c] && !rec.cells[c].empty())
                row.values.push_back({*fields[c], static_cast<int>(c) + 1, unescapeCell(rec.cells[c])});
        plan.rows.push_back(std::move(row));
    }
    if (plan.rows.empty()) {
        out.errors.push_back(at(0, 0, {}, "the plan names no device: it needs one line per device after the header"));
        out.complete = false;
    }
    auto more = checkPlanValues(plan);
    out.errors.insert(out.errors.end(), more.begin(), more.end());
    std::stable_sort(out.errors.begin(), out.errors.end(), [](const PlanError& a, const PlanError& b) {
        return std::tie(a.line, a.column) < std::tie(b.line, b.column);
    });
    return out;
}

PlanRead readPlanFile(const std::filesystem::path& path)
{
    PlanRead out;
    std::error_code ec;
    const std::string shown = pathToUtf8(path);
    if (!std::filesystem::is_regular_file(path, ec)) {
        out.errors.push_back(at(0, 0, {}, "cannot read the plan " + shown + ": there is no such file"));
        return out;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxPlanBytes) {
        out.errors.push_back(at(0, 0, {}, "cannot read the plan " + shown + (ec ? ": " + ec.message() : ": it is too large")));
        return out;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size()))) {
        out.errors.push_back(at(0, 0, {}, "cannot read the plan " + shown));
        return out;
    }
    return parsePlan(text);
}

} // namespace aulira
