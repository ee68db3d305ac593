#pragma once
// Read-only access to the program's INI file, with the lookup rules of the
// Windows profile functions: sections and keys match without regard to case,
// blanks around keys and values are ignored, one pair of surrounding quotes
// is removed from a value, and lines starting with ';' are comments.
#include <filesystem>
#include <string>
#include <string_view>

namespace aulira {

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}
    virtual ~IniFile() = default;

    const std::filesystem::path& path() const { return path_; }

    // The key's text; empty when the file, the section or the key is missing.
    std::string GetString(const std::string& section, const std::string& key) const;
    // The leading decimal digits of the key's text (at most its first 64
    // characters) as an unsigned number; 0 when empty or not a number.
    unsigned GetUInt(const std::string& section, const std::string& key) const;

    // The two steps above on text already in memory, so that a caller (or a
    // fuzz target) can parse without a file.
    static std::string FindString(std::string_view text, std::string_view section, std::string_view key);
    static unsigned ToUInt(std::string_view value);

private:
    std::filesystem::path path_;
};

} // namespace aulira
