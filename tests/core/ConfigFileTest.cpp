#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "params/ConfigFile.h"
#include "params/ParaBackups.h"
#include "params/SysParaFields.h"
#include "params/SysParaOffsets.h"
#include "support/TestUtil.h"

using namespace aulira;
using aulira::test::readAll;
using aulira::test::writeAll;
using aulira::test::TempDir;

namespace {

constexpr std::size_t kMac = 56;

// Every byte differs from its neighbours and from the other seed's, so a
// shifted, short or partly copied body cannot pass for the right one.
SysParaBuffer record(std::uint8_t seed)
{
    SysParaBuffer r;
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return r;
}

} // namespace

TEST(ConfigFile, LayoutOfAnExportedFile)
{
    const SysParaBuffer r = record(3);
    const auto bytes = encodeConfigFile(r);
    ASSERT_EQ(504u, bytes.size());
    EXPECT_EQ("Aulira config file", std::string(bytes.begin(), bytes.begin() + 18));
    for (std::size_t i = 18; i < 64; ++i)
        EXPECT_EQ(0, bytes[i]) << "magic field byte " << i;
    EXPECT_EQ((std::vector<std::uint8_t>{0xB4, 0x01, 0x00, 0x00}), std::vector<std::uint8_t>(bytes.begin() + 64, bytes.begin() + 68));
    // The whole buffer, including the tail only the long layout uses.
    EXPECT_TRUE(std::equal(r.begin(), r.end(), bytes.begin() + 68));
}

TEST(ConfigFile, LoadTakesTheBodyButKeepsOurMac)
{
    const SysParaBuffer ours = record(1);
    const SysParaBuffer theirs = record(100);

    SysParaBuffer r = ours;
    EXPECT_EQ(ConfigLoad::Loaded, decodeConfigFile(encodeConfigFile(theirs), r));
    for (std::size_t i = 0; i < r.size(); ++i)
        EXPECT_EQ(i >= kMac && i < kMac + 6 ? ours[i] : theirs[i], r[i]) << "byte " << i;

    // The magic is not checked, and nothing after the 504th byte is read.
    auto foreign = encodeConfigFile(theirs);
    std::fill_n(foreign.begin(), 64, 'x');
    foreign.resize(4096, 0xEE);
    SysParaBuffer r2 = ours;
    EXPECT_EQ(ConfigLoad::Loaded, decodeConfigFile(foreign, r2));
    EXPECT_EQ(r, r2);
}

TEST(ConfigFile, AnyOtherLengthChangesNothing)
{
    const SysParaBuffer ours = record(1);
    for (std::uint32_t length : {392u, 0u, 0xFFFFFFFFu, 435u, 437u, 0x01B40000u}) {
        auto file = encodeConfigFile(record(100));
        writeU32(file, 64, length);
        SysParaBuffer r = ours;
        EXPECT_EQ(ConfigLoad::OtherLength, decodeConfigFile(file, r)) << length;
        EXPECT_EQ(ours, r) << length;
        // The body is never wanted, so its absence is no error.
        file.resize(68);
        EXPECT_EQ(ConfigLoad::OtherLength, decodeConfigFile(file, r)) << length;
        EXPECT_EQ(ours, r) << length;
    }
}

TEST(ConfigFile, AFileCutAtAnyOffsetChangesNothing)
{
    const SysParaBuffer ours = record(1);
    const auto whole = encodeConfigFile(record(100));
    for (std::size_t n = 0; n < whole.size(); ++n) {
        SysParaBuffer r = ours;
        EXPECT_EQ(ConfigLoad::Truncated, decodeConfigFile(ConstBytes(whole.data(), n), r)) << n;
        EXPECT_EQ(ours, r) << n;
    }
}

TEST(ConfigFile, ExportAndImportThroughFiles)
{
    TempDir dir;
    const auto path = dir.path() / "hall.alc";
    const SysParaBuffer theirs = record(100);
    std::string error;
    ASSERT_TRUE(exportConfigFile(path, theirs, &error)) << error;
    EXPECT_EQ(encodeConfigFile(theirs), readAll(path));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "hall.alc.tmp"));

    SysParaBuffer r = record(1);
    error = "untouched";
    EXPECT_EQ(ConfigLoad::Loaded, importConfigFile(path, r, &error));
    EXPECT_EQ("untouched", error);
    EXPECT_EQ(record(1)[kMac + 5], r[kMac + 5]);
    EXPECT_EQ(theirs[kMac + 6], r[kMac + 6]);


    EXPECT_FALSE(exportConfigFile(dir.path() / "no-such-dir" / "x.alc", theirs, &error));
    EXPECT_FALSE(error.empty());
}

