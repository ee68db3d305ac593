#pragma once
// A site plan: one row per device, the device named by its MAC address (or by
// an address, MAC or number), every other column a parameter named as the
// field table names it. An empty cell leaves the field as the device has it.
// Plans come from CSV files (UTF-8, with or without a byte-order mark) or are
// built in memory (editing several devices at once).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace aulira {

// One thing wrong with a plan, where it is: the line a row starts on and the
// column, both counted from 1 (0: the file as a whole, or the whole row).
struct PlanError {
    int line = 0;
    int column = 0;
    std::string field; // the column's name, when the error is about one
    std::string text;  // the sentence for the user

    // "line 3, column 5 (volume): volume must be a number from 0 to 100"
    std::string message() const;
    bool operator==(const PlanError&) const = default;
};

enum class PlanKey {
    Mac,    // column "mac": the device's MAC address
    Device, // column "device": an address, a MAC address or a device number
};
inline constexpr std::string_view kPlanMacColumn = "mac";
inline constexpr std::string_view kPlanDeviceColumn = "device";

// One planned value: the field (index into kSysParaFields), its column and
// the text as given.
struct PlanValue {
    std::size_t field = 0;
    int column = 0;
    std::string text;
};

struct PlanRow {
    int line = 0;
    std::string device;             // the first cell as written
    std::vector<PlanValue> values;  // the cells that are not empty, in column order
    // The value given for a field, or null.
    const PlanValue* value(std::string_view field) const;
};

struct SitePlan {
    PlanKey key = PlanKey::Mac;
    std::vector<std::string> columns; // the header as written
    std::vector<PlanRow> rows;
};

// What reading a plan gave: the plan, and every error found without asking
// any device (unknown columns, values the fields do not take, names too long,
// a device or a number or an address given twice). A plan with errors must
// not be run.
struct PlanRead {
    SitePlan plan;
    std::vector<PlanError> errors;
    // The file was read as a table with a device column and at least one
    // row, so the plan can still be reviewed against the devices to find
    // the rest of its errors, even when some cells are wrong.
    bool complete = false;
    bool ok() const { return errors.empty(); }
};

PlanRead parsePlan(std::string_view text);
// Reads the file whole first; a file that cannot be read, or is no text (an
// exported configuration, UTF-16 text), is one error at line 0.
PlanRead readPlanFile(const std::filesystem::path& path);

// The checks parsePlan runs on a plan built in memory: values, names, devices
// and numbers or addresses given twice.
std::vector<PlanError> checkPlanValues(const SitePlan& plan);

// The fields a plan may set: every field of the table but the firmware
// version and the MAC address, which belong to the device.
bool plannableField(std::size_t field);

// The column of the field in the plan, counted from 1; 0 when it has none.
int planColumnOf(const SitePlan& plan, std::string_view field);

} // namespace aulira
