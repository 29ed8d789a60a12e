// The last screen of a run: the build banner, a parting message and the
// credit line for two ticks of a one-second timer, then the window goes.
#pragma once

#include "scenes/Scene.h"

namespace zolvex {

class FarewellScene : public Scene {
public:
    explicit FarewellScene(SceneContext& context) : Scene(context) {}

    int Start(StartMode startMode) override;
    int Draw() override;
    intptr_t OnMessage(const Message& message) override;
    int OnTimer(int timerId, uint32_t time) override;
    const char* Name() const override { return "Farewell"; }

    Surface* backBuffer = nullptr;
    int32_t ticks = 0;
};

}  // namespace zolvex
