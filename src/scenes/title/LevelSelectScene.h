// The title screen and level menu: drifting number blocks, the instructions
// and the three level names, the chosen one in red.
#pragma once

#include <memory>

#include "display/Bitmap.h"
#include "display/Display.h"
#include "scenes/Scene.h"

namespace zolvex {

// The drifting blocks are the number tiles faded this far towards the night blue, so that
// they stay behind the menu and a level name passing over one still reads.
inline constexpr ColorRef kDriftBlue = 0x2A120E;
inline constexpr int kDriftKeeps = 70;  // percent of a tile's own colours

struct FloatingBlock {
    int32_t baseX = 0;  // centre line of the swing of blocks 1 to 3
    int32_t y = 0;      // top edge on the screen
    int32_t speed = 0;  // pixels moved per tick
    int32_t image = 0;  // index of the block picture, 0 to 8
};

class LevelSelectScene : public Scene {
public:
    explicit LevelSelectScene(SceneContext& context) : Scene(context) {}

    int Start(StartMode startMode) override;
    int End() override;
    int Draw() override;
    intptr_t OnMessage(const Message& message) override;
    int OnTimer(int timerId, uint32_t time) override;
    const char* Name() const override { return "LevelSelect"; }

    // Left edge of floating block `index` in the frame of `frameCounter`.
    int BlockLeft(int index) const;

    uint8_t notYetDrawn = 0;
    uint32_t frameCounter = 0;
    std::unique_ptr<Surface> blockSurfaces[9];
    FloatingBlock floatingBlocks[5];

private:
    void ReleaseBlockSurfaces();
};

// ceil(r / d) for the draws r of 0 to 32767.
inline int CeilDiv(int r, int d) {
    return (r + d - 1) / d;
}

}  // namespace zolvex
