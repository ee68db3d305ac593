#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "shell/Log.h"
#include "shell/Strings.h"

using namespace aulira;

TEST(Log, LinesReachEverySinkExactlyAsFormatted)
{
    LogRecorder a, b;
    OutputLog("sendto error:%d", 10051);
    OutputLog("%s:%d.", stringText(IDS_SEARCH_COMPLETED), 3);
    EXPECT_EQ((std::vector<std::string>{"sendto error:10051",
                                        "Search for audio devices completed, total number of devices found:3."}),
              a.lines());
    EXPECT_EQ(a.lines(), b.lines());
}

TEST(Log, LinesWithoutListenersAreDroppedAndLeftSinksStayQuiet)
{
    OutputLog("nobody hears this");
    std::vector<std::string> seen;
    {
        LogSubscription sub([&](const std::string& l) { seen.push_back(l); });
        OutputLog("one");
    }
    OutputLog("two");
    EXPECT_EQ(std::vector<std::string>{"one"}, seen);
}

TEST(Log, LongTextsAreCutAtTheLineLimitWithoutSplittingCharacters)
{
    LogRecorder rec;
    OutputLog("%s", std::string(400, 'x').c_str());
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "\xE4\xB8\xAD"; // one CJK character, three bytes
    OutputLog("%s", wide.c_str());
    auto lines = rec.lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(kLogLineMaxChars, lines[0].size());
    EXPECT_EQ(kLogLineMaxChars * 3, lines[1].size());
}

TEST(Log, ConcurrentWritersDeliverWholeLinesAndASinkMayLog)
{
    LogRecorder rec;
    std::atomic<int> nested{0};
    // A sink that itself writes a line must not deadlock.
    LogSubscription echo([&](const std::string& l) {
        if (l == "ping" && nested.fetch_add(1) == 0)
            OutputLog("pong");
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                OutputLog("thread %d line %d", t, i);
        });
    OutputLog("ping");
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(802u, rec.lines().size());
    EXPECT_EQ(1u, rec.count("pong"));
    EXPECT_EQ(1u, rec.count("thread 3 line 199"));
}

TEST(Log, HeldStartUpLinesGoToTheFirstSinkInOrderAndOnlyOnce)
{
    Log::instance().holdUntilFirstSink();
    OutputLog("%s%d:", stringText(IDS_LOCAL_NETWORK_CARD), 1);
    OutputLog("<%s>,<%s>", "127.0.0.1", "255.0.0.0");
    // A writer racing the hand-over lands after the held lines, never lost.
    std::vector<std::string> first;
    std::thread racer;
    {
        LogSubscription sub([&](const std::string& l) {
            first.push_back(l);
            if (l == "<127.0.0.1>,<255.0.0.0>" && !racer.joinable())
                racer = std::thread([] { OutputLog("racing"); });
        });
        racer.join();
        OutputLog("after");
        LogRecorder second;
        OutputLog("both");
        EXPECT_EQ(std::vector<std::string>{"both"}, second.lines());
    }
    EXPECT_EQ((std::vector<std::string>{"Local network card1:", "<127.0.0.1>,<255.0.0.0>", "racing", "after", "both"}),
              first);
    // Holding ends with the first sink: later unheard lines are dropped again.
    OutputLog("unheard");
    LogRecorder late;
    EXPECT_TRUE(late.lines().empty());
}

TEST(Log, HeldLinesAreBounded)
{
    Log::instance().holdUntilFirstSink();
    for (std::size_t i = 0; i < Log::kMaxHeldLines + 5; ++i)
        OutputLog("line %zu", i);
    LogRecorder rec;
    const auto lines = rec.lines();
    ASSERT_EQ(Log::kMaxHeldLines, lines.size());
    EXPECT_EQ("line 0", lines.front());
}
