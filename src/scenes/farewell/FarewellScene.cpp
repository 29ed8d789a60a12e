#include "scenes/farewell/FarewellScene.h"

#include "display/Display.h"
#include "scenes/Application.h"

namespace zolvex {

int FarewellScene::Start(StartMode startMode) {
    Scene::Start(startMode);
    Redraw();
    TheDisplay().Flip();
    SetSceneTimer(0, 1000);
    ticks = 0;
    return 1;
}

int FarewellScene::Draw() {
    backBuffer = TheDisplay().backBuffer;
    if (backBuffer == nullptr) return 0;
    TextContext dc(TheDisplay(), *backBuffer);
    backBuffer->FillBlack();
    dc.SetBkColor(0x000000);
    dc.SelectFont(GetFont(0, 1));
    dc.SetTextColor(0xFFFFFF);
    dc.TextOut(0, 0, BuildBanner(), 34);
    dc.SelectFont(GetFont(2, 1));
    dc.SetTextColor(0xFFFFFF);
    dc.TextOut(260, 180, "Thank you for playing...", 24);
    dc.SetTextColor(0xFF00FF);
    dc.TextOut(280, 200, "See you next Time!", 18);
    dc.SetBkColor(0xFFFFFF);
    dc.SetTextColor(0xFF0000);
    dc.SelectFont(GetFont(1, 1));
    dc.TextOut(380, 450, CreditLine(), 31);
    return 1;
}

intptr_t FarewellScene::OnMessage(const Message& message) {
    if (message.message == kMsgDestroy) {
        PostQuitMessage(0);
        return 1;
    }
    Scene::OnMessage(message);
    return DefWindowProc(message);
}

int FarewellScene::OnTimer(int timerId, uint32_t /*time*/) {
    if (ticks >= 1) {
        KillTimer(timerId);
        End();
        DestroyWindow();
    }
    return ++ticks;
}

}  // namespace zolvex