#ifndef _WIN32
// Configuration files and backups carry the devices' passwords: only their
// owner reads them, even under a permissive umask.
TEST(ConfigFile, FilesWithPasswordsAreTheOwnersAlone)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const auto oldMask = ::umask(0);
    std::string error;
    const bool exported = exportConfigFile(dir.path() / "hall.alc", record(7), &error);
    fs::create_directories(dir.path() / "backups"); // as an older version left it: 0777 here
    const fs::path backup = backupRecord(dir.path(), record(7), &error);
    ::umask(oldMask);
    ASSERT_TRUE(exported) << error;
    ASSERT_FALSE(backup.empty()) << error;
    const auto mode = [](const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; };
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, mode(dir.path() / "hall.alc"));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, mode(backup));
    EXPECT_EQ(fs::perms::owner_all, mode(backup.parent_path()));
    EXPECT_EQ(fs::perms::owner_all, mode(dir.path() / "backups"));
}
#endif

TEST(ConfigFile, FailedImportsLeaveTheRecordAndSaySo)
{
    TempDir dir;
    const SysParaBuffer ours = record(1);
    SysParaBuffer r = ours;
    std::string error;

    EXPECT_EQ(ConfigLoad::CannotOpen, importConfigFile(dir.path() / "missing.alc", r, &error));
    EXPECT_NE(std::string::npos, error.find("missing.alc")) << error;
    error.clear();
    EXPECT_EQ(ConfigLoad::CannotOpen, importConfigFile(dir.path(), r, &error));
    EXPECT_FALSE(error.empty());

    const auto cut = dir.path() / "cut.alc";
    auto bytes = encodeConfigFile(record(100));
    bytes.resize(300);
    writeAll(cut, bytes);
    EXPECT_EQ(ConfigLoad::Truncated, importConfigFile(cut, r, &error));
    EXPECT_NE(std::string::npos, error.find("cut.alc")) << error;
    EXPECT_NE(std::string::npos, error.find("300 of 504")) << error;
    EXPECT_EQ(ours, r);
    EXPECT_EQ(ConfigLoad::Truncated, importConfigFile(cut, r)); // no error text wanted

#ifndef _WIN32
    // An endless file ends the read after 504 bytes (of zeros: length 0).
    EXPECT_EQ(ConfigLoad::OtherLength, importConfigFile("/dev/zero", r));
    EXPECT_EQ(ours, r);
#endif
}

// What both front ends import: a file of the device's own layout only, with
// the same sentence for every refusal.
TEST(ConfigFile, ImportForADeviceRefusesTheOtherLayout)
{
    TempDir dir;
    auto withVersion = [](const char* version) {
        SysParaBuffer r = record(9);
        // Names and addresses a device can keep, where the version's layout
        // has them: an import refuses others (a test of its own).
        for (bool ext : {std::string_view(version) > kSysParaLastShortVersion}) {
            for (const auto& f : kSysParaFields) {
                if (!f.in(ext))
                    continue;
                const auto off = static_cast<std::size_t>(f.offset(ext));
                if (f.kind == FieldKind::Text)
                    r[off + f.width - 1] = 0; // each name ends within its field
                else if (f.name == "ip")
                    writeIp(r, off, parseIp("10.9.0.60").value());
                else if (f.name == "mask")
                    writeIp(r, off, parseIp("255.255.255.0").value());
                else if (f.name == "gateway")
                    writeIp(r, off, parseIp("10.9.0.1").value());
            }
        }
        writeFixedText(r, kLayout436.version, kSysParaVersionWidth, version);
        return r;
    };
    const auto longFile = dir.path() / "long.alc";
    const auto shortFile = dir.path() / "short.alc";
    const auto oddFile = dir.path() / "odd.alc";
    ASSERT_TRUE(exportConfigFile(longFile, withVersion("V2.0.1")));
    ASSERT_TRUE(exportConfigFile(shortFile, withVersion("V1.0.7")));
    auto odd = encodeConfigFile(record(9));
    odd[kConfigFileLengthOffset] = 392 & 0xFF;
    odd[kConfigFileLengthOffset + 1] = 392 >> 8;
    writeAll(oddFile, odd);

    const struct {
        std::filesystem::path file;
        bool ext;
        ConfigLoad result;
        std::string message; // after the file name
    } cases[] = {
        {longFile, true, ConfigLoad::Loaded, ""},
        {shortFile, false, ConfigLoad::Loaded, ""},
        {shortFile, true, ConfigLoad::OtherLayout,
         " was saved from a device with the 392-byte parameter record; this device uses the 436-byte record, so "
         "nothing was imported"},
        {longFile, false, ConfigLoad::OtherLayout,
         " was saved from a device with the 436-byte parameter record; this device uses the 392-byte record, so "
         "nothing was imported"},
        {oddFile, true, ConfigLoad::OtherLength, " does not hold a 436-byte parameter record; nothing was imported"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.filename().string() + (c.ext ? " into 436" : " into 392"));
        const SysParaBuffer ours = record(1);
        SysParaBuffer r = ours;
        std::string error;
        EXPECT_EQ(c.result, importConfigFileForDevice(c.file, r, c.ext, &error));
        if (c.result == ConfigLoad::Loaded) {
            EXPECT_EQ(record(9)[kLayout436.devNo], r[kLayout436.devNo]);
            EXPECT_EQ(ours[kMac], r[kMac]);
            EXPECT_TRUE(error.empty());
        } else {
            EXPECT_EQ(ours, r);
            EXPECT_EQ(c.file.string() + c.message, error);
        }
    }
}
