#include "app/ControlsCard.h"

#include <string>

namespace zolvex {
namespace {

constexpr ColorRef kHeading = 0x50D8FF;  // light gold
constexpr ColorRef kKey = 0xFFFFFF;
constexpr ColorRef kDoes = 0xF0DCC8;  // pale blue

constexpr int kKeyColumn = 52;
constexpr int kPadColumn = 210;
constexpr int kDoesColumn = 352;
constexpr int kRowHeight = 16;

struct Row {
    const char* keys;
    const char* controller;
    const char* does;
};

struct Section {
    const char* screen;
    std::vector<Row> rows;
};

const std::vector<Section>& Sections() {
    static const std::vector<Section> kSections = {
        {"Title screen",
         {{"Up, Down", "D-pad, left stick", "choose the level"},
          {"Enter", "Start", "play"},
          {"F1", "Y", "the level's top 10"},
          {"Esc, F12", "Back", "quit"},
          {"H", "right shoulder", "this card"}}},
        {"Play",
         {{"Enter", "Start", "start, pause, go on"},
          {"Left, Right", "D-pad, left stick", "move the swapper"},
          {"Space, Up", "A, up", "swap its two columns"},
          {"Down (hold)", "down (hold)", "drop faster"},
          {"Esc, F12", "Back", "give up"}}},
        {"Rankings",
         {{"arrow keys", "D-pad, left stick", "move the character picker"},
          {"Space, or type it", "A", "type the character"},
          {"Backspace", "B", "delete the last character"},
          {"Enter, Esc, F12", "Start, Back", "store, back to the title"}}},
        {"Every screen",
         {{"F2, F3", "", "music, effects off or on"},
          {"F7, F8", "", "music quieter, louder"},
          {"Print Screen", "", "save a screenshot"},
          {"Alt+Enter, F11", "", "full screen or window"},
          {"F5", "", "draw the screen again"}}},
    };
    return kSections;
}

}  // namespace

void DrawControlsCard(Surface& target, const FontSet& fonts, std::vector<TextRecord>& texts) {
    const Rect rim{28, 8, 612, 472};
    target.Fill(rim, kOverlayRim);
    target.Fill(Rect{rim.left + 2, rim.top + 2, rim.right - 2, rim.bottom - 2}, kOverlayPanel);

    TextContext dc(target, fonts);
    dc.SetBkMode(BkMode::Opaque);
    dc.SetBkColor(kOverlayPanel);
    auto text = [&](int x, int y, const std::string& s, ColorRef color, const Font* font) {
        if (s.empty()) return;
        dc.SelectFont(font);
        dc.SetTextColor(color);
        dc.TextOut(x, y, s.c_str(), static_cast<int>(s.size()));
        texts.push_back({x, y, s, color, kOverlayPanel, FontSizeIndex(font), FontFaceFlag(font)});
    };

    const Font* large = fonts.Get(2, 1);
    const Font* small = fonts.Get(0, 1);
    text(kKeyColumn - 8, 16, "Controls", kHeading, large);
    text(kPadColumn, 20, "Keys, and the controller's buttons", kDoes, small);
    int y = 44;
    for (const Section& section : Sections()) {
        text(kKeyColumn - 8, y, section.screen, kHeading, small);
        y += kRowHeight + 2;
        for (const Row& row : section.rows) {
            text(kKeyColumn, y, row.keys, kKey, small);
            text(kPadColumn, y, row.controller, kDoes, small);
            text(kDoesColumn, y, row.does, kDoes, small);
            y += kRowHeight;
        }
        y += 4;
    }
    text(kKeyColumn - 8, rim.bottom - 24, "Any key closes this card.", kHeading, small);
}

}  // namespace zolvex
