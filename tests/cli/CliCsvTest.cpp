// auctl's device list as CSV: the columns of the list, quoted, and the file
// as the desktop app's export writes it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;
using nlohmann::json;

using CliCsvTest = CliSiteTest;

TEST_F(CliCsvTest, DevicesListAsCsvHasTheListColumnsQuoted)
{
    ASSERT_EQ(0, run({"--demo", "--quiet", "search", "--keep"}).code);
    ASSERT_EQ(0, run({"--quiet", "devices", "add", "--no", "60", "--name", "Gate, \"B\"", "--ip", "10.9.0.60",
                      "--mask", "255.255.255.0"})
                     .code);
    CliRun list = expectOk(run({"--quiet", "--json", "devices", "list", "--no-poll"}));
    const auto devices = json::parse(list.out);
    CliRun csv = expectOk(run({"--quiet", "devices", "list", "--no-poll", "--csv"}));

    const auto rows = splitLines(csv.out, "\r\n");
    ASSERT_EQ(devices.size() + 1, rows.size()); // header, rows
    EXPECT_TRUE(csv.out.ends_with("\r\n"));
    EXPECT_EQ("Status,NO,IP Address,MAC,Device Name,Device Type,Firmware Version,Server IP,Device Status,Location",
              rows[0]);
    // Same devices, same order as the list; the name with a comma and quotes is quoted.
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const auto& d = devices[i];
        std::string name = d["name"];
        if (name == "Gate, \"B\"")
            name = "\"Gate, \"\"B\"\"\"";
        const std::string begin = std::string(d["status"]) + "," + std::to_string(int(d["no"])) + "," +
                                  std::string(d["ip"]) + "," + std::string(d["mac"]) + "," + name + ",";
        EXPECT_EQ(begin, rows[i + 1].substr(0, begin.size()));
        EXPECT_NE(std::string::npos, rows[i + 1].find("," + std::string(d["location"])));
    }

    // The file as the desktop app writes it: the same text behind a byte-order mark.
    const auto file = dir.path() / "list.csv";
    ASSERT_EQ(0, run({"--quiet", "devices", "list", "--no-poll", "--csv-file", file.string()}).code);
    const auto bytes = readAll(file);
    EXPECT_EQ("\xEF\xBB\xBF" + csv.out, std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(refused(
        run({"--quiet", "devices", "list", "--no-poll", "--csv-file", (dir.path() / "no/such/dir.csv").string()}),
        "auctl: The device list could not be written to "));
}
