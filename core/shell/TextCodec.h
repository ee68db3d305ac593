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
// Whether texts can be converted from and to the code page on this system.
bool codePageKnown(int codePage);

// The text with every sequence that is not valid UTF-8 replaced by U+FFFD.
std::string validUtf8(std::string_view text);
// Device texts for a terminal or the log: control characters (C0, DEL, C1)
// become \xNN, so a name cannot move the cursor, ring, or end a line.
std::string escapeControls(std::string_view utf8);
// ansiToUtf8, then escapeControls: a record text as a person sees it.
std::string displayText(std::string_view ansi);

// ANSI bytes to UTF-8; bytes that do not convert become U+FFFD. The result is
// always valid UTF-8, whatever the bytes and the code page.
std::string ansiToUtf8(std::string_view ansi);
// UTF-8 to ANSI bytes; nullopt when a character has no form in the code page.
std::optional<std::string> utf8ToAnsi(std::string_view utf8);

} // namespace aulira
