// zolvex-assetgen: draws, synthesises and composes every picture, sound and tune of the game,
// and draws its desktop icons.
// Usage: zolvex-assetgen OUTPUT_DIR [--contact-sheet FILE.bmp]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "Lettering.h"
#include "Pictures.h"
#include "PngWriter.h"
#include "RgbaBmp.h"
#include "SoundEffects.h"
#include "Tunes.h"
#include "WavWriter.h"

namespace {

using namespace zolvex;

bool MakeFolder(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "zolvex-assetgen: cannot create folder %s: %s\n", dir.c_str(),
                     ec.message().c_str());
        return false;
    }
    return true;
}

int Run(const std::filesystem::path& out, const char* contactSheet) {
    if (!MakeFolder(out / "bmp") || !MakeFolder(out / "wav")) return 1;
    if (!Lettering::Init()) return 1;
    auto pictures = MakePictures();
    if (!pictures) return 1;
    bool ok = WriteBmp(out / "bmp/mback.bmp", pictures->background) &&
              WriteBmp(out / "bmp/title.bmp", pictures->title) &&
              WriteBmp(out / "bmp/block.bmp", pictures->blocks) &&
              WriteBmp(out / "bmp/frame.bmp", pictures->frame) &&
              WriteBmp(out / "bmp/fliper.bmp", pictures->flipper);
    for (int size : kIconSizes) {
        if (!ok) break;
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        auto icon = MakeIcon(size);
        ok = icon && MakeFolder(out / "icons" / name) &&
             WritePng(out / "icons" / name / "zolvex.png", *icon);
    }
    // The window's own icon, read by the game itself.
    if (ok) {
        auto icon = MakeIcon(kWindowIconSize);
        ok = icon && WriteRgbaBmp(out / "bmp/icon.bmp", *icon);
    }
    if (ok && contactSheet) {
        auto sheet = MakeContactSheet(*pictures);
        ok = sheet && WriteBmp(contactSheet, *sheet);
    }
    Lettering::Quit();

    ok = ok && WriteWav(out / "wav/drop.wav", MakeDropSound()) &&
         WriteWav(out / "wav/pan.wav", MakeClearSound()) &&
         WriteWav(out / "wav/pause.wav", MakePauseSound()) &&
         WriteWav(out / "wav/gover.wav", MakeGameOverSound());

    for (const Tune& tune : AllTunes()) {
        if (!ok) break;
        auto midi = tune.compose();
        if (!midi) {
            std::fprintf(stderr, "zolvex-assetgen: the score of %s does not parse\n",
                         tune.fileName);
            return 1;
        }
        ok = midi->Save(out / tune.fileName);
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* outDir = nullptr;
    const char* contactSheet = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
            contactSheet = argv[++i];
        } else if (!outDir && argv[i][0] != '-') {
            outDir = argv[i];
        } else {
            outDir = nullptr;
            break;
        }
    }
    if (!outDir) {
        std::fprintf(stderr, "usage: zolvex-assetgen OUTPUT_DIR [--contact-sheet FILE.bmp]\n");
        return 2;
    }
    return Run(outDir, contactSheet);
}
