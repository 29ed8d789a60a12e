// Game controllers as keys, through SDL's virtual joysticks: the key messages of
// the buttons and the stick, a held direction's repeat, the stick's dead zone, and
// controllers connected and pulled out at any moment.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/EventQueue.h"
#include "platform/sdl/SdlControllers.h"
#include "platform/sdl/SdlPlatform.h"

namespace zolvex {
namespace {

using Keys = std::vector<std::string>;

// A virtual controller with every button and axis; `update` runs whenever it is read.
SDL_Joystick* AttachPad(void (*update)(void*) = nullptr, void* userdata = nullptr) {
    SDL_VirtualJoystickDesc desc;
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.Update = update;
    desc.userdata = userdata;
    SDL_Joystick* pad = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
    EXPECT_NE(pad, nullptr) << SDL_GetError();
    return pad;
}

class SdlControllersTest : public ::testing::Test {
protected:
    void SetUp() override {
        queue_.WindowCreated();
        ASSERT_TRUE(controllers_.Start());
        controllers_.SetRepeat(500, 40);
    }
    void TearDown() override {
        if (pad_ != nullptr) PullOut();
        controllers_.Stop();
    }

    Keys Connect(uint64_t now) {
        pad_ = AttachPad();
        return Sent(now);
    }
    void PullOut() {
        const SDL_JoystickID id = SDL_JoystickInstanceID(pad_);
        SDL_JoystickClose(pad_);
        pad_ = nullptr;
        for (int index = 0; index < SDL_NumJoysticks(); ++index) {
            if (SDL_JoystickGetDeviceInstanceID(index) == id) SDL_JoystickDetachVirtual(index);
        }
    }

    // The key messages the message loop takes at `now`: "down 37", "up 37".
    Keys Sent(uint64_t now) {
        controllers_.Poll(now);
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
            controllers_.HandleEvent(event, now);
        }
        Keys keys;
        while (std::optional<Message> m = queue_.Next(now)) {
            keys.push_back((m->message == kMsgKeyDown ? "down " : "up ") +
                           std::to_string(m->wParam));
        }
        return keys;
    }
    Keys Button(SDL_GameControllerButton button, bool down, uint64_t now) {
        SDL_JoystickSetVirtualButton(pad_, button, down ? 1 : 0);
        return Sent(now);
    }
    Keys Stick(SDL_GameControllerAxis axis, int16_t value, uint64_t now) {
        SDL_JoystickSetVirtualAxis(pad_, axis, value);
        return Sent(now);
    }

    EventQueue queue_;
    SdlControllers controllers_{queue_};
    SDL_Joystick* pad_ = nullptr;
};

TEST_F(SdlControllersTest, ButtonsAreKeysAndControllersComeAndGoAtAnyMoment) {
    EXPECT_EQ(controllers_.WakeAt(0), 500u)
        << "without a controller the loop looks for one, at the latest a period after it is due";
    controllers_.Poll(100);
    EXPECT_EQ(controllers_.WakeAt(100), 1100u) << "the next look rides on other wakes";
    EXPECT_EQ(Connect(0), Keys{});
    const std::pair<SDL_GameControllerButton, uint32_t> kButtons[] = {
        {SDL_CONTROLLER_BUTTON_A, kVkSpace},      {SDL_CONTROLLER_BUTTON_B, kVkBack},
        {SDL_CONTROLLER_BUTTON_START, kVkReturn}, {SDL_CONTROLLER_BUTTON_BACK, kVkEscape},
        {SDL_CONTROLLER_BUTTON_Y, kVkF1},         {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 'H'}};
    for (const auto& [button, key] : kButtons) {
        EXPECT_EQ(Button(button, true, 10), Keys{"down " + std::to_string(key)});
        EXPECT_EQ(Sent(2000), Keys{}) << "a held button does not repeat";
        EXPECT_EQ(Button(button, false, 2000), Keys{"up " + std::to_string(key)});
    }

    // Pulled out, a controller lets go of what it held, and nothing else happens.
    EXPECT_EQ(Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true, 3000), Keys{"down 40"});
    PullOut();
    EXPECT_EQ(Sent(3010), Keys{"up 40"});
    EXPECT_EQ(Connect(5000), Keys{});
    EXPECT_EQ(Button(SDL_CONTROLLER_BUTTON_START, true, 5010), Keys{"down 13"});
}

