#pragma once
// The language the program speaks, and the texts of the one catalog both
// front ends share. The catalog is made at build time from the translation
// files in translations/ (the desktop app's .qm files come from the same
// files), so auctl needs no Qt to speak Chinese.
//
// Texts are marked where they are written, for lupdate to collect:
// translate("context", "text") looks a text up at once;
// AULIRA_TRANSLATE_NOOP("context", "text") only marks it (tables), and the
// table's reader looks it up.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#define AULIRA_TRANSLATE_NOOP(context, text) text

namespace aulira {

enum class Language { English, SimplifiedChinese };

// "en", "en_US", "zh_CN", "zh-CN", "zh_CN.UTF-8", "zh_Hans_CN"...; case does
// not matter. nullopt for a language this program does not speak, and for "C"
// and "POSIX".
std::optional<Language> parseLanguage(std::string_view text);
// "en" or "zh_CN": the form the INI file and --lang take.
const char* languageCode(Language language);
// The language the POSIX locale variables ask for (LANGUAGE's first entry,
// LC_ALL, LC_MESSAGES, LANG); English when none names one spoken here.
Language languageFromEnvironment();

Language language();
void setLanguage(Language language);

// The text in the program's language: the catalog's finished translation, or
// the text itself. The result lives as long as the program.
const char* translate(const char* context, const char* sourceText);

// While one lives, translate() on this thread gives the English texts: for
// output other programs read (JSON), which does not change with the language.
class EnglishScope {
public:
    EnglishScope();
    ~EnglishScope();
    EnglishScope(const EnglishScope&) = delete;
    EnglishScope& operator=(const EnglishScope&) = delete;

private:
    bool previous_;
};

// Qt's argument style for translated texts: %1, %2 ... replaced by the
// arguments, so a translation may put them where its grammar wants them.
std::string formatText(std::string_view text, const std::vector<std::string>& args);

} // namespace aulira
