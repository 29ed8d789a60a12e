// The play screen: a game's start screen, its drawing on every fall tick, the
// keyboard, pause, and the hand-over to the ranking after game over. The rules
// themselves live in GameRules; the scene gives them timers, sound and screen.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "display/Bitmap.h"
#include "display/Display.h"
#include "game/GameHost.h"
#include "game/GameModel.h"
#include "game/GameRules.h"
#include "scenes/Scene.h"

namespace zolvex {

class GameScene : public Scene, private GameHost {
public:
    explicit GameScene(SceneContext& context);

    int Start(StartMode startMode) override;
    int End() override;
    int Draw() override;
    // Each marked cell shown stops the fall and schedules its clearing.
    void OnDrawn() override;
    intptr_t OnMessage(const Message& message) override;
    int OnTimer(int timerId, uint32_t time) override;
    void OnLostForeground() override;
    const char* Name() const override { return "Game"; }

    // Enter's switch between Playing and Paused; nothing in Ready or Over.
    void TogglePause();
    uint32_t GetScore() const { return rules.GetScore(); }
    uint32_t GetBonus() const { return rules.GetBonus(); }

    GameModel model;
    GameRules rules{model, *this};
    std::unique_ptr<Surface> blockSurface;
    std::unique_ptr<Surface> frameSurface;
    std::unique_ptr<Surface> flipperSurface;

private:
    void SetTimer(int id, uint32_t ms) override;
    void KillTimer(int id) override;
    void PlaySoundFile(const char* gamePath) override;
    void StopMusic() override;
    void RedrawAndFlip() override;
    void HandOverLevel(int handedLevel) override;
    void EndGameAndShowRanking() override;
    int Random() override;

    void DrawTile(Surface& backBuffer, int value, bool marked, int x, int y) const;
    // The board's blocks, the marked ones last; with `over`, only those that reach into it.
    void DrawCells(Surface& target, const Rect* over = nullptr) const;
    // The layers beneath every moving part: the background, the frame over it and the
    // stretched logo.
    void DrawBackdrop(Surface& target) const;
    // Brings the blocks drawn into the backdrop up to the board's, when they differ.
    void ComposeCells();
    // Moves the flipper drawn into the backdrop to where the model has it.
    void ComposeFlipper();
    // Composes `area` of the backdrop afresh: its background and frame, the flipper
    // where the backdrop shows it, the board's blocks and the next trio.
    void ComposeArea(const Rect& area);
    Rect FlipperArea(int x) const;
    static constexpr int kFlipperY = 444;
    // The texts beside the board: the score, the clock and the level's best scores. They
    // change with the score and, the clock, once a second, while a frame is drawn on
    // every fall tick.
    struct PanelText {
        int x = 0;
        int y = 0;
        std::string text;
        bool operator==(const PanelText&) const = default;
    };
    using Panel = std::array<PanelText, 7>;
    static constexpr size_t kClockText = 6;  // the clock, drawn last
    Panel PanelTexts() const;
    // PanelTexts, made again only when a number it shows has changed.
    const Panel& ShownPanel();
    struct PanelNumbers {
        uint32_t score = 0, first = 0, second = 0, third = 0, tenth = 0;
        int32_t hours = 0, minutes = 0, seconds = 0;
        bool operator==(const PanelNumbers&) const = default;
    };
    std::optional<PanelNumbers> shownNumbers_;
    Panel shownPanel_{};
    // Brings the texts drawn into the backdrop up to `panel`, when they differ: only
    // the clock's line when only the clock changed.
    void ComposePanel(const Panel& panel);
    // Puts `area` of the backdrop back to its background and frame.
    void RestoreLayers(const Rect& area);

    // Those layers composed once the scene's pictures are in place, with the board's
    // blocks drawn in; null until then, and while the screen must be drawn layer by layer.
    std::unique_ptr<Surface> backdrop_;
    // The board as the backdrop shows it: blocks land and clear a few times a second,
    // while a frame is drawn on every fall tick.
    struct ShownCell {
        int32_t value = 0;
        bool marked = false;
        int32_t column = 0;  // of a block of the next trio
        bool operator==(const ShownCell&) const = default;
    };
    std::array<std::array<ShownCell, kRows>, kColumns> composedCells_{};
    std::optional<int> composedFlipperX_;  // where the backdrop shows the flipper
    // The next trio as shown over the top row (nothing while the current one is still
    // in it), and as the backdrop shows it.
    using Preview = std::array<ShownCell, kTrioSize>;
    Preview PreviewShown() const;
    void ComposePreview();
    Preview composedPreview_{};
    static constexpr int kPreviewY = 6;
    // The same for the texts beside the board.
    Panel composedPanel_{};
    bool panelGlyphs_ = false;
    bool panelComposed_ = false;

    // Set when the foreground is lost after game over: the game shows as paused
    // but is finished, so no key may resume it or end it a second time.
    bool pausedAfterOver_ = false;
};

}  // namespace zolvex
