// auctl in Simplified Chinese: --lang, the INI's Text/Language, and the
// output scripts read staying English.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "shell/Translate.h"
#include "support/CliSite.h"

using namespace aulira;
using namespace aulira::test;

namespace {

class CliLanguageTest : public CliSiteTest {
protected:
    void TearDown() override { setLanguage(Language::English); }
    void writeIni(const std::string& text) { writeText(dir.path() / "AuliraServer.ini", text); }
};

} // namespace

TEST_F(CliLanguageTest, MessagesFollowLang)
{
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* english;
        const char* chinese;
    };
    const Case cases[] = {
        // auctl's own usage errors, with an argument placed by the translation
        {{"devices", "delete", "nothing"}, 2, "auctl: not an IP or MAC address: nothing\n",
         "auctl: 不是 IP 或 MAC 地址：nothing\n"},
        {{"frobnicate"}, 2, "auctl: unknown command frobnicate\n", "auctl: 未知命令 frobnicate\n"},
        // a string table text, refused after the INI was read
        {{"--quiet", "devices", "add", "--no", "0", "--name", "Gate", "--ip", "10.9.0.60", "--mask", "255.255.255.0"},
         1, "auctl: Please enter the correct device NO\xEF\xBC\x81\n", "auctl: 请输入正确的设备编号！\n"},
        {{"--quiet", "devices", "delete", "10.9.0.99"}, 1, "auctl: no saved device has the address 10.9.0.99\n",
         "auctl: 已保存的设备中没有地址为 10.9.0.99 的设备\n"},
    };
    for (const auto& c : cases) {
        for (const bool zh : {false, true}) {
            std::vector<std::string> args{"--lang", zh ? "zh_CN" : "en"};
            args.insert(args.end(), c.args.begin(), c.args.end());
            const CliRun r = run(args);
            SCOPED_TRACE(c.args.front() + (zh ? " zh_CN" : " en"));
            EXPECT_EQ(c.code, r.code);
            // Usage errors are followed by the help text, in the same language.
            EXPECT_EQ(0u, r.err.rfind(zh ? c.chinese : c.english, 0)) << r.err;
            if (c.code == 2) {
                EXPECT_NE(std::string::npos, r.err.find(zh ? "用法：auctl" : "Usage: auctl"));
            }
        }
    }
    EXPECT_EQ(2, run({"--lang", "fr", "search"}).code);
    EXPECT_EQ(0u, run({"--lang", "fr", "search"}).err.rfind("auctl: --lang needs en or zh_CN\n", 0));
    EXPECT_EQ(2, run({"--lang"}).code);
}

TEST_F(CliLanguageTest, IniChoosesTheLanguageAndLangOverridesIt)
{
    const std::vector<std::string> add{"--quiet", "devices", "add", "--no", "0",  "--name",
                                       "Gate",    "--ip",    "10.9.0.60", "--mask", "255.255.255.0"};
    // The old language number keeps its meaning (nothing), the new key decides.
    writeIni("[SysCfg]\nLanguage=1\n[Text]\nLanguage=zh_CN\n");
    EXPECT_EQ("auctl: 请输入正确的设备编号！\n", run(add).err);
    std::vector<std::string> en{"--lang", "en"};
    en.insert(en.end(), add.begin(), add.end());
    EXPECT_EQ("auctl: Please enter the correct device NO\xEF\xBC\x81\n", run(en).err);
    writeIni("[Text]\nLanguage=en\n");
    std::vector<std::string> zh{"--lang", "zh_CN"};
    zh.insert(zh.end(), add.begin(), add.end());
    EXPECT_EQ("auctl: 请输入正确的设备编号！\n", run(zh).err);
    EXPECT_EQ("auctl: Please enter the correct device NO\xEF\xBC\x81\n", run(add).err);
}

TEST_F(CliLanguageTest, TablesAreChineseAndAlignedJsonStaysEnglish)
{
    ASSERT_EQ(0, run({"--quiet", "devices", "add", "--no", "60", "--name", "Gate", "--ip", "10.9.0.60", "--mask",
                      "255.255.255.0"})
                     .code);
    const CliRun table = expectOk(run({"--lang", "zh_CN", "--quiet", "devices", "list", "--no-poll"}));
    std::istringstream lines(table.out);
    std::string head, row;
    std::getline(lines, head);
    std::getline(lines, row);
    EXPECT_EQ(0u, head.rfind("状态  编号  IP 地址", 0)) << head;
    EXPECT_EQ(0u, row.rfind("离线  60    10.9.0.60", 0)) << row;
    EXPECT_NE(std::string::npos, row.find("地址簿"));

    const CliRun json = expectOk(run({"--lang", "zh_CN", "--quiet", "--json", "devices", "list", "--no-poll"}));
    const auto doc = nlohmann::json::parse(json.out);
    ASSERT_EQ(1u, doc.size());
    EXPECT_EQ("Offline", doc[0]["status"]);
    EXPECT_EQ("Address Book", doc[0]["location"]);
    EXPECT_EQ("Offline", doc[0]["deviceStatus"]);
}

TEST(CliTable, WideCharactersTakeTwoColumns)
{
    EXPECT_EQ("编号  X\n1     Y\n", cli::formatTable({{"编号", "X"}, {"1", "Y"}}));
    EXPECT_EQ("é   X\nab  Y\n", cli::formatTable({{"é", "X"}, {"ab", "Y"}}));
}
