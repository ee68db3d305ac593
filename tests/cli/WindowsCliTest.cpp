// auctl.exe with a data folder whose name no ANSI code page holds: the name
// travels as UTF-16 on the command line and as UTF-8 inside, and the files
// land in the folder of that name.
#include <gtest/gtest.h>

#include <windows.h>

#include "devices/DeviceListFile.h"
#include "shell/AppDir.h"
#include "support/CliRunner.h"
#include "support/TestUtil.h"
#include "util/PathText.h"

using namespace aulira;
using namespace aulira::test;
namespace fs = std::filesystem;

namespace {

const std::string kFolderName = "Donn\xC3\xA9" "es-\xE7\xAB\x99\xE7\x82\xB9"; // Données-站点

// Runs the built auctl.exe with a UTF-16 command line; returns its exit status.
int runAuctlExe(const std::wstring& arguments)
{
    const fs::path exe = executableDirectory() / ".." / ".." / "cli" / "auctl.exe";
    std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -static_cast<int>(GetLastError());
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

} // namespace

TEST(WindowsDataFolder, ANonAsciiFolderNamedInProcessHoldsTheDeviceList)
{
    TempDir dir;
    const fs::path folder = dir.path() / pathFromUtf8(kFolderName);
    const CliRun add = runAuctl({"--quiet", "--data-dir", pathToUtf8(folder), "--adapter", "127.0.0.1"},
                                {"devices", "add", "--no", "7", "--name", "Lobby", "--ip", "10.9.1.7", "--mask",
                                 "255.255.255.0"});
    ASSERT_EQ(0, add.code) << add.err;
    const auto c = decodeDeviceListFile(readAll(folder / kDeviceListFileName));
    ASSERT_TRUE(c.intact());
    ASSERT_EQ(1u, c.records.size());
    EXPECT_EQ(ip("10.9.1.7"), c.records[0].ip);
    // Nothing went to a folder of a mangled name beside it.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(1u, entries);
}

TEST(WindowsDataFolder, ANonAsciiFolderReachesAuctlExeFromItsCommandLine)
{
    TempDir dir;
    const fs::path folder = dir.path() / pathFromUtf8(kFolderName);
    const std::wstring common = L"--quiet --data-dir \"" + folder.wstring() + L"\" --adapter 127.0.0.1 ";
    ASSERT_EQ(0, runAuctlExe(common + L"devices add --no 9 --name Hall --ip 10.9.1.9 --mask 255.255.255.0"));
    ASSERT_EQ(0, runAuctlExe(common + L"devices add --no 10 --name Desk --ip 10.9.1.10 --mask 255.255.255.0"));
    // A repeat is refused there too: the second run read the first run's file.
    EXPECT_EQ(1, runAuctlExe(common + L"devices add --no 9 --name Again --ip 10.9.1.99 --mask 255.255.255.0"));
    const auto c = decodeDeviceListFile(readAll(folder / kDeviceListFileName));
    ASSERT_TRUE(c.intact());
    EXPECT_EQ(2u, c.records.size());
}
