// The replay file: what is written reads back the same, ticks that came on time cost a
// count, and a damaged file names the line at fault.
#include <gtest/gtest.h>

#include "formats/ReplayFile.h"

namespace zolvex {
namespace {

using Kind = ReplayEvent::Kind;

ReplayEvent Event(Kind kind, uint64_t time, int32_t id = 0, uint32_t code = 0,
                  uint32_t period = 0) {
    ReplayEvent e;
    e.kind = kind;
    e.time = time;
    e.id = id;
    e.code = code;
    e.period = period;
    return e;
}

// A start, a minute of two timers ticking (one tick late, one tick of a timer the
// journal never saw set), a key held and released, a pause.
Replay MinuteOfPlay() {
    Replay r;
    r.level = 3;
    r.randomState = 4000000000u;
    r.date = 1700000000;
    r.score = 0x1234;
    r.bonus = 77;
    r.total = 0x1234 + 77;
    r.playedTenths = 600;
    r.events.push_back(Event(Kind::KeyDown, 900, 0, 13));
    r.events.push_back(Event(Kind::SetTimer, 901, 0, 0, 43));
    r.events.push_back(Event(Kind::SetTimer, 901, 2, 0, 100));
    uint64_t fall = 944, clock = 1001;
    int lateTicks = 0;
    for (int i = 0; i < 1400; ++i) {
        bool fallFirst = fall <= clock;
        uint64_t& due = fallFirst ? fall : clock;
        // Late only while the other timer is not due meanwhile, as ticks are taken in
        // order: once by 70 ms, once by 12.
        const uint64_t other = fallFirst ? clock : fall;
        uint64_t late = 0;
        if (i >= 700 && lateTicks == 0 && other > due + 70) late = 70;
        if (i >= 900 && lateTicks == 1 && other > due + 12) late = 12;
        lateTicks += late > 0;
        const uint64_t time = due + late;
        r.events.push_back(Event(Kind::Tick, time, fallFirst ? 0 : 2));
        // A tick a whole period late puts the next a period after it.
        const uint64_t period = fallFirst ? 43 : 100;
        due = due + period > time ? due + period : time + period;
        if (i == 300) r.events.push_back(Event(Kind::Tick, time, 9));
        if (i == 500) {
            r.events.push_back(Event(Kind::KeyDown, time, 0, 40));
            r.events.back().extra = 1;
            r.events.push_back(Event(Kind::KeyUp, time, 0, 40));
        }
    }
    r.events.push_back(Event(Kind::Focus, fall, 0, 0));
    r.events.push_back(Event(Kind::KillTimer, fall, 0));
    r.events.push_back(Event(Kind::KillTimer, fall, 2));
    return r;
}

TEST(ReplayFileTest, WrittenReplayReadsBackTheSameAndOnTimeTicksCostACount) {
    const Replay replay = MinuteOfPlay();
    const std::string text = WriteReplay(replay);
    EXPECT_EQ(text.rfind("zolvex-replay 1\n", 0), 0u);
    ReplayRead read = ReadReplay(text);
    ASSERT_TRUE(read.replay) << read.error.line << ": " << read.error.what;
    EXPECT_EQ(*read.replay, replay);
    // 1400 ticks in a handful of tokens.
    EXPECT_LT(text.size(), 400u) << text;
    EXPECT_NE(text.find(" L70 "), std::string::npos) << text;
    EXPECT_NE(text.find("Wc"), std::string::npos) << text;
    EXPECT_NE(text.find(" X9"), std::string::npos) << text;
}

TEST(ReplayFileTest, DamagedFilesNameTheLineAtFault) {
    const std::string good = WriteReplay(MinuteOfPlay());
    struct Case {
        std::string text;
        int line;
        const char* says;
    };
    std::string future = good;
    future.replace(0, 15, "zolvex-replay 2");
    std::string wrongCount = good;
    const size_t events = wrongCount.find("events ");
    wrongCount.replace(events, wrongCount.find('\n', events) - events, "events 9");
    std::string noTimer = good;
    noTimer.replace(noTimer.find("D13+900"), 7, "T1");
    const Case cases[] = {
        {"", 1, "empty"},
        {"GIF89a", 1, "not a zolvex replay"},
        {future, 1, "version 2"},
        {good.substr(0, good.size() - 8), 0, "cut short"},
        {good.substr(0, good.find("random")), 3, "ends before"},
        {wrongCount, 11, "more events"},
        {noTimer, 11, "no timer runs"},
        {good + "D13\n", 0, "after 'end'"},
        {"zolvex-replay 1\nlevel 99\n", 2, "level"},
    };
    for (const Case& c : cases) {
        ReplayRead read = ReadReplay(c.text);
        ASSERT_FALSE(read.replay) << c.says;
        if (c.line > 0) {
            EXPECT_EQ(read.error.line, c.line) << read.error.what;
        }
        EXPECT_NE(read.error.what.find(c.says), std::string::npos) << read.error.what;
    }
}

}  // namespace
}  // namespace zolvex
