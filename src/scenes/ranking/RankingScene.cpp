#include "scenes/ranking/RankingScene.h"

#include <cstdio>
#include <cstring>

#include "display/Display.h"
#include "game/GameModel.h"

namespace zolvex {

namespace {

constexpr ColorRef kWhite = 0xFFFFFF;
constexpr ColorRef kYellow = 0x00FFFF;
constexpr ColorRef kRed = 0x0000FF;
constexpr ColorRef kCyan = 0xFFFF00;
constexpr ColorRef kPickerBlack = 0xFF000000;
// The picker shows the characters 32 to 64 in its first row and 65 to 96 in its second.
constexpr int32_t kFirstRowEnd = 64;
constexpr uint32_t kLastPickerCode = 96;

}  // namespace

int RankingScene::Start(StartMode startMode) {
    if (startMode == StartMode::ViewOnly) {
        viewOnlyVisit_ = true;
    } else if (startMode == StartMode::Create) {
        viewOnlyVisit_ = false;
    }
    Scene::Start(startMode);
    // Composed afresh at every start, a restore's included, from the pictures as they are now.
    backdrop_ = TheDisplay().NewBackdrop();
    if (backdrop_ != nullptr) DrawBackdrop(*backdrop_);
    // A restore of a view-only visit shows the table again as it was opened,
    // so the last game's total is not stored a second time.
    bool viewOnly = viewOnlyVisit_;
    if (viewOnly) mode = StartMode::ViewOnly;

    // A restore puts the new entry back from the file; the name typed so far and the
    // picker's place come back with it.
    const bool keepTyping = startMode == StartMode::Restore && newRank >= 0 && newRank <= 9;
    RankEntry typed{};
    if (keepTyping) typed = entries[newRank];
    const int32_t typedLength = nameLength;
    const int32_t typedColumn = pickerColumn;
    const int32_t typedRow = pickerRow;

    newRank = 11;
    scoreFilePath = DataFilePath("score.scr");
    tableX = viewOnly ? 150 : 300;
    if (startMode != StartMode::Restore) {
        KBGMLoadFile(&music, ExecutableFilePath("rank.mid"));
        KBGMInit(music);
    }
    KBGMPlay(music, 1);
    ReadRankingTable(scoreFilePath, level, entries);
    SetSceneTimer(0, 100);
    if (viewOnly) {
        ThePlatform().SetTextInput(false);
        return 1;
    }

    nameLength = 0;
    pickerColumn = 32;
    pickerRow = 0;
    const GameResult result = Switcher().LastResult();
    total = SaturatingAdd(result.score, result.bonus);
    InsertNewEntry();
    // Characters typed on the keyboard reach the screen only while a name is entered.
    ThePlatform().SetTextInput(newRank >= 0 && newRank <= 9);
    if (keepTyping && newRank >= 0 && newRank <= 9) {
        std::memcpy(entries[newRank].name, typed.name, sizeof typed.name);
        nameLength = typedLength;
        pickerColumn = typedColumn;
        pickerRow = typedRow;
    }
    return 1;
}

void RankingScene::InsertNewEntry() {
    newRank = 10;
    for (int i = 0; i < 10; ++i) {
        if (entries[i].score <= total) {
            newRank = i;
            break;
        }
    }
    if (Switcher().LastResult().score == 0) newRank = 10;
    if (newRank == 10) return;
    for (int i = 8; i >= newRank; --i) entries[i + 1] = entries[i];
    entries[newRank].score = total;
    entries[newRank].name[0] = '\0';
}

// The table is read again as the file holds it now, so a game another copy stored
// while this screen was shown keeps its place; only this game's entry is added.
bool RankingScene::StoreTable() const {
    const bool ranked = newRank >= 0 && newRank <= 9;
    return StoreRankingEntry(scoreFilePath, level, ranked ? &entries[newRank] : nullptr);
}

int RankingScene::End() {
    Scene::End();
    ThePlatform().SetTextInput(false);
    KillTimer(0);
    StoreTable();
    backdrop_.reset();
    return 1;
}

intptr_t RankingScene::OnMessage(const Message& message) {
    if (message.message == kMsgDestroy) {
        PostQuitMessage(0);
        return 1;
    }
    if (message.message == kMsgChar) {
        TypeCharacter(message.wParam);
        return 1;
    }
    if (message.message != kMsgKeyDown) {
        // Closing the window skips End; the table with the new name is kept anyway.
        if (message.message == kMsgClose) StoreTable();
        Scene::OnMessage(message);
        return DefWindowProc(message);
    }
    bool typing = newRank >= 0 && newRank <= 9;
    switch (message.wParam) {
        case kVkReturn:
        case kVkEscape:
        case kVkF12:
            End();
            Switcher().StartScene(SceneId::LevelSelect, StartMode::Create);
            break;
        case kVkSpace:
            if (typing) TypeSelectedCharacter();
            break;
        case kVkBack:
            if (typing && nameLength > 0) {
                --nameLength;
                entries[newRank].name[nameLength] = '\0';
            }
            break;
        case kVkLeft:
            if (--pickerColumn < 32) {
                pickerColumn = 64;
                if (--pickerRow < 0) pickerRow = 1;
            }
            break;
        case kVkRight:
            if (++pickerColumn > 64) {
                pickerColumn = 32;
                if (++pickerRow > 1) pickerRow = 0;
            }
            break;
        case kVkUp:
            if (--pickerRow < 0) pickerRow = 1;
            break;
        case kVkDown:
            if (++pickerRow > 1) pickerRow = 0;
            break;
        default:
            break;
    }
    return 1;
}

void RankingScene::TypeSelectedCharacter() {
    if (nameLength < 10) {
        entries[newRank].name[nameLength] = static_cast<char>(SelectedCode());
        ++nameLength;
        entries[newRank].name[nameLength] = '\0';
        ThePlatform().PlaySoundFile("wav\\pause.wav");
    } else {
        ThePlatform().Beep();
    }
}

void RankingScene::TypeCharacter(uint32_t character) {
    if (newRank < 0 || newRank > 9 || mode == StartMode::ViewOnly) return;
    // The picker shows capitals only, so a letter typed in either case is its capital.
    if (character >= 'a' && character <= 'z') character -= 'a' - 'A';
    // A blank is what the Space key types already: the key types the selected
    // character, and the blank it also produces is not typed a second time.
    if (character <= ' ' || character > kLastPickerCode) return;
    const auto code = static_cast<int32_t>(character);
    pickerRow = code <= kFirstRowEnd ? 0 : 1;
    pickerColumn = code - 33 * pickerRow;
    TypeSelectedCharacter();
}

int RankingScene::OnTimer(int /*timerId*/, uint32_t /*time*/) {
    Redraw();
    TheDisplay().Flip();
    return 1;
}

void RankingScene::DrawBackdrop(Surface& target) const {
    if (background != nullptr) target.BltFast(0, 0, *background, nullptr, false);
    // The table and the verdict are written across the logo, so it is shown dimmed here.
    const Surface* logo = TheDisplay().dimmedTitle;
    if (logo != nullptr) target.BltFast(85, 140, *logo, nullptr, true);
}

int RankingScene::Draw() {
    Surface* target = TheDisplay().backBuffer;
    if (target == nullptr) return 0;
    Surface& backBuffer = *target;
    if (backdrop_ != nullptr) {
        backBuffer.BltFast(0, 0, *backdrop_, nullptr, false);
    } else {
        DrawBackdrop(backBuffer);
    }

    TextContext dc(TheDisplay(), backBuffer);
    dc.SetBkMode(BkMode::Transparent);
    const Font* previous = dc.SelectFont(GetFont(0, 1));
    dc.SetTextColor(kWhite);
    dc.TextOut(50, 400, "Put Enter key.", 14);
    dc.SelectFont(GetFont(3, 1));
    dc.SetTextColor(kYellow);
    dc.TextOut(tableX, 50, "- Ranking for Top 10 -", 22);

    dc.SelectFont(GetFont(2, 0));
    char text[64];
    for (int k = 0; k < 10; ++k) {
        int y = 80 + 23 * k;
        const RankEntry& entry = entries[k];
        int nameCount = static_cast<int>(strnlen(entry.name, sizeof entry.name));
        if (k == newRank) {
            dc.SetTextColor(kRed);
            dc.SetBkMode(BkMode::Opaque);
            dc.SetBkColor(kWhite);
            dc.TextOut(tableX + 39, y, "          ", 10);
            dc.SetBkMode(BkMode::Transparent);
            dc.TextOut(tableX + 39, y, entry.name, nameCount);
        } else {
            dc.SetTextColor(kWhite);
            dc.TextOut(tableX + 39, y, entry.name, nameCount);
        }
        dc.SetTextColor(kWhite);
        std::snprintf(text, sizeof text, "%2d", k + 1);
        dc.TextOut(tableX, y, text, 2);
        std::snprintf(text, sizeof text, "%10X", entry.score);
        dc.TextOut(tableX + 169, y, text, 10);
    }

    if (mode != StartMode::ViewOnly) {
        const GameResult result = Switcher().LastResult();
        dc.SetTextColor(kWhite);
        std::snprintf(text, sizeof text, "Score:%8X", result.score);
        dc.TextOut(50, 100, text, 14);
        std::snprintf(text, sizeof text, "Bonus:%8X", result.bonus);
        dc.TextOut(50, 120, text, 14);
        std::snprintf(text, sizeof text, "Total:%8X", total);
        dc.TextOut(50, 150, text, 14);

        dc.SelectFont(GetFont(3, 1));
        if (newRank >= 10) {
            dc.SetTextColor(kRed);
            dc.TextOut(50, 180, "You miss 10 Rank...", 19);
        } else {
            char place[16];
            static const char* const kPlaces[3] = {" 1st", " 2nd", " 3rd"};
            if (newRank < 3) {
                std::snprintf(place, sizeof place, "%s", kPlaces[newRank]);
            } else {
                std::snprintf(place, sizeof place, "%2dth", newRank + 1);
            }
            std::snprintf(text, sizeof text, "You get %4s Rank!!", place);
            dc.SetTextColor(kCyan);
            dc.TextOut(50, 180, text, 19);
        }
    }

    if (newRank >= 0 && newRank <= 9 && mode != StartMode::ViewOnly) {
        dc.SelectFont(GetFont(1, 0));
        int selected = SelectedCode();
        for (int code = 32; code <= 96; ++code) {
            int row = code <= 64 ? 0 : 1;
            int x = row == 0 ? 13 * code - 366 : 13 * code - 795;
            int y = row == 0 ? 340 : 360;
            char character = static_cast<char>(code);
            if (code == selected && row == pickerRow) {
                dc.SetTextColor(kPickerBlack);
                dc.SetBkMode(BkMode::Opaque);
                dc.SetBkColor(kWhite);
                dc.TextOut(x, y, &character, 1);
                dc.SetBkMode(BkMode::Transparent);
            } else {
                dc.SetTextColor(kWhite);
                dc.TextOut(x, y, &character, 1);
            }
        }
    }
    dc.SelectFont(previous);
    return 1;
}

void RankingScene::OnDrawn() {
    if (nameLength >= 10) nameLength = 9;
}

}  // namespace zolvex
