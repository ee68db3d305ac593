#include "shell/Translate.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>

#include "shell/Catalog.h"

namespace aulira {

namespace {

std::atomic<Language> currentLanguage{Language::English};
thread_local bool englishOnThisThread = false;

} // namespace

std::optional<Language> parseLanguage(std::string_view text)
{
    std::string s;
    for (char c : text) {
        if (c == '.' || c == '@') // codeset and modifier say nothing about the language
            break;
        s += static_cast<char>(std::tolower(static_cast<unsigned char>(c == '-' ? '_' : c)));
    }
    if (s == "en" || s.rfind("en_", 0) == 0)
        return Language::English;
    // Simplified Chinese: the mainland, Singapore, or the script named.
    if (s == "zh" || s == "zh_cn" || s == "zh_sg" || s == "zh_hans" || s.rfind("zh_hans_", 0) == 0)
        return Language::SimplifiedChinese;
    return std::nullopt;
}

const char* languageCode(Language language) { return language == Language::SimplifiedChinese ? "zh_CN" : "en"; }

Language languageFromEnvironment()
{
    // LANGUAGE is GNU's list of preferences; it counts only with a locale set.
    if (const char* list = std::getenv("LANGUAGE"); list && *list) {
        const char* lang = std::getenv("LANG");
        const char* all = std::getenv("LC_ALL");
        if ((lang && *lang && std::strcmp(lang, "C") != 0) || (all && *all && std::strcmp(all, "C") != 0)) {
            std::string_view rest(list);
            const auto first = rest.substr(0, rest.find(':'));
            if (auto l = parseLanguage(first))
                return *l;
        }
    }
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value)
            return parseLanguage(value).value_or(Language::English);
    }
    return Language::English;
}

Language language() { return currentLanguage.load(); }

void setLanguage(Language language) { currentLanguage.store(language); }

const char* translate(const char* context, const char* sourceText)
{
    if (englishOnThisThread || currentLanguage.load() == Language::English || !sourceText || !*sourceText)
        return sourceText;
    using Key = std::pair<std::string_view, std::string_view>;
    static const std::map<Key, const char*> table = [] {
        std::map<Key, const char*> t;
        for (const auto& e : zhCnCatalog())
            t.emplace(Key(e.context, e.source), e.translation);
        return t;
    }();
    const auto it = table.find(Key(context ? context : "", sourceText));
    return it == table.end() ? sourceText : it->second;
}

EnglishScope::EnglishScope() : previous_(englishOnThisThread) { englishOnThisThread = true; }

EnglishScope::~EnglishScope() { englishOnThisThread = previous_; }

std::string formatText(std::string_view text, const std::vector<std::string>& args)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const std::size_t n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < args.size()) {
                out += args[n];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace aulira
