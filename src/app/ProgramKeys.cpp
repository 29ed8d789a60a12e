#include "app/ProgramKeys.h"

#include <algorithm>

#include "app/ControlsCard.h"

namespace zolvex {
namespace {

constexpr ColorRef kNoticeText = 0xFFFFFF;
// The notice sits over the logo; the badge low on the right, clear of the board and
// the next trio, above the credit line.
constexpr int kNoticeTop = 10;
constexpr int kBadgeTop = 408;

}  // namespace

ProgramKeys::ProgramKeys(Platform& platform, Display& display)
    : platform_(platform), display_(display), sound_(platform) {
    display_.SetOverlay([this](const Surface& frame) { return Compose(frame); });
}

ProgramKeys::~ProgramKeys() {
    display_.SetOverlay(nullptr);
}

void ProgramKeys::Load(const std::string& settingsPath, bool musicOn, std::string dataDirectory) {
    sound_.Load(settingsPath, musicOn);
    dataDirectory_ = std::move(dataDirectory);
}

bool ProgramKeys::Take(const Message& message, bool onTitleScreen) {
    if (message.message == kMsgTimer && message.wParam == kNoticeTimer) {
        platform_.KillTimer(kNoticeTimer);
        notice_.clear();
        Refresh();
        return true;
    }
    if (message.message == kMsgActivateApp) {
        // A key held while the focus went away sends no release.
        swallowUp_.clear();
        return false;
    }
    if (message.message == kMsgKeyUp) {
        auto it = std::find(swallowUp_.begin(), swallowUp_.end(), message.wParam);
        if (it == swallowUp_.end()) return false;
        swallowUp_.erase(it);
        return true;
    }
    if (message.message != kMsgKeyDown) return false;

    const uint32_t key = message.wParam;
    auto taken = [&] {
        if (std::find(swallowUp_.begin(), swallowUp_.end(), key) == swallowUp_.end()) {
            swallowUp_.push_back(key);
        }
        return true;
    };
    if (cardShown_ || (onTitleScreen && key == 'H')) {
        cardShown_ = !cardShown_;
        Refresh();
        return taken();
    }
    if (key == kVkSnapshot) {
        if (display_.Front() != nullptr) {
            screenshots_.Save(*display_.Front(), platform_.CalendarTime(), dataDirectory_);
        }
        return taken();
    }
    if (std::optional<std::string> notice = sound_.OnKey(key)) {
        ShowNotice(std::move(*notice));
        return taken();
    }
    return false;
}

void ProgramKeys::ShowNotice(std::string text) {
    notice_ = std::move(text);
    platform_.SetTimer(kNoticeTimer, kNoticeMs);
    Refresh();
}

void ProgramKeys::SetBadge(std::string text) {
    if (text == badge_) return;
    badge_ = std::move(text);
    Refresh();
}

void ProgramKeys::DrawPanel(const std::string& text, int top) {
    const FontSet& fonts = display_.Fonts();
    const Font* font = fonts.Get(1, 1);
    const RenderedText* rendered = RenderText(font, text);
    const int width = rendered != nullptr ? rendered->width : 8 * static_cast<int>(text.size());
    const int height = std::max(FontCellHeight(font), 16);
    const Rect rim{640 - 12 - width - 20, top, 640 - 12, top + height + 12};
    composed_->Fill(rim, kOverlayRim);
    composed_->Fill(Rect{rim.left + 2, rim.top + 2, rim.right - 2, rim.bottom - 2}, kOverlayPanel);
    TextContext dc(*composed_, fonts);
    dc.SetBkMode(BkMode::Opaque);
    dc.SetBkColor(kOverlayPanel);
    dc.SetTextColor(kNoticeText);
    dc.SelectFont(font);
    const int x = rim.left + 10;
    const int y = rim.top + 6;
    dc.TextOut(x, y, text.c_str(), static_cast<int>(text.size()));
    texts_.push_back(
        {x, y, text, kNoticeText, kOverlayPanel, FontSizeIndex(font), FontFaceFlag(font)});
}

void ProgramKeys::Refresh() {
    const Surface* front = display_.Front();
    if (front == nullptr) return;
    const Surface* shown = Compose(*front);
    if (shown == nullptr) shown = front;
    platform_.Present(shown->Pixels(), shown->Width(), shown->Height());
}

const Surface* ProgramKeys::Compose(const Surface& frame) {
    texts_.clear();
    shown_ = cardShown_ || !notice_.empty() || !badge_.empty();
    if (shown_ && composed_ == nullptr) composed_ = std::make_unique<Surface>(640, 480);
    if (!shown_ || !composed_->BltFast(0, 0, frame, nullptr, false)) {
        shown_ = false;
        composed_.reset();
        return nullptr;
    }
    const FontSet& fonts = display_.Fonts();
    if (cardShown_) DrawControlsCard(*composed_, fonts, texts_);
    if (!notice_.empty()) DrawPanel(notice_, kNoticeTop);
    if (!badge_.empty()) DrawPanel(badge_, kBadgeTop);
    return composed_.get();
}

}  // namespace zolvex
