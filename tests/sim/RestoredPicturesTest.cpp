// A restore (the foreground regained) reads the pictures again, and every screen
// drawn after it shows the background as it is now, beneath its frame, logo and
// moving parts, not as it was when the screen started.
#include "SimHarness.h"

namespace zolvex::simtest {
namespace {

// Two colours no generated picture holds, so that a pixel of either is background.
constexpr ColorRef kGreen = 0x00FF00;
constexpr ColorRef kMagenta = 0xFF00FF;

class RestoredPicturesTest : public SimTest {
protected:
    void SetUp() override { ASSERT_TRUE(work.Ready()); }
    // The program goes before its working folder.
    void TearDown() override { sim.reset(); }

    void PaintBackground(ColorRef color) {
        Surface back(640, 480);
        back.Fill(Rect{0, 0, 640, 480}, color);
        ASSERT_TRUE(SaveSurfaceAsBmp(back, work.File("bmp/mback.bmp").string()));
    }

    // Repaints the background in `to` while the game is away; every pixel that showed
    // the background in `from` shows `to` once the foreground is back.
    void ExpectRestoreRepaints(ColorRef from, ColorRef to, const char* screen) {
        SCOPED_TRACE(screen);
        const Surface before = Screen();
        PaintBackground(to);
        Run("focus lost\nfocus gained");
        int shown = 0;
        int stale = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (before.Pixel(x, y) != ToRgb565(from)) continue;
                ++shown;
                stale += Screen().Pixel(x, y) != ToRgb565(to);
            }
        }
        EXPECT_GT(shown, 20000) << "the background shows around the screen's pictures";
        EXPECT_EQ(stale, 0) << "pixels still showing the background from before the restore";
    }

    RuntimeFolderCopy work;
};

TEST_F(RestoredPicturesTest, ThePlayAndRankingScreensShowTheBackgroundAsItIsNow) {
    PaintBackground(kGreen);
    Boot();
    // The edges of glyphs blend with what lies beneath; only the pictures are compared.
    P().TheDisplay().SetTextGlyphsDrawn(false);
    StartGame();
    Run("key Enter\nwait 500\nkey Enter");
    ASSERT_EQ(Model().state, GameState::Paused);
    ExpectRestoreRepaints(kGreen, kMagenta, "play screen, paused");

    Run("key Esc\nwait 4600");
    ASSERT_EQ(CurrentName(), "Ranking");
    ExpectRestoreRepaints(kMagenta, kGreen, "ranking after a game");
    Run("key Enter");

    ViewRanking();
    Run("wait 100");
    ExpectRestoreRepaints(kGreen, kMagenta, "view-only ranking");
}

}  // namespace
}  // namespace zolvex::simtest
