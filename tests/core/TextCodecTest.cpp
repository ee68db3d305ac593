#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "shell/Log.h"
#include "shell/TextCodec.h"
#include "support/TestUtil.h"

using namespace aulira;
using namespace aulira::test;

namespace {
const std::string kFffd = "\xEF\xBF\xBD";
}

TEST(TextCodec, InvalidUtf8BecomesReplacementCharacters)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Lobby", "Lobby"},
        {"Caf\xC3\xA9 \xE5\xA4\xA7\xE5\x8E\x85 \xF0\x9F\x94\x8A", "Caf\xC3\xA9 \xE5\xA4\xA7\xE5\x8E\x85 \xF0\x9F\x94\x8A"},
        {"a\x80z", "a" + kFffd + "z"},                 // stray continuation byte
        {"a\xC3", "a" + kFffd},                         // cut at the end
        {"\xE5\xA4z", kFffd + "z"},                     // cut in the middle
        {"\xC0\x80", kFffd},                            // overlong NUL
        {"\xED\xA0\x80", kFffd},                        // a surrogate
        {"\xF5\x80\x80\x80", kFffd},                    // past U+10FFFF
        {"\xFF\xFE", kFffd + kFffd},
        {std::string("a\0b", 3), std::string("a\0b", 3)}, // NUL is valid text
    };
    for (const auto& [in, want] : cases)
        EXPECT_EQ(want, validUtf8(in)) << nlohmann::json(validUtf8(in)).dump();
}

TEST(TextCodec, DeviceTextsAlwaysComeOutAsValidUtf8WhateverTheCodePage)
{
    CodePageGuard guard;
    const std::string name = "Hall\x80\xFF\xA4\x01";
    for (int cp : {1252, 936, 65001, 54936, 20127, 12345}) {
        SCOPED_TRACE(cp);
        setCodePage(cp);
        const std::string text = ansiToUtf8(name);
        EXPECT_EQ(text, validUtf8(text));
        EXPECT_EQ(0u, text.rfind("Hall", 0));
        const nlohmann::json doc{{"name", text}};
        EXPECT_NO_THROW((void)doc.dump()) << "--json must not abort";
    }
    setCodePage(12345); // unknown: ASCII stays, the rest is U+FFFD
    EXPECT_EQ("Hall" + kFffd + kFffd + kFffd + "\x01", ansiToUtf8(name));
}

TEST(TextCodec, KnownCodePages)
{
    for (int cp : {1252, 1251, 936, 950, 932, 949, 65001, 54936}) {
        if (cp == 54936 && runningUnderWine())
            continue; // Wine has no GB18030 tables
        EXPECT_TRUE(codePageKnown(cp)) << cp;
    }
    for (int cp : {0, -1, 12345, 70000})
        EXPECT_FALSE(codePageKnown(cp)) << cp;
}

TEST(TextCodec, ControlCharactersAreShownEscaped)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Lobby", "Lobby"},
        {"\x1b[2JGone", "\\x1b[2JGone"},
        {"two\nlines\r", "two\\x0alines\\x0d"},
        {"bell\x07 tab\t del\x7f", "bell\\x07 tab\\x09 del\\x7f"},
        {"c1 \xC2\x85 \xC2\x9B end", "c1 \\x85 \\x9b end"},
        {"\xC2\xA0\xC3\xA9", "\xC2\xA0\xC3\xA9"}, // no-break space and é are text
    };
    for (const auto& [in, want] : cases)
        EXPECT_EQ(want, escapeControls(in));
    CodePageGuard guard;
    setCodePage(1252);
    EXPECT_EQ("Desk\\x0d\\x0aFloor\xE2\x82\xAC", displayText("Desk\r\nFloor\x80"));
    EXPECT_EQ("Ha\\x08ll(10.0.0.5)", deviceTag("Ha\bll", ip("10.0.0.5")));
}

TEST(TextCodec, LogLinesCarryNoRawControlCharactersButKeepTheirLineFeeds)
{
    LogRecorder log;
    OutputLog("%s:%s", "Found device\n\n", "10.0.0.5");
    OutputLog("%s set grouping completed.", "\x1b]0;owned\x07Hall");
    OutputLog("name %s", "bad\xFF");
    EXPECT_EQ((std::vector<std::string>{"Found device\n\n:10.0.0.5", "\\x1b]0;owned\\x07Hall set grouping completed.",
                                        "name bad" + kFffd}),
              log.lines());
}