TEST_F(SdlControllersTest, AHeldDirectionRepeatsLikeAHeldKeyUntilItIsLetGo) {
    Connect(0);
    EXPECT_EQ(Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true, 100), Keys{"down 40"});
    EXPECT_EQ(controllers_.WakeAt(100), 110u) << "a connected controller is read every 10 ms";
    EXPECT_EQ(controllers_.WakeAt(595), 600u) << "and at the repeat";
    EXPECT_EQ(Sent(599), Keys{});
    EXPECT_EQ(Sent(600), Keys{"down 40"});
    EXPECT_EQ(Sent(639), Keys{});
    EXPECT_EQ(Sent(640), Keys{"down 40"});
    EXPECT_EQ(Button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false, 660), Keys{"up 40"});
    EXPECT_EQ(Sent(5000), Keys{});
    // A second direction takes the repeat over, as a second key does.
    EXPECT_EQ(Button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true, 6000), Keys{"down 37"});
    EXPECT_EQ(Button(SDL_CONTROLLER_BUTTON_DPAD_UP, true, 6300), Keys{"down 38"});
    EXPECT_EQ(Sent(6800), Keys{"down 38"});
}

TEST_F(SdlControllersTest, TheStickHasADeadZoneAndIgnoresJitterAroundItsEdge) {
    Connect(0);
    EXPECT_EQ(Stick(SDL_CONTROLLER_AXIS_LEFTX, 12000, 10), Keys{});
    EXPECT_EQ(Stick(SDL_CONTROLLER_AXIS_LEFTX, 17000, 20), Keys{"down 39"});
    for (int16_t jitter : {12000, 16500, 10500, 17500, 11000}) {
        EXPECT_EQ(Stick(SDL_CONTROLLER_AXIS_LEFTX, jitter, 30), Keys{}) << jitter;
    }
    EXPECT_EQ(Stick(SDL_CONTROLLER_AXIS_LEFTX, 8000, 40), Keys{"up 39"});
    EXPECT_EQ(Stick(SDL_CONTROLLER_AXIS_LEFTX, -20000, 60), Keys{"down 37"});
    EXPECT_EQ(Stick(SDL_CONTROLLER_AXIS_LEFTX, 32767, 70), (Keys{"up 37", "down 39"}));
    EXPECT_EQ(Stick(SDL_CONTROLLER_AXIS_LEFTY, -32768, 80), Keys{"down 38"});
}

// The whole backend: a controller connected to a running game is read at once, and
// a button pressed while the loop waits for its next message wakes it.
TEST(SdlControllersInTheLoopTest, AControllerConnectedToARunningGameIsHeardAtOnce) {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    // The dummy window never has the keyboard focus, without which SDL drops
    // controller input as meant for another window.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    std::unique_ptr<Platform> platform = CreateSdlPlatform();
    ASSERT_TRUE(platform->CreateMainWindow("zolvex", [](const Message&) { return 0; }, {}));
    platform->SetTimer(1, 1100);
    Message message;
    ASSERT_TRUE(platform->GetNextMessage(message));
    ASSERT_EQ(message.message, kMsgTimer);

    // The controller presses Start by itself when it is read 200 ms from now.
    struct Pad {
        SDL_Joystick* joystick = nullptr;
        uint64_t pressAt = 0;
    } pad{nullptr, SDL_GetTicks64() + 200};
    pad.joystick = AttachPad(
        [](void* data) {
            auto* self = static_cast<Pad*>(data);
            if (self->joystick != nullptr && SDL_GetTicks64() >= self->pressAt) {
                SDL_JoystickSetVirtualButton(self->joystick, SDL_CONTROLLER_BUTTON_START, 1);
            }
        },
        &pad);
    platform->SetTimer(1, 5000);
    ASSERT_TRUE(platform->GetNextMessage(message));
    EXPECT_EQ(message.message, kMsgKeyDown);
    EXPECT_EQ(message.wParam, kVkReturn);
    EXPECT_LT(SDL_GetTicks64(), pad.pressAt + 100);
    SDL_JoystickClose(pad.joystick);
    platform->DestroyMainWindow();
}

}  // namespace
}  // namespace zolvex
