#pragma once
// Record texts are bytes in the workstation's ANSI code page; the program
// works in UTF-8. All conversion happens here.
#include <optional>
#include <string>
#include <string_view>

namespace aulira {

// The code page Windows would use for the user's locale (1252 for en_US, 936
// for zh_CN, ...); on Windows the system ANSI code page.
int defaultCodePage();
int codePage();
void setCodePage(int codePage);

// ANSI bytes to UTF-8; bytes that do not convert become U+FFFD.
std::string ansiToUtf8(std::string_view ansi);
// UTF-8 to ANSI bytes; nullopt when a character has no form in the code page.
std::optional<std::string> utf8ToAnsi(std::string_view utf8);

} // namespace aulira
