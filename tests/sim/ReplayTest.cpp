// Every game is recorded where the program hands the game its messages, and the
// recording, played again headlessly, comes to the same result; one edited message
// makes it part from its game at that message.
#include <algorithm>
#include <filesystem>

#include "ReplayCheck.h"
#include "SimHarness.h"
#include "app/ReplayStore.h"

namespace zolvex::simtest {
namespace {

class ReplayTest : public SimTest {
protected:
    // A careless player from the title screen to the ranking: after each fall step it
    // moves, swaps, holds or lets go of Down, pauses and resumes now and then, and
    // sometimes gives up. Then it stores its name and is back on the title screen.
    void PlayBotGame(uint32_t& seed) {
        StartGame();
        Run("wait 300\nkey Enter");
        while (Current() == &Game()) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t roll = (seed >> 8) % 1000;
            const char* move = roll < 150   ? "key Left"
                               : roll < 300 ? "key Right"
                               : roll < 420 ? "key Space"
                               : roll < 700 ? "down Down"
                               : roll < 800 ? "up Down"
                               : roll < 806 ? "key Enter\nwait 200\nkey Enter"
                               : roll < 821 ? "key Esc"
                                            : "wait 1";
            Run(std::string("wait 43\n") + move);
        }
        Run("wait 100\nkey Enter");
    }

    // Plays `replay` at once on a second copy of the program, started once for all.
    PlaybackResult Verify(const Replay& replay) {
        if (verifier == nullptr) {
            verifier = std::make_unique<test::ScriptedProgram>(verifierFolder.Path());
            verifier->Start();
        }
        verifier->Program().PlayReplay(replay, PlaybackPace::AtOnce);
        verifier->Program().RunMessageLoop();
        return verifier->Program().LastPlayback();
    }

    test::TempDirectory verifierFolder;
    std::unique_ptr<test::ScriptedProgram> verifier;
};

TEST_F(ReplayTest, BotGamesAtEveryLevelAreRecordedAndVerify) {
    Boot();
    uint32_t seed = 17;
    uint32_t bestTotal[4] = {};
    for (int level = 1; level <= 3; ++level) {
        for (int game = 0; game < 100; ++game) {
            if (level > 1 && game == 0) Run("wait 150\nkey Down");
            PlayBotGame(seed);
            ASSERT_TRUE(P().LastRecording());
            const Replay& recorded = *P().LastRecording();
            ASSERT_EQ(recorded.level, level);
            bestTotal[level] = std::max(bestTotal[level], recorded.total);
            ReplayRead read = ReadReplay(WriteReplay(recorded));
            ASSERT_TRUE(read.replay) << read.error.what;
            PlaybackResult played = Verify(*read.replay);
            ASSERT_EQ(played.outcome.end, PlaybackOutcome::End::Finished)
                << "level " << level << " game " << game << ": " << played.outcome.what;
            ASSERT_TRUE(played.result);
            EXPECT_EQ(played.result->score, recorded.score);
            EXPECT_EQ(played.result->bonus, recorded.bonus);
        }
    }
    // The last 20 games are kept, and each level's best.
    const std::string replays = ReplayFolder(folder.Path().string());
    size_t kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(replays)) {
        kept += entry.path().extension() == ".replay";
    }
    EXPECT_GE(kept, 20u);
    EXPECT_LE(kept, 23u);
    for (int level = 1; level <= 3; ++level) {
        std::optional<std::string> best = BestReplay(replays, level);
        ASSERT_TRUE(best);
        std::optional<Replay> replay = LoadReplay(*best);
        ASSERT_TRUE(replay);
        EXPECT_EQ(replay->level, level);
        EXPECT_EQ(replay->total, bestTotal[level]);
    }
}

TEST_F(ReplayTest, AReplayEditedByOneMessagePartsFromItsGameThere) {
    Boot();
    uint32_t seed = 5;
    PlayBotGame(seed);
    Replay edited = *P().LastRecording();
    // The key that started the fall becomes one the game does not answer.
    size_t message = 0;
    for (ReplayEvent& e : edited.events) {
        if (e.kind == ReplayEvent::Kind::SetTimer || e.kind == ReplayEvent::Kind::KillTimer) {
            continue;
        }
        ++message;
        if (e.kind == ReplayEvent::Kind::KeyDown && e.code == kVkReturn) {
            e.code = kVkF1;
            break;
        }
    }
    PlaybackResult played = ReplayHeadless(edited, folder.Path().string());
    EXPECT_EQ(played.outcome.end, PlaybackOutcome::End::Diverged);
    EXPECT_EQ(played.outcome.message, message) << played.outcome.what;
    EXPECT_FALSE(played.result);
}

}  // namespace
}  // namespace zolvex::simtest
