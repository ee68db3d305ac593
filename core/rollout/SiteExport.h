#pragma once
// A site as a plan: every device by its MAC address with every field its own
// layout holds, so that commissioning the plan restores the site, plus each
// device's record as a configuration file.
#include <filesystem>
#include <string>
#include <vector>

#include "rollout/PlanReview.h"
#include "util/Csv.h"

namespace aulira {

inline constexpr const char* kSitePlanFile = "site.csv";

// The plan's header ("mac", then every plannable field that some device's
// layout holds, in table order) and one row per read device, in the order
// given. A cell is left empty where the device's layout lacks the field, and
// where its stored value is one a plan could not give back (a list position
// off the list), so the plan never holds what its own check would refuse.
struct SitePlanTable {
    CsvRow header;
    std::vector<CsvRow> rows;
};
SitePlanTable sitePlanTable(const DeviceList& list, const std::vector<DeviceRecord>& devices);

// The configuration file name of a device: its MAC address as
// "02-4b-50-00-00-02.alc".
std::string siteConfigFileName(const SysParaBuffer& record);

// Writes DIR/site.csv and DIR/<MAC>.alc for every device that was read,
// creating DIR when needed. False with the reason on the first file that
// cannot be written.
bool exportSite(const std::filesystem::path& dir, const DeviceList& list, const std::vector<DeviceRecord>& devices,
                std::string* error = nullptr);

} // namespace aulira
