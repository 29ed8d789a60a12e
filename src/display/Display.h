// The screen: a front surface showing the last flipped frame, the back buffer every
// scene draws into, and the background and title pictures that all scenes share.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/StartMode.h"
#include "display/Surface.h"
#include "display/TextContext.h"
#include "platform/Platform.h"

namespace zolvex {

// The credit line written on the background picture (up to 33 characters of it) and on the
// farewell screen (up to 31); it is short enough that both show it whole.
const char* CreditLine();

class Display {
public:
    // A screen shown through `platform`, which must outlive it.
    explicit Display(Platform& platform) : platform_(platform) {}
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Sets up a width x height screen at bitsPerPixel (only 16 is possible): creates
    // the front surface and the back buffer, then LoadSharedSurfaces(Create).
    // `flags` are the full-screen cooperation flags and have no effect here.
    // False when a picture cannot be loaded (a line on standard error names it).
    bool Init(int flags, int width, int height, int bitsPerPixel);
    // Builds what Init would for a width x height screen while the window is still
    // opening, so that Init only takes it over: every surface and picture, all but the
    // credit line, which waits for the fonts (see WriteCreditLine). May run on another
    // thread, without the fonts, provided nothing else touches the display until it
    // returns. Init builds afresh when the size differs, and says no when there is no
    // window, as without it.
    void PrepareAhead(int width, int height);
    // Writes the credit line on a background that PrepareAhead left without it; the
    // fonts must be ready, and nothing drawn from the background yet. Does nothing
    // when the background already has it.
    void WriteCreditLine();
    // (Re)builds the shared pictures: in Create makes new surfaces, otherwise redraws
    // the existing ones. The background is 640 x 480, black where "bmp\mback.bmp" does
    // not reach, with the credit line at (380, 450); the title has the size of
    // "bmp\title.bmp" and black as its colour key, and the dimmed title is the same
    // picture faded towards the background's blue. False if a picture cannot be loaded
    // or a surface to redraw does not exist.
    bool LoadSharedSurfaces(StartMode mode) { return LoadPictures(mode, true); }
    // Why Init or the last LoadSharedSurfaces failed, as said on standard error
    // (without "zolvex: "); empty after a success.
    const std::string& FailureReason() const { return failure_; }
    // Shows the restoring notice on a black screen, then redraws the shared pictures;
    // returns the result of LoadSharedSurfaces(Restore). Surfaces keep their identity.
    bool RestoreAll();
    // Shows the back buffer: presents it through the platform and makes it what is
    // on screen. The two exchange their pixels rather than copy them, so the back
    // buffer then holds an older frame: every frame is drawn whole before its flip.
    bool Flip();
    // A new black surface the size of the back buffer, for the layers of a screen that
    // lie beneath everything that moves and stay the same from frame to frame; null
    // when the background does not cover the back buffer exactly, since such a screen
    // shows what the back buffer held and must be drawn layer by layer.
    std::unique_ptr<Surface> NewBackdrop() const;
    // A screen's backdrop was drawn on inside `area` only since it was `before`: the
    // front and back surfaces take note, so that the next frames still restore and
    // compare only what was drawn, not the whole frame.
    void NoteBackdropRedrawn(const Surface& backdrop, uint64_t before, const Rect& area);
    // Releases every surface; each pointer becomes null.
    void Release();

    // Given each frame as it is presented: returns the picture to present in its place
    // (the frame with something drawn over it), or null to present the frame itself.
    // What is drawn over a frame never becomes part of it or of the front surface.
    void SetOverlay(std::function<const Surface*(const Surface& frame)> overlay) {
        overlay_ = std::move(overlay);
    }

    // Appends a text drawn into the back buffer to the frame being composed.
    void RecordText(TextRecord record) { pendingTexts.push_back(std::move(record)); }
    // The texts drawn into the back buffer for the frame flipped last, in drawing order.
    const std::vector<TextRecord>& FlippedTexts() const { return flippedTexts; }
    // The frame flipped last (black before the first flip); null before Init.
    const Surface* Front() const { return primary; }
    uint64_t FlipCount() const { return flipCount; }

    // Off: back-buffer texts fill their opaque boxes but draw no glyphs (what lies under texts).
    void SetTextGlyphsDrawn(bool drawn) { textGlyphsDrawn_ = drawn; }
    bool TextGlyphsDrawn() const { return textGlyphsDrawn_; }

    // The fonts texts on this screen are drawn in.
    FontSet& Fonts() { return fonts_; }
    const FontSet& Fonts() const { return fonts_; }

    // Views of the surfaces, null when absent; the Display owns them.
    Surface* primary = nullptr;
    Surface* backBuffer = nullptr;
    Surface* background = nullptr;
    Surface* title = nullptr;
    // The title faded into the background, for a screen that writes its texts across it.
    Surface* dimmedTitle = nullptr;

private:
    void UpdateViews();
    // LoadSharedSurfaces, with the credit line written or left for WriteCreditLine.
    bool LoadPictures(StartMode mode, bool writeCredit);

    Platform& platform_;
    FontSet fonts_;
    std::string failure_;
    std::unique_ptr<Surface> primarySurface;
    std::unique_ptr<Surface> backBufferSurface;
    std::unique_ptr<Surface> backgroundSurface;
    std::unique_ptr<Surface> titleSurface;
    std::unique_ptr<Surface> dimmedTitleSurface;
    std::vector<TextRecord> pendingTexts;
    std::vector<TextRecord> flippedTexts;
    uint64_t flipCount = 0;
    // The number the platform was given with the front surface's frame; 0 when what
    // it showed last was something else.
    uint64_t shownFrame_ = 0;
    FrameChange change_;
    std::optional<DrawnTiles> drawn_;  // the tiles drawn on in either of the last two frames
    bool textGlyphsDrawn_ = true;
    // What PrepareAhead built (the screen's size and whether its pictures loaded),
    // until Init takes it over.
    struct Prepared {
        int width = 0;
        int height = 0;
        bool loaded = false;
    };
    std::optional<Prepared> prepared_;
    bool creditPending_ = false;  // the background still lacks its credit line
    std::function<const Surface*(const Surface&)> overlay_;
};

}  // namespace zolvex
