#include <gtest/gtest.h>

#include <fstream>

#include "shell/AppConfig.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::test;

namespace {

class IniTest : public ::testing::Test {
protected:
    void write(const std::string& text)
    {
        std::ofstream(dir.path() / "AuliraServer.ini", std::ios::binary) << text;
    }
    IniFile ini() const { return IniFile(dir.path() / "AuliraServer.ini"); }
    TempDir dir;
};

} // namespace

TEST_F(IniTest, MissingFileSectionOrKeyReadsEmpty)
{
    EXPECT_EQ("", ini().GetString("SysCfg", "Language"));
    EXPECT_EQ(0u, ini().GetUInt("SysCfg", "Language"));
    write("[Other]\nLanguage=5\n[SysCfg]\nOther=1\n");
    EXPECT_EQ("", ini().GetString("SysCfg", "Language"));
    EXPECT_EQ("1", ini().GetString("SysCfg", "Other"));
}

TEST_F(IniTest, LookupFollowsTheProfileRules)
{
    write("\xEF\xBB\xBF; a comment\r\n[ syscfg ]\r\n  LANGUAGE =  \"7 quoted \" \r\n;Key=commented\r\n"
          "Name = plain value\r\n[Next]\r\nName=other\r\n");
    EXPECT_EQ("7 quoted ", ini().GetString("SysCfg", "Language"));
    EXPECT_EQ("plain value", ini().GetString("SYSCFG", "name"));
    EXPECT_EQ("", ini().GetString("SysCfg", "Key"));
    EXPECT_EQ("other", ini().GetString("Next", "Name"));
    // A value longer than any fixed buffer comes back whole.
    write("[S]\nK=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(5000u, ini().GetString("S", "K").size());
}

TEST_F(IniTest, NumbersAreTheLeadingDigitsOfTheFirst64Characters)
{
    write("[SysCfg]\nA=12abc\nB=abc\nC=\nD=" + std::string(63, '0') + "79\nE=99999999999\n");
    EXPECT_EQ(12u, ini().GetUInt("SysCfg", "A"));
    EXPECT_EQ(0u, ini().GetUInt("SysCfg", "B"));
    EXPECT_EQ(0u, ini().GetUInt("SysCfg", "C"));
    EXPECT_EQ(7u, ini().GetUInt("SysCfg", "D"));
    EXPECT_EQ(4294967295u, ini().GetUInt("SysCfg", "E"));
}

TEST_F(IniTest, ConfigurationFixesTheLanguageAndReadsTheNetworkKeys)
{
    // The fixed language number is TranslateTest's.
    AppConfig none(dir.path());
    EXPECT_TRUE(none.adapters.empty());
    EXPECT_FALSE(none.devicePort);
    EXPECT_FALSE(none.codePage);
    EXPECT_TRUE(none.problems.empty());

    write("[SysCfg]\nLanguage=12abc\n[Network]\nAdapters=127.0.0.1, 10.0.0.2;bogus\nDevicePort=40000\n"
          "[Text]\nCodePage=936\n");
    AppConfig cfg(dir.path());
    EXPECT_EQ((std::vector<std::string>{"127.0.0.1", "10.0.0.2"}), cfg.adapters);
    EXPECT_EQ(40000, cfg.devicePort.value_or(0));
    EXPECT_EQ(936, cfg.codePage.value_or(0));
    ASSERT_EQ(1u, cfg.problems.size());
    EXPECT_NE(std::string::npos, cfg.problems[0].find("bogus"));

    write("[Network]\nDevicePort=70000\n[Text]\nCodePage=abc\n");
    AppConfig bad(dir.path());
    EXPECT_FALSE(bad.devicePort);
    EXPECT_FALSE(bad.codePage);
    EXPECT_EQ(2u, bad.problems.size());
}

TEST_F(IniTest, TextLookupMatchesTheFile)
{
    const std::string text = "\xEF\xBB\xBF[SysCfg]\r\nLanguage = 0042x\r\n";
    write(text);
    EXPECT_EQ("0042x", IniFile::FindString(text, "syscfg", "LANGUAGE"));
    EXPECT_EQ(ini().GetString("SysCfg", "Language"), IniFile::FindString(text, "SysCfg", "Language"));
    EXPECT_EQ(42u, IniFile::ToUInt("0042x"));
    EXPECT_EQ(0u, IniFile::ToUInt(std::string(64, '0') + "5"));
    EXPECT_EQ("", IniFile::FindString("", "SysCfg", "Language"));
}
