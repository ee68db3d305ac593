#include "rollout/SiteExport.h"

#include <algorithm>
#include <system_error>

#include "devices/DeviceList.h"
#include "params/ConfigFile.h"
#include "params/SysParaSettings.h"
#include "util/Ipv4.h"
#include "util/PathText.h"

namespace aulira {

SitePlanTable sitePlanTable(const DeviceList& list, const std::vector<DeviceRecord>& devices)
{
    SitePlanTable table;
    bool anyLong = false, anyShort = false;
    for (const auto& d : devices)
        if (d.read())
            (d.ext ? anyLong : anyShort) = true;
    std::vector<std::size_t> fields;
    for (std::size_t i = 0; i < kSysParaFieldCount; ++i) {
        const SysParaField& f = kSysParaFields[i];
        if (plannableField(i) && ((anyLong && f.in(true)) || (anyShort && f.in(false))))
            fields.push_back(i);
    }
    table.header.emplace_back(kPlanMacColumn);
    for (auto i : fields)
        table.header.emplace_back(kSysParaFields[i].name);
    for (const auto& d : devices) {
        if (!d.read())
            continue;
        std::string model;
        {
            std::lock_guard lock(list.mutex());
            model = d.item->devItem.modelText();
        }
        const auto settings = SysParaSettings::load(d.record, d.ext);
        // Each cell is taken back through the rules a plan is read by; one
        // they would refuse stays empty, and the device keeps that field.
        SysParaSettings probe = settings;
        probe.setIntercomStatusOffered(offersIntercomStatus(model));
        CsvRow row{formatMac(d.record.data() + kLayout436.mac)};
        for (auto i : fields) {
            const SysParaField& f = kSysParaFields[i];
            std::string cell;
            if (f.in(d.ext)) {
                cell = settings.display(i);
                if (!probe.set(f.name, cell).empty())
                    cell.clear();
            }
            row.push_back(std::move(cell));
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::string siteConfigFileName(const SysParaBuffer& record)
{
    std::string mac = formatMac(record.data() + kLayout436.mac);
    std::replace(mac.begin(), mac.end(), ':', '-');
    return mac + ".alc";
}

bool exportSite(const std::filesystem::path& dir, const DeviceList& list, const std::vector<DeviceRecord>& devices,
                std::string* error)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        if (error)
            *error = "cannot create " + pathToUtf8(dir) + ": " + ec.message();
        return false;
    }
    for (const auto& d : devices)
        if (d.read() && !exportConfigFile(dir / siteConfigFileName(d.record), d.record, error))
            return false;
    const SitePlanTable table = sitePlanTable(list, devices);
    return writeCsvFile(dir / kSitePlanFile, table.header, table.rows, error);
}

} // namespace aulira
