#include "display/Display.h"

#include <cstdio>
#include <utility>

#include "display/Bitmap.h"
#include "display/Font.h"
#include "platform/Platform.h"

namespace zolvex {

namespace {

constexpr int kBackgroundWidth = 640;
constexpr int kBackgroundHeight = 480;
constexpr const char* kRestoringNotice = "Now Restoreing data, Wait...";

// The dimmed title keeps this share of the logo's colours and takes the rest from a blue a
// little darker than the background, so the logo shows like a watermark that any text
// written across it stands out from.
constexpr int kDimmedTitleKeeps = 25;  // percent
constexpr ColorRef kWatermarkBlue = 0x2E100E;

}  // namespace

const char* CreditLine() {
    return "(C) 2026 The zolvex Project";
}

Display::~Display() {
    Release();
}

void Display::UpdateViews() {
    primary = primarySurface.get();
    backBuffer = backBufferSurface.get();
    background = backgroundSurface.get();
    title = titleSurface.get();
    dimmedTitle = dimmedTitleSurface.get();
}

bool Display::Init(int /*flags*/, int width, int height, int bitsPerPixel) {
    if (bitsPerPixel != 16 || width <= 0 || height <= 0) {
        failure_ = "cannot set up a " + std::to_string(width) + " x " + std::to_string(height) +
                   " x " + std::to_string(bitsPerPixel) + " screen (expected 16 bits per pixel)";
        std::fprintf(stderr, "zolvex: %s\n", failure_.c_str());
        return false;
    }
    // The screen belongs to the window; without one there is nothing to show
    // frames on (the platform has already said why there is no window).
    if (!platform_.HasWindow()) {
        failure_ = "no window to show the game in";
        return false;
    }
    if (!prepared_ || prepared_->width != width || prepared_->height != height) {
        PrepareAhead(width, height);
        WriteCreditLine();
    }
    return std::exchange(prepared_, std::nullopt)->loaded;
}

void Display::PrepareAhead(int width, int height) {
    failure_.clear();
    primarySurface = std::make_unique<Surface>(width, height);
    backBufferSurface = std::make_unique<Surface>(width, height);
    pendingTexts.clear();
    flippedTexts.clear();
    UpdateViews();
    prepared_ = Prepared{width, height, LoadPictures(StartMode::Create, false)};
}

void Display::WriteCreditLine() {
    if (!creditPending_ || backgroundSurface == nullptr) return;
    creditPending_ = false;
    TextContext text(*this, *backgroundSurface);
    text.SetBkColor(0xFFFFFF);
    text.SetTextColor(0xFF0000);
    text.SelectFont(fonts_.Get(1, 1));
    text.TextOut(380, 450, CreditLine(), 33);
}

bool Display::LoadPictures(StartMode mode, bool writeCredit) {
    std::optional<Bitmap> back = LoadBitmapFile("bmp\\mback.bmp", &failure_);
    if (!back) return false;
    if (mode == StartMode::Create) {
        backgroundSurface = std::make_unique<Surface>(kBackgroundWidth, kBackgroundHeight);
        UpdateViews();
    }
    if (backgroundSurface == nullptr) return false;
    backgroundSurface->FillBlack();
    CopyBitmapToSurface(*back, 0, 0, *backgroundSurface, 0, 0, back->width, back->height);
    creditPending_ = true;
    if (writeCredit) WriteCreditLine();

    std::optional<Bitmap> logo = LoadBitmapFile("bmp\\title.bmp", &failure_);
    if (!logo) return false;
    if (mode == StartMode::Create) {
        titleSurface = std::make_unique<Surface>(logo->width, logo->height);
        UpdateViews();
    }
    if (titleSurface == nullptr) return false;
    CopyBitmapToSurface(*logo, 0, 0, *titleSurface, 0, 0, logo->width, logo->height);
    titleSurface->SetColorKeyBlack();

    if (mode == StartMode::Create) {
        dimmedTitleSurface = std::make_unique<Surface>(logo->width, logo->height);
        UpdateViews();
    }
    if (dimmedTitleSurface == nullptr) return false;
    dimmedTitleSurface->BltFast(0, 0, *titleSurface, nullptr, false);
    dimmedTitleSurface->FadeTowards(kWatermarkBlue, kDimmedTitleKeeps);
    dimmedTitleSurface->SetColorKeyBlack();
    return true;
}

bool Display::RestoreAll() {
    // Surfaces are never lost here, but the whole restore still runs so that the
    // player sees the same notice and the scene restarts the same way.
    if (backBufferSurface != nullptr) {
        backBufferSurface->FillBlack();
        TextContext text(*this, *backBufferSurface);
        text.SetBkColor(0x000000);
        text.SetTextColor(0xFFFFFF);
        text.TextOut(260, 220, kRestoringNotice, 28);
    }
    Flip();
    return LoadSharedSurfaces(StartMode::Restore);
}

namespace {

uint64_t NextFrameNumber() {
    static uint64_t next = 1;
    return next++;
}

}  // namespace

bool Display::Flip() {
    if (backBufferSurface == nullptr || primarySurface == nullptr) return false;
    const Surface* shown = overlay_ ? overlay_(*backBufferSurface) : nullptr;
    const Surface& frame = *backBufferSurface;
    uint64_t frameNumber = 0;
    if (shown != nullptr) {
        platform_.Present(shown->Pixels(), shown->Width(), shown->Height());
    } else {
        // Two frames restored from the same backdrop differ only where either was drawn
        // on since, so the platform need not compare the rest; that holds only while the
        // front surface is what the platform showed last.
        frameNumber = NextFrameNumber();
        // The change and the tiles drawn on are kept from frame to frame, so that
        // nothing is allocated anew on every fall tick.
        FrameChange& change = change_;
        change.frame = frameNumber;
        change.since = 0;
        change.within.clear();
        const uint64_t backdrop = frame.RestoredFrom();
        if (shownFrame_ != 0 && backdrop != 0 && backdrop == primarySurface->RestoredFrom()) {
            drawn_ = frame.DrawnSinceRestored();  // into the room the last frame's took
            drawn_->Add(primarySurface->DrawnSinceRestored());
            change.since = shownFrame_;
            drawn_->ForEachArea(
                [&change](const PixelRect& area) { change.within.push_back(area); });
        }
        platform_.PresentChange(frame.Pixels(), frame.Width(), frame.Height(), change);
    }
    shownFrame_ = frameNumber;
    if (!primarySurface->SwapPixels(*backBufferSurface)) return false;
    // The two lists trade places, each keeping its room for the next frame's texts.
    flippedTexts.swap(pendingTexts);
    pendingTexts.clear();
    ++flipCount;
    return true;
}

std::unique_ptr<Surface> Display::NewBackdrop() const {
    if (backBufferSurface == nullptr || backgroundSurface == nullptr ||
        backgroundSurface->Width() != backBufferSurface->Width() ||
        backgroundSurface->Height() != backBufferSurface->Height()) {
        return nullptr;
    }
    return std::make_unique<Surface>(backBufferSurface->Width(), backBufferSurface->Height());
}

void Display::NoteBackdropRedrawn(const Surface& backdrop, uint64_t before, const Rect& area) {
    for (Surface* surface : {primarySurface.get(), backBufferSurface.get()}) {
        if (surface != nullptr) surface->NoteSourceRedrawn(backdrop, before, area);
    }
}

void Display::Release() {
    backBufferSurface.reset();
    backgroundSurface.reset();
    titleSurface.reset();
    dimmedTitleSurface.reset();
    primarySurface.reset();
    pendingTexts.clear();
    prepared_.reset();
    creditPending_ = false;
    UpdateViews();
}

}  // namespace zolvex
