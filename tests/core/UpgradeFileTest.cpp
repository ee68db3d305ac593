#include <gtest/gtest.h>

#include "shell/Strings.h"
#include "support/UpgradeFiles.h"
#include "upgrade/UpgradeFile.h"

using namespace aulira;
using namespace aulira::test;

namespace {

std::vector<std::uint8_t> header(const char* model = "KP-4410")
{
    return upgradeHeader(model, "V2.2.0", "2024-05-01 10:00");
}

class UpgradeFileTest : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        writeAll(dir.path() / name, bytes);
        return dir.path() / name;
    }

    TempDir dir;
};

} // namespace

TEST_F(UpgradeFileTest, AcceptsAHeaderWithOneImageByteAndReadsItsTexts)
{
    auto bytes = header("KM-220");
    bytes.push_back(0x42);
    const auto c = CheckUpgradeFile(write("one.bin", bytes));
    ASSERT_TRUE(c.ok()) << c.text();
    EXPECT_EQ("", c.text());
    EXPECT_EQ(129u, c.size);
    EXPECT_EQ("V2.2.0", c.header.version());
    EXPECT_EQ("2024-05-01 10:00", c.header.buildDate());
    EXPECT_EQ("KM-220", c.header.modelText());

    const auto f = LoadUpgradeFile(dir.path() / "one.bin");
    ASSERT_TRUE(f);
    EXPECT_EQ(1u, f->imageSize());
    EXPECT_EQ(0x42, f->image()[0]);
    EXPECT_EQ(bytes, f->bytes);
}

TEST_F(UpgradeFileTest, RefusesWithTheTextTheUserSees)
{
    EXPECT_EQ("Failed to get file information!\n\n", CheckUpgradeFile(dir.path() / "missing.bin").text());

    // The header alone, or less, holds no image.
    EXPECT_EQ("File length error!\n\n", CheckUpgradeFile(write("hdr.bin", header())).text());
    EXPECT_EQ("File length error!\n\n", CheckUpgradeFile(write("empty.bin", {})).text());
    EXPECT_EQ("File length error!\n\n", CheckUpgradeFile(dir.path()).text()) << "a folder has no length to upgrade";

    // The magic's NUL is part of it; so is its case.
    auto noNul = header();
    noNul.push_back(1);
    noNul[15] = 'X';
    EXPECT_EQ("Non upgrade file!\n\n", CheckUpgradeFile(write("nonul.bin", noNul)).text());
    auto lower = header();
    lower.push_back(1);
    lower[0] = 'k';
    const auto c = CheckUpgradeFile(write("lower.bin", lower));
    EXPECT_EQ(IDS_UPGRADE_NOT_UPGRADE_FILE, c.error);
    EXPECT_EQ("", c.header.version()) << "a refused file shows no version";
}

TEST_F(UpgradeFileTest, ImageBeyondWhatPacketsCanCountIsRefusedWithoutReadingIt)
{
    // Sparse: no disk or memory is spent on the size.
    auto at = write("big.bin", header());
    std::filesystem::resize_file(at, 128 + upgfile::maxImageSize + 1);
    const auto c = CheckUpgradeFile(at);
    EXPECT_EQ(IDS_UPGRADE_FILE_TOO_LARGE, c.error);
    EXPECT_NE(std::string::npos, c.text().find("65535 packets"));
    EXPECT_FALSE(LoadUpgradeFile(at));

    std::filesystem::resize_file(at, 128 + upgfile::maxImageSize);
    EXPECT_TRUE(CheckUpgradeFile(at).ok()) << "65535 full packets still fit";

    EXPECT_FALSE(LoadUpgradeFile(write("hdr.bin", header())));
    EXPECT_FALSE(LoadUpgradeFile(dir.path() / "missing.bin"));
}
