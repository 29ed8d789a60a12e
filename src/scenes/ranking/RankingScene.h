// The top-10 screen of one level: after a game it ranks the total and takes a
// name typed on a character picker; from the title screen it only shows the
// table. The table is written back when the scene ends.
#pragma once

#include <memory>
#include <string>

#include "display/Surface.h"
#include "formats/RankingFile.h"
#include "scenes/Scene.h"

namespace zolvex {

class RankingScene : public Scene {
public:
    explicit RankingScene(SceneContext& context) : Scene(context) {}

    int Start(StartMode startMode) override;
    int End() override;
    int Draw() override;
    // The name being typed never grows past nine characters once shown.
    void OnDrawn() override;
    intptr_t OnMessage(const Message& message) override;
    int OnTimer(int timerId, uint32_t time) override;
    // The table with the name being typed is stored, as when the window is closed.
    void OnDisplayLost() override { StoreTable(); }
    const char* Name() const override { return "Ranking"; }

    // Places the game's total in the table, above equal scores; a game that
    // scored nothing is not ranked.
    void InsertNewEntry();
    // The character the picker has selected.
    int SelectedCode() const { return 33 * pickerRow + pickerColumn; }

    std::string scoreFilePath;
    RankEntry entries[10] = {};
    int32_t newRank = 11;
    int32_t nameLength = 0;
    int32_t pickerColumn = 32;
    int32_t pickerRow = 0;
    int32_t tableX = 300;
    uint32_t total = 0;

private:
    // Types the picker's character, as Space does while a name is entered.
    void TypeSelectedCharacter();
    // Moves the picker to a character typed on the keyboard and types it; one the
    // picker does not show does nothing.
    void TypeCharacter(uint32_t character);
    bool StoreTable() const;
    // The layers beneath the table: the background and the dimmed logo.
    void DrawBackdrop(Surface& target) const;

    // Those layers composed at the start; null while the screen must be drawn layer by layer.
    std::unique_ptr<Surface> backdrop_;

    // A visit opened from the title screen stays view-only through restores.
    bool viewOnlyVisit_ = false;
};

}  // namespace zolvex
