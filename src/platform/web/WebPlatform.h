// The platform in a web browser: the page's canvas as the window, the page's keys,
// focus from the page's visibility, WebAudio for sounds and the rendered tunes, and
// the player's folder kept in the browser's storage. The message loop sleeps between
// messages (the build is asynchronous), so the page stays responsive while the game
// waits.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace zolvex {

// Where the page's build puts the faces the game draws its texts in, in the program's
// folder (DejaVuSans.ttf, DejaVuSans-Bold.ttf, DejaVuSansMono.ttf, DejaVuSansMono-Bold.ttf).
constexpr const char* kPageFontFolder = "/zolvex/fonts";

struct WebOptions {
    // The folder of the game's pictures, sounds and tunes, reported as the program's folder.
    std::string programDirectory;
};

std::unique_ptr<Platform> CreateWebPlatform(const WebOptions& options);

// What the page hears of the run besides frames and sounds.
// The run has ended with `exitCode`; the page offers to play again.
void TellPageRunEnded(int exitCode);
// A replay checked without sound: `json` is the line zolvex-sim --verify prints.
void TellPageVerifyResult(const std::string& json);

}  // namespace zolvex
