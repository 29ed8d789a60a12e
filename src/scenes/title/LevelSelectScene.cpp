#include "scenes/title/LevelSelectScene.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "formats/ProfileFile.h"
#include "scenes/Application.h"

namespace zolvex {

namespace {

constexpr const char* kLevelNames[3] = {"Beginner Level", "Advanced Level", "Expert Level"};

// The swing angle of frame u: u / pi / 2 radians, in double precision.
double SwingAngle(uint32_t u) {
    return static_cast<double>(u) * 0.3183098861837907 * 0.5;
}

int DrawImage(RandomGenerator& random, int lowest, int highest, int divisor) {
    for (;;) {
        int v = CeilDiv(random.Next(), divisor);
        if (v >= lowest && v <= highest) return v;
    }
}

int DrawSpeed(RandomGenerator& random) {
    return 3 * CeilDiv(random.Next(), 6553) + 8;
}

void StoreLevel(const std::string& settingsPath, int level) {
    WriteProfileString(settingsPath, "Game", "DefaultLevel", std::to_string(level));
}

}  // namespace

int LevelSelectScene::Start(StartMode startMode) {
    Scene::Start(startMode);
    TheRandom().Seed(static_cast<uint32_t>(ThePlatform().CalendarTime()));
    notYetDrawn = 1;
    level = GetProfileInt(TheApplication().settingsPath, "Game", "DefaultLevel", 1);
    if (level < 1 || level > 3) level = 1;

    std::optional<Bitmap> strip = LoadBitmapFile("bmp\\block.bmp");
    if (!strip) return 0;
    for (int i = 0; i < 9; ++i) {
        if (!LoadBitmapSurface(blockSurfaces[i], startMode, *strip, 40 * i, 0, 40, 40)) return 0;
    }
    for (auto& surface : blockSurfaces) {
        surface->FadeTowards(kDriftBlue, kDriftKeeps);
        surface->SetColorKeyBlack();
    }

    // The first frame is drawn on the first tick; the tune loads while it is awaited.
    SetSceneTimer(0, 150);
    if (startMode == StartMode::Create) {
        KBGMLoadFile(&music, ExecutableFilePath("open.mid"));
        KBGMInit(music);
    }
    KBGMPlay(music, 1);

    for (FloatingBlock& block : floatingBlocks) {
        block.image = DrawImage(TheRandom(), 0, 8, 4095);
        block.y = CeilDiv(TheRandom().Next(), 109) + 100;
        block.speed = DrawSpeed(TheRandom());
        block.baseX = 0;
    }
    frameCounter = 0;
    return 1;
}

int LevelSelectScene::End() {
    Scene::End();
    KillTimer(0);
    ReleaseBlockSurfaces();
    return 1;
}

void LevelSelectScene::ReleaseBlockSurfaces() {
    for (auto& surface : blockSurfaces) surface.reset();
}

int LevelSelectScene::BlockLeft(int index) const {
    uint32_t t = frameCounter;
    const FloatingBlock& block = floatingBlocks[index];
    switch (index) {
        case 0:
            return static_cast<int>(std::trunc(280.0 * (std::cos(SwingAngle(t)) + 1.0)));
        case 1:
            return block.baseX +
                   static_cast<int>(std::trunc(150.0 * std::cos(SwingAngle(t + 150u))));
        case 2:
            return block.baseX +
                   static_cast<int>(std::trunc(90.0 * std::sin(SwingAngle(t + 1000u))));
        case 3:
            return block.baseX +
                   static_cast<int>(std::trunc(150.0 * std::sin(SwingAngle(t + 150u))));
        default:
            return static_cast<int>(std::trunc(280.0 * (std::sin(SwingAngle(t)) + 1.0)));
    }
}

int LevelSelectScene::Draw() {
    Surface* backBuffer = TheDisplay().backBuffer;
    if (backBuffer == nullptr) return 0;
    if (background != nullptr) backBuffer->BltFast(0, 0, *background, nullptr, false);

    const Rect tile{0, 0, 40, 40};
    for (int i = 0; i < 5; ++i) {
        const Surface* picture = blockSurfaces[floatingBlocks[i].image].get();
        // A block not wholly on screen is refused by the copy and so not shown.
        if (picture != nullptr) {
            backBuffer->BltFast(BlockLeft(i), floatingBlocks[i].y, *picture, &tile, true);
        }
    }

    {
        TextContext dc(TheDisplay(), *backBuffer);
        dc.SetBkMode(BkMode::Transparent);
        dc.SetTextColor(0x000000);
        dc.SelectFont(GetFont(0, 1));
        dc.TextOut(100, 270, "Please select Game Level.", 25);
        dc.TextOut(100, 285, "Put the Enter key for Play Game or put F1 for Show HighScore.", 61);
        dc.SelectFont(GetFont(4, 1));
        for (int i = 0; i < 3; ++i) {
            dc.SetTextColor(level == i + 1 ? 0x0000FF : 0xFFFFFF);
            dc.TextOut(185, 310 + 30 * i, kLevelNames[i],
                       static_cast<int>(std::char_traits<char>::length(kLevelNames[i])));
        }
    }

    if (title != nullptr) backBuffer->BltFast(85, 140, *title, nullptr, true);
    notYetDrawn = 0;
    return 1;
}

intptr_t LevelSelectScene::OnMessage(const Message& message) {
    if (message.message == kMsgDestroy) {
        PostQuitMessage(0);
        return 1;
    }
    if (message.message != kMsgKeyDown) {
        Scene::OnMessage(message);
        return DefWindowProc(message);
    }
    switch (message.wParam) {
        case kVkReturn:
            if (notYetDrawn != 0) break;
            End();
            StoreLevel(TheApplication().settingsPath, level);
            Switcher().HandOverLevel(SceneId::Game, level);
            Switcher().StartScene(SceneId::Game, StartMode::Create);
            break;
        case kVkF1:
            if (notYetDrawn != 0) break;
            End();
            StoreLevel(TheApplication().settingsPath, level);
            Switcher().HandOverLevel(SceneId::Ranking, level);
            Switcher().StartScene(SceneId::Ranking, StartMode::ViewOnly);
            break;
        case kVkEscape:
        case kVkF12:
            End();
            Switcher().StartScene(SceneId::Farewell, StartMode::Create);
            break;
        case kVkUp:
            level = level == 1 ? 3 : level - 1;
            break;
        case kVkDown:
            level = level == 3 ? 1 : level + 1;
            break;
        default:
            break;
    }
    return 1;
}

int LevelSelectScene::OnTimer(int /*timerId*/, uint32_t /*time*/) {
    Redraw();
    TheDisplay().Flip();
    for (FloatingBlock& block : floatingBlocks) {
        block.y += block.speed;
        if (block.y >= 480) {
            block.image = DrawImage(TheRandom(), 1, 9, 3640) - 1;
            block.baseX = CeilDiv(TheRandom().Next(), 51) + 100;
            block.speed = DrawSpeed(TheRandom());
            block.y = 0;
        }
    }
    ++frameCounter;
    return 1;
}

}  // namespace zolvex
