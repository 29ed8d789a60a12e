// The keys the program answers itself, on every screen and before any scene sees
// them: the sound levels (F2, F3, F7, F8), the screenshot (Print Screen) and, on the
// title screen, the controls card (H). What they show (a notice in the top-right
// corner for about a second, the card) is drawn over the scenes' frames as they are
// presented, never into them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Screenshots.h"
#include "app/SoundSettings.h"
#include "display/Display.h"
#include "platform/Platform.h"

namespace zolvex {

class ProgramKeys {
public:
    // The timer that takes the notice away; no scene uses it.
    static constexpr int kNoticeTimer = 0x5A01;
    static constexpr uint32_t kNoticeMs = 1200;

    // Draws over the frames of `display`, which must outlive this.
    ProgramKeys(Platform& platform, Display& display);
    ~ProgramKeys();
    ProgramKeys(const ProgramKeys&) = delete;
    ProgramKeys& operator=(const ProgramKeys&) = delete;

    // Reads the sound levels from the settings and sets them (start-up).
    void Load(const std::string& settingsPath, bool musicOn, std::string dataDirectory);
    // True when `message` was one of these keys (or their release, or the notice's
    // timer) and must reach no scene. While the card is shown every key closes it and
    // does nothing else.
    bool Take(const Message& message, bool onTitleScreen);

    // Shows `text` in the lower right corner over every frame until it is set empty.
    void SetBadge(std::string text);

    const std::string& Notice() const { return notice_; }
    const std::string& Badge() const { return badge_; }
    bool CardShown() const { return cardShown_; }
    const SoundLevels& Levels() const { return sound_.Levels(); }
    // The picture presented last with something over it, and the texts drawn over
    // it; null and empty while nothing is shown.
    const Surface* Composed() const { return shown_ ? composed_.get() : nullptr; }
    const std::vector<TextRecord>& OverlayTexts() const { return texts_; }
    Screenshots& TheScreenshots() { return screenshots_; }

private:
    const Surface* Compose(const Surface& frame);
    // Presents the frame on screen again with what is over it now.
    void Refresh();
    void ShowNotice(std::string text);
    // A small panel with `text` at the right edge, its top at `top`.
    void DrawPanel(const std::string& text, int top);

    Platform& platform_;
    Display& display_;
    SoundKeys sound_;
    Screenshots screenshots_;
    std::string dataDirectory_;
    std::string notice_;
    std::string badge_;
    bool cardShown_ = false;
    // The keys whose releases follow keys taken here.
    std::vector<uint32_t> swallowUp_;
    // The frame with the overlay drawn on it; only while something is shown, so that
    // the game does not hold a fourth copy of its frame the rest of the time.
    std::unique_ptr<Surface> composed_;
    bool shown_ = false;
    std::vector<TextRecord> texts_;
};

}  // namespace zolvex
