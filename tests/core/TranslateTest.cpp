// The program's language: how it is named, where it comes from, and the
// catalog made from the translation files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "shell/AppConfig.h"
#include "shell/Strings.h"
#include "shell/Translate.h"
#include "support/TestUtil.h"

using namespace aulira;

namespace {

struct LanguageGuard {
    ~LanguageGuard() { setLanguage(Language::English); }
};

void setVar(const char* name, const char* value)
{
#if defined(_WIN32)
    _putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

void unsetVar(const char* name)
{
#if defined(_WIN32)
    _putenv_s(name, ""); // an empty value removes the variable there
#else
    ::unsetenv(name);
#endif
}

// Sets the locale variables for one case and puts the old ones back.
class EnvGuard {
public:
    EnvGuard()
    {
        for (const char* v : kVars)
            if (const char* s = std::getenv(v))
                saved_.emplace_back(v, s);
    }
    ~EnvGuard()
    {
        clear();
        for (const auto& [k, v] : saved_)
            setVar(k.c_str(), v.c_str());
    }
    void clear()
    {
        for (const char* v : kVars)
            unsetVar(v);
    }

private:
    static constexpr const char* kVars[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::pair<std::string, std::string>> saved_;
};

} // namespace

TEST(Translate, LanguageNames)
{
    const std::pair<const char*, std::optional<Language>> cases[] = {
        {"en", Language::English},           {"en_US.UTF-8", Language::English},
        {"EN-gb", Language::English},         {"zh_CN", Language::SimplifiedChinese},
        {"zh-CN", Language::SimplifiedChinese}, {"zh_CN.GB18030", Language::SimplifiedChinese},
        {"zh_SG", Language::SimplifiedChinese}, {"zh_Hans_CN", Language::SimplifiedChinese},
        {"zh", Language::SimplifiedChinese},  {"zh_TW", std::nullopt}, // traditional script: not spoken here
        {"fr_FR", std::nullopt},              {"C", std::nullopt},
        {"POSIX", std::nullopt},              {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(expected, parseLanguage(text)) << text;
    EXPECT_STREQ("zh_CN", languageCode(Language::SimplifiedChinese));
    EXPECT_STREQ("en", languageCode(Language::English));
}

TEST(Translate, LanguageFromTheLocaleVariables)
{
    struct Case {
        const char* language;
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        Language expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, nullptr, Language::English},
        {nullptr, nullptr, nullptr, "zh_CN.UTF-8", Language::SimplifiedChinese},
        {nullptr, nullptr, "en_US.UTF-8", "zh_CN.UTF-8", Language::English}, // LC_MESSAGES before LANG
        {nullptr, "zh_CN.UTF-8", "en_US.UTF-8", "en_US.UTF-8", Language::SimplifiedChinese},
        {nullptr, "C", nullptr, "zh_CN.UTF-8", Language::English},           // LC_ALL=C wins
        {"zh_CN:en", nullptr, nullptr, "en_US.UTF-8", Language::SimplifiedChinese},
        {"zh_CN", nullptr, nullptr, "C", Language::English}, // LANGUAGE counts only with a locale
        {nullptr, nullptr, nullptr, "de_DE.UTF-8", Language::English},
    };
    EnvGuard env;
    for (const auto& c : cases) {
        env.clear();
        const std::pair<const char*, const char*> vars[] = {
            {"LANGUAGE", c.language}, {"LC_ALL", c.lcAll}, {"LC_MESSAGES", c.lcMessages}, {"LANG", c.lang}};
        for (const auto& [k, v] : vars)
            if (v)
                setVar(k, v);
        EXPECT_EQ(c.expected, languageFromEnvironment())
            << (c.language ? c.language : "-") << " " << (c.lcAll ? c.lcAll : "-") << " "
            << (c.lcMessages ? c.lcMessages : "-") << " " << (c.lang ? c.lang : "-");
    }
}

TEST(Translate, IniTextLanguageLeavesTheOldNumberAlone)
{
    struct Case {
        const char* ini;
        std::optional<Language> language;
        bool problem;
    };
    const Case cases[] = {
        {"", std::nullopt, false},
        {"[Text]\nLanguage=zh_CN\n", Language::SimplifiedChinese, false},
        {"[SysCfg]\nLanguage=2\n[Text]\nLanguage=en\n", Language::English, false},
        {"[TEXT]\nlanguage = \"zh-cn\"\n", Language::SimplifiedChinese, false},
        {"[Text]\nLanguage=klingon\n", std::nullopt, true},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        std::ofstream(dir.path() / "AuliraServer.ini") << c.ini;
        const AppConfig config(dir.path());
        EXPECT_EQ(c.language, config.language) << c.ini;
        EXPECT_EQ(c.problem, !config.problems.empty()) << c.ini;
        if (c.problem) {
            EXPECT_NE(std::string::npos, config.problems.front().find("Text/Language: \"klingon\""));
        }
        // SysCfg/Language is read and then fixed, whatever Text/Language says.
        EXPECT_EQ(0x0409, config.langId);
        EXPECT_EQ(1u, config.languageNumber);
    }
}

TEST(Translate, TheCatalogSpeaksChineseWhereAsked)
{
    LanguageGuard guard;
    setLanguage(Language::SimplifiedChinese);
    EXPECT_STREQ("没有设备分组！\n\n", stringText(IDS_NO_GROUPING));
    EXPECT_STREQ("离线", stringText(IDS_WORKSTATE_OFFLINE));
    EXPECT_STREQ("未知命令 %1", translate("auctl", "unknown command %1"));
    // A text the catalog does not know, or knows in another context, stays as it is.
    EXPECT_STREQ("no such text", translate("auctl", "no such text"));
    EXPECT_STREQ("unknown command %1", translate("aulira::Strings", "unknown command %1"));
    EXPECT_STREQ("", stringText(99999));
    {
        const EnglishScope english;
        EXPECT_STREQ("No device grouping!\n\n", stringText(IDS_NO_GROUPING));
        // Other threads keep the program's language.
        std::string other;
        std::thread([&] { other = stringText(IDS_WORKSTATE_OFFLINE); }).join();
        EXPECT_EQ("离线", other);
    }
    EXPECT_STREQ("离线", stringText(IDS_WORKSTATE_OFFLINE));
    setLanguage(Language::English);
    EXPECT_STREQ("No device grouping!\n\n", stringText(IDS_NO_GROUPING));
}

TEST(Translate, EveryStringTableTextHasItsTranslation)
{
    LanguageGuard guard;
    int checked = 0;
    for (int id = 1; id < 60000; ++id) {
        setLanguage(Language::English);
        const std::string english = stringText(id);
        if (english.empty())
            continue;
        setLanguage(Language::SimplifiedChinese);
        const std::string chinese = stringText(id);
        ++checked;
        // Ids and names that read the same in both languages are few and short.
        if (english != "Aulira" && english != "MAC") {
            EXPECT_NE(english, chinese) << id;
        }
        EXPECT_EQ(english.size() - english.find_last_not_of('\n') - 1,
                  chinese.size() - chinese.find_last_not_of('\n') - 1)
            << id << ": line feeds kept";
    }
    EXPECT_GT(checked, 90);
}

TEST(Translate, ArgumentsGoWhereTheTranslationPutsThem)
{
    EXPECT_EQ("经 127.0.0.1 轮询 10.0.0.5：已应答",
              formatText("经 %2 轮询 %1：%3", {"10.0.0.5", "127.0.0.1", "已应答"}));
    EXPECT_EQ("100% of %3 x", formatText("100% of %3 %1", {"x"})); // unknown and bare % stay
    EXPECT_EQ("%1", formatText("%1", {"%1"}));                     // arguments are not read again
}
