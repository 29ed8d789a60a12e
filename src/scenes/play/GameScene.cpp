#include "scenes/play/GameScene.h"

#include <algorithm>
#include <cstdio>

#include "core/Paths.h"
#include "formats/RankingFile.h"

namespace zolvex {

namespace {

constexpr const char* kPauseSound = "wav\\pause.wav";

// Loads a whole picture into `surface` (created or refilled by `mode`).
bool LoadPicture(const char* gamePath, std::unique_ptr<Surface>& surface, StartMode mode) {
    std::optional<Bitmap> bitmap = LoadBitmapFile(gamePath);
    if (!bitmap) return false;
    if (!LoadBitmapSurface(surface, mode, *bitmap, 0, 0, bitmap->width, bitmap->height)) {
        std::fprintf(stderr, "zolvex: cannot prepare picture %s\n", NativePath(gamePath).c_str());
        return false;
    }
    return true;
}

}  // namespace

GameScene::GameScene(SceneContext& context) : Scene(context) {
    TheRandom().Seed(static_cast<uint32_t>(ThePlatform().CalendarTime()));
}

int GameScene::Start(StartMode startMode) {
    Scene::Start(startMode);
    backdrop_.reset();
    if (startMode == StartMode::Create) {
        model.level = level;
        rules.InitNewGameValues(level);
        pausedAfterOver_ = false;
    }

    BestScores best = ReadBestScores(DataFilePath("score.scr"), level);
    for (int i = 0; i < 3; ++i) model.bestScores[i] = best.best[i];
    model.tenthScore = best.tenth;

    if (!LoadPicture("bmp\\frame.bmp", frameSurface, startMode) ||
        !LoadPicture("bmp\\block.bmp", blockSurface, startMode) ||
        !LoadPicture("bmp\\fliper.bmp", flipperSurface, startMode)) {
        return 0;
    }
    frameSurface->SetColorKeyBlack();
    blockSurface->SetColorKeyBlack();
    flipperSurface->SetColorKeyBlack();
    // What lies beneath the moving parts is composed here, once the pictures and their
    // keys are in place; a restore comes back through here and composes it afresh.
    backdrop_ = TheDisplay().NewBackdrop();
    if (backdrop_ != nullptr) DrawBackdrop(*backdrop_);
    // The fresh backdrop shows an empty board, no flipper and no texts.
    composedCells_ = {};
    composedFlipperX_.reset();
    composedPreview_ = {};
    panelComposed_ = false;

    if (startMode == StartMode::Create) {
        KBGMLoadFile(&music, ExecutableFilePath("game.mid"));
        KBGMInit(music);
        rules.InitBoardAndTrios();
    }

    Redraw();
    Display& display = TheDisplay();
    if (display.backBuffer != nullptr) {
        TextContext dc(display, *display.backBuffer);
        dc.SetBkMode(BkMode::Transparent);
        dc.SetTextColor(0xFFFFFF);
        dc.SelectFont(GetFont(2, 1));
        dc.TextOut(60, 200, "Put Enter key to Start.", 23);
    }
    display.Flip();
    return 1;
}

int GameScene::End() {
    Scene::End();
    Scene::KillTimer(kFallTimer);
    Scene::KillTimer(kClearTimer);
    frameSurface.reset();
    blockSurface.reset();
    flipperSurface.reset();
    backdrop_.reset();
    return 1;
}

void GameScene::DrawTile(Surface& backBuffer, int value, bool marked, int x, int y) const {
    if (blockSurface == nullptr || value < 1 || value > 9) return;
    int top = marked ? 40 : 0;
    Rect tile{40 * (value - 1), top, 40 * value, top + 40};
    backBuffer.BltFast(x, y, *blockSurface, &tile, true);
}

void GameScene::DrawCells(Surface& target, const Rect* over) const {
    for (const bool marked : {false, true}) {
        for (int row = kTopRow; row >= 1; --row) {
            for (int column = 0; column < kColumns; ++column) {
                const Cell& cell = model.board[column][row];
                if ((cell.marked != 0) != marked) continue;
                const int x = ColumnX(column), y = RowY(row);
                if (over != nullptr && (x >= over->right || x + 40 <= over->left ||
                                        y >= over->bottom || y + 40 <= over->top)) {
                    continue;
                }
                DrawTile(target, cell.value, marked, x, y);
            }
        }
    }
}

void GameScene::ComposeCells() {
    std::array<std::array<ShownCell, kRows>, kColumns> cells{};
    for (int column = 0; column < kColumns; ++column) {
        for (int row = 1; row <= kTopRow; ++row) {
            const Cell& cell = model.board[column][row];
            cells[column][row] = ShownCell{cell.value, cell.marked != 0};
        }
    }
    // Cells do not overlap: each changed one is composed on its own.
    for (int column = 0; column < kColumns; ++column) {
        for (int row = 1; row <= kTopRow; ++row) {
            if (cells[column][row] == composedCells_[column][row]) continue;
            const int x = ColumnX(column), y = RowY(row);
            composedCells_[column][row] = cells[column][row];
            ComposeArea(Rect{x, y, x + 40, y + 40});
        }
    }
}

Rect GameScene::FlipperArea(int x) const {
    return Rect{x, kFlipperY, x + flipperSurface->Width(), kFlipperY + flipperSurface->Height()};
}

void GameScene::ComposeFlipper() {
    const int x = ColumnX(model.flipperLeft);
    if (flipperSurface == nullptr || composedFlipperX_ == x) return;
    const std::optional<int> old = composedFlipperX_;
    composedFlipperX_ = x;
    if (old) ComposeArea(FlipperArea(*old));
    ComposeArea(FlipperArea(x));
}

GameScene::Preview GameScene::PreviewShown() const {
    Preview preview{};
    for (const FallingBlock& block : model.currentTrio) {
        if (block.row > 10) return preview;
    }
    for (int i = 0; i < kTrioSize; ++i) {
        preview[i] = ShownCell{model.nextTrio[i].value, false, model.nextTrio[i].column};
    }
    return preview;
}

void GameScene::ComposePreview() {
    const Preview preview = PreviewShown();
    if (preview == composedPreview_) return;
    const Preview old = composedPreview_;
    composedPreview_ = preview;
    for (const Preview& blocks : {old, preview}) {
        for (const ShownCell& block : blocks) {
            const int x = ColumnX(block.column);
            if (block.value != 0) ComposeArea(Rect{x, kPreviewY, x + 40, kPreviewY + 40});
        }
    }
}

void GameScene::ComposeArea(const Rect& area) {
    const uint64_t before = backdrop_->Content();
    RestoreLayers(area);
    // The blocks lie over the flipper where they meet it (the bottom row's lowest two
    // lines). The flipper is drawn only within the area, as what lies outside it is
    // composed already; the blocks that reach into it are drawn whole, over what they
    // covered already.
    if (flipperSurface != nullptr && composedFlipperX_) {
        const Rect flipper = FlipperArea(*composedFlipperX_);
        const Rect part{std::max(area.left, flipper.left), std::max(area.top, flipper.top),
                        std::min(area.right, flipper.right), std::min(area.bottom, flipper.bottom)};
        if (part.left < part.right && part.top < part.bottom) {
            const Rect from{part.left - flipper.left, part.top - flipper.top,
                            part.right - flipper.left, part.bottom - flipper.top};
            backdrop_->BltFast(part.left, part.top, *flipperSurface, &from, true);
        }
    }
    DrawCells(*backdrop_, &area);
    // The next trio lies over the top row.
    for (const ShownCell& block : composedPreview_) {
        const int x = ColumnX(block.column);
        if (x < area.right && x + 40 > area.left && kPreviewY < area.bottom &&
            kPreviewY + 40 > area.top) {
            DrawTile(*backdrop_, block.value, false, x, kPreviewY);
        }
    }
    TheDisplay().NoteBackdropRedrawn(*backdrop_, before, area);
}

GameScene::Panel GameScene::PanelTexts() const {
    const auto line = [](const char* label, uint32_t score) {
        char text[32];
        std::snprintf(text, sizeof text, "%s%8X", label, score);
        return std::string(text);
    };
    // Drawn 14 characters at most, as the screen has room for.
    Panel panel{PanelText{380, 100, line("Score:", model.score)},
                PanelText{380, 180, line("  1st:", model.bestScores[0])},
                PanelText{380, 200, line("  2nd:", model.bestScores[1])},
                PanelText{380, 220, line("  3rd:", model.bestScores[2])},
                PanelText{450, 240, ":"},
                PanelText{380, 260, line(" 10th:", model.tenthScore)},
                PanelText{380, 130, ""}};
    char time[32];
    std::snprintf(time, sizeof time, " Time:%02d:%02d:%02d", model.hours, model.minutes,
                  model.seconds);
    panel[kClockText].text = time;
    for (PanelText& text : panel) text.text.resize(std::min<size_t>(text.text.size(), 14));
    return panel;
}

const GameScene::Panel& GameScene::ShownPanel() {
    const PanelNumbers numbers{model.score,         model.bestScores[0], model.bestScores[1],
                               model.bestScores[2], model.tenthScore,    model.hours,
                               model.minutes,       model.seconds};
    if (shownNumbers_ != numbers) {
        shownPanel_ = PanelTexts();
        shownNumbers_ = numbers;
    }
    return shownPanel_;
}

void GameScene::ComposePanel(const Panel& panel) {
    // Glyphs the display does not draw are not drawn here either.
    const bool glyphs = TheDisplay().TextGlyphsDrawn();
    if (panelComposed_ && panel == composedPanel_ && glyphs == panelGlyphs_) return;
    // Right of the board and below the logo; when only the clock changed, its own line,
    // if no other text reaches into it.
    const Font* font = GetFont(2, 0);
    const PanelText& clock = panel[kClockText];
    const int lineHeight = FontCellHeight(font);
    bool clockOnly = panelComposed_ && glyphs == panelGlyphs_ && lineHeight > 0;
    for (size_t i = 0; i < panel.size() && clockOnly; ++i) {
        if (i == kClockText) continue;
        const bool apart = panel[i].y + lineHeight <= clock.y || clock.y + lineHeight <= panel[i].y;
        clockOnly = panel[i] == composedPanel_[i] && apart;
    }
    const uint64_t before = backdrop_->Content();
    const Rect area = clockOnly ? Rect{clock.x, clock.y, backdrop_->Width(), clock.y + lineHeight}
                                : Rect{380, 90, backdrop_->Width(), backdrop_->Height()};
    RestoreLayers(area);
    if (glyphs) {
        TextContext dc(TheDisplay(), *backdrop_);
        dc.SetBkMode(BkMode::Transparent);
        dc.SetTextColor(0xFFFFFF);
        dc.SelectFont(font);
        for (size_t i = clockOnly ? kClockText : 0; i < panel.size(); ++i) {
            const PanelText& text = panel[i];
            dc.TextOut(text.x, text.y, text.text.c_str(), static_cast<int>(text.text.size()));
        }
    }
    TheDisplay().NoteBackdropRedrawn(*backdrop_, before, area);
    composedPanel_ = panel;
    panelGlyphs_ = glyphs;
    panelComposed_ = true;
}

void GameScene::RestoreLayers(const Rect& area) {
    const auto layer = [this, &area](const Surface* picture, bool keyed) {
        if (picture == nullptr) return;
        const Rect part{area.left, area.top, std::min(area.right, picture->Width()),
                        std::min(area.bottom, picture->Height())};
        if (part.right > part.left && part.bottom > part.top) {
            backdrop_->BltFast(part.left, part.top, *picture, &part, keyed);
        }
    };
    // The logo lies above both areas this is asked for.
    layer(background, false);
    layer(frameSurface.get(), true);
}

void GameScene::DrawBackdrop(Surface& target) const {
    if (background != nullptr) target.BltFast(0, 0, *background, nullptr, false);
    if (frameSurface != nullptr) target.BltFast(0, 0, *frameSurface, nullptr, true);
    if (title != nullptr) target.BltStretchKeyed(Rect{380, 20, 615, 70}, *title);
}

int GameScene::Draw() {
    Surface* target = TheDisplay().backBuffer;
    if (target == nullptr) return 0;
    Surface& backBuffer = *target;

    const Panel& panel = ShownPanel();
    if (backdrop_ != nullptr) {
        ComposeCells();
        ComposeFlipper();
        ComposePreview();
        ComposePanel(panel);
        backBuffer.BltFast(0, 0, *backdrop_, nullptr, false);
    } else {
        DrawBackdrop(backBuffer);
        if (flipperSurface != nullptr) {
            backBuffer.BltFast(ColumnX(model.flipperLeft), kFlipperY, *flipperSurface, nullptr,
                               true);
        }
        // The blocks lie over the flipper where they meet it.
        DrawCells(backBuffer);
    }

    if (backdrop_ == nullptr) {
        // The next trio, shown once the current one is below the top row.
        for (const ShownCell& block : PreviewShown()) {
            DrawTile(backBuffer, block.value, false, ColumnX(block.column), kPreviewY);
        }
    }
    for (const FallingBlock& block : model.currentTrio) {
        if (block.falling != 0)
            DrawTile(backBuffer, block.value, false, ColumnX(block.column), block.y);
    }

    TextContext dc(TheDisplay(), backBuffer);
    dc.SetBkMode(BkMode::Transparent);
    dc.SetTextColor(0xFFFFFF);
    const Font* previous = dc.SelectFont(GetFont(2, 0));
    // The backdrop holds these texts; the frame still names them.
    for (const PanelText& text : panel) {
        const int count = static_cast<int>(text.text.size());
        if (backdrop_ != nullptr) {
            dc.NoteTextOut(text.x, text.y, text.text.c_str(), count);
        } else {
            dc.TextOut(text.x, text.y, text.text.c_str(), count);
        }
    }

    dc.SelectFont(GetFont(2, 1));
    if (model.state == GameState::Paused) {
        dc.SetBkMode(BkMode::Opaque);
        dc.SetBkColor(0xFF0000);
        dc.TextOut(150, 170, "Pause.", 6);
        dc.SetBkMode(BkMode::Transparent);
    } else if (model.state == GameState::Over) {
        dc.SetBkMode(BkMode::Opaque);
        dc.SetBkColor(0xFF0000);
        dc.TextOut(145, 170, "Game Over", 9);
    }
    dc.SetBkMode(BkMode::Transparent);
    dc.SelectFont(previous);
    return 1;
}

void GameScene::OnDrawn() {
    // Showing a marked cell is what stops the fall and schedules its clearing.
    for (int row = kTopRow; row >= 1; --row) {
        for (const auto& column : model.board) {
            if (column[row].marked != 0) rules.MarkedCellDrawn();
        }
    }
}

void GameScene::TogglePause() {
    if (model.state == GameState::Playing) {
        model.state = GameState::Paused;
        Scene::KillTimer(kFallTimer);
        Scene::KillTimer(kClearTimer);
        Scene::KillTimer(kClockTimer);
        Redraw();
        TheDisplay().Flip();
    } else if (model.state == GameState::Paused) {
        model.state = GameState::Playing;
        KBGMResume(music);
        SetSceneTimer(kFallTimer, kFallPeriodMs);
        SetSceneTimer(kClearTimer, kClearPeriodMs);
        SetSceneTimer(kClockTimer, kClockPeriodMs);
    }
}

intptr_t GameScene::OnMessage(const Message& message) {
    switch (message.message) {
        case kMsgDestroy:
            PostQuitMessage(0);
            return 1;
        case kMsgKeyUp:
            if (message.wParam == kVkDown) rules.DownReleased();
            return 1;
        case kMsgKeyDown:
            break;
        default:
            Scene::OnMessage(message);
            return DefWindowProc(message);
    }

    // A finished game that lost the foreground waits for the ranking like any
    // other finished game; resuming it would bring it back to life.
    if (pausedAfterOver_) return 1;

    bool playing = model.state == GameState::Playing;
    switch (message.wParam) {
        case kVkReturn:
            if (playing) {
                ThePlatform().PlaySoundFile(kPauseSound);
                KBGMPause();
            }
            if (model.state == GameState::Ready) {
                SetSceneTimer(kFallTimer, kFallPeriodMs);
                SetSceneTimer(kClockTimer, kClockPeriodMs);
                model.state = GameState::Playing;
                KBGMPlay(music, 1);
            } else {
                TogglePause();
            }
            break;
        case kVkEscape:
        case kVkF12:
            if (model.state != GameState::Over) rules.GameOver();
            break;
        case kVkSpace:
        case kVkUp:
            if (playing) rules.SwapColumns();
            break;
        case kVkLeft:
            if (playing) rules.MoveFlipperLeft();
            break;
        case kVkRight:
            if (playing) rules.MoveFlipperRight();
            break;
        case kVkDown:
            rules.DownPressed();
            break;
        default:
            break;
    }
    return 1;
}

int GameScene::OnTimer(int timerId, uint32_t /*time*/) {
    switch (timerId) {
        case kFallTimer:
            rules.FallStep();
            Redraw();
            TheDisplay().Flip();
            break;
        case kClearTimer:
            rules.ClearingPass();
            break;
        case kClockTimer:
            rules.ClockTick();
            break;
        case kOverTimer:
            rules.OverTick();
            break;
        default:
            break;
    }
    return 1;
}

void GameScene::OnLostForeground() {
    if (model.state == GameState::Over) pausedAfterOver_ = true;
    model.state = GameState::Paused;
    Scene::KillTimer(kFallTimer);
    Scene::KillTimer(kClearTimer);
    Scene::KillTimer(kClockTimer);
}

void GameScene::SetTimer(int id, uint32_t ms) {
    SetSceneTimer(id, ms);
}
void GameScene::KillTimer(int id) {
    Scene::KillTimer(id);
}
void GameScene::PlaySoundFile(const char* gamePath) {
    ThePlatform().PlaySoundFile(gamePath);
}
void GameScene::StopMusic() {
    KBGMStop();
}

void GameScene::RedrawAndFlip() {
    Redraw();
    TheDisplay().Flip();
}

void GameScene::HandOverLevel(int handedLevel) {
    Switcher().HandOverLevel(SceneId::Ranking, handedLevel);
}

void GameScene::EndGameAndShowRanking() {
    End();
    Switcher().HandOverResult(GameResult{GetScore(), GetBonus()});
    Switcher().StartScene(SceneId::Ranking, StartMode::Create);
}

int GameScene::Random() {
    return TheRandom().Next();
}

}  // namespace zolvex
