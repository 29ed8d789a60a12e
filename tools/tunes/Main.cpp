// zolvex-tunes: renders one of the game's MIDI tunes into the files the game plays
// instead, looping seamlessly, with the synthesizer and sound font the game would
// synthesise it with: WAV (TUNE.wav, the desktop's: 16-bit PCM, which costs nothing to
// decode while it plays) and Ogg Vorbis (TUNE.ogg, the page's: what every browser
// decodes), one render written as each output asks by its extension.
// Usage: zolvex-tunes [--soundfont FILE] TUNE.mid OUTPUT.wav|OUTPUT.ogg...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "MidiSequence.h"
#include "TuneRenderer.h"
#include "VorbisWriter.h"
#include "WavWriter.h"
#include "formats/RenderedTune.h"
#include "platform/sdl/SoundFont.h"

namespace {

using namespace zolvex;

bool ReadFile(const std::string& path, std::vector<uint8_t>& data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes beside `path` and renames, so a build stopped halfway leaves no half file.
bool WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(data.size()));
        if (!out.flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    return !error;
}

// The sound font the game would choose, unless one is named.
std::optional<std::string> ChooseSoundFont(const char* named, std::string& looked) {
    if (named != nullptr) {
        looked = named;
        return ListedSoundFont(named);
    }
    const char* variable = std::getenv("SDL_SOUNDFONTS");
    const std::string listed = variable != nullptr ? variable : "";
    looked = listed.empty() ? "" : "SDL_SOUNDFONTS=" + listed;
    for (const std::string& folder : SystemSoundFontFolders()) {
        looked += (looked.empty() ? "" : ", ") + folder;
    }
    return FindSoundFont(SystemSoundFontFolders(), listed);
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int Render(const char* soundFontArgument, const std::string& midiPath,
           const std::vector<std::string>& outputs) {
    std::vector<uint8_t> midi;
    if (!ReadFile(midiPath, midi)) {
        std::fprintf(stderr, "zolvex-tunes: cannot read %s\n", midiPath.c_str());
        return 1;
    }
    std::string problem;
    std::optional<MidiSequence> sequence = ReadMidiSequence(midi, kTuneRate, problem);
    if (!sequence || sequence->lengthFrames == 0) {
        std::fprintf(stderr, "zolvex-tunes: cannot render %s: %s\n", midiPath.c_str(),
                     problem.empty() ? "the tune has no length" : problem.c_str());
        return 1;
    }
    std::string looked;
    std::optional<std::string> font = ChooseSoundFont(soundFontArgument, looked);
    if (!font) {
        std::fprintf(stderr,
                     "zolvex-tunes: no General MIDI sound font to render %s with (looked in "
                     "%s); install timgm6mb-soundfont or configure with "
                     "-DZOLVEX_SOUNDFONT=FILE\n",
                     midiPath.c_str(), looked.c_str());
        return 1;
    }

    std::optional<LoopingTune> tune = RenderLoopingTune(*sequence, *font, problem);
    if (!tune) {
        std::fprintf(stderr, "zolvex-tunes: cannot render %s: %s\n", midiPath.c_str(),
                     problem.c_str());
        return 1;
    }

    const std::string digest = MidiDigest(midi.data(), midi.size());
    const std::vector<std::pair<std::string, std::string>> comments = {
        {kLoopStartComment, std::to_string(tune->loopStart)},
        {kLoopLengthComment, std::to_string(tune->loopLength)},
        {kMidiDigestComment, digest}};
    for (const std::string& output : outputs) {
        std::vector<uint8_t> bytes;
        if (EndsWith(output, ".wav")) {
            // The sampler chunk holds the loop, where the mixer looks for it in a WAV file.
            WavEncoding encoding;
            encoding.loopStart = tune->loopStart;
            encoding.loopLength = tune->loopLength;
            encoding.comments = {{kMidiDigestComment, digest}};
            bytes = EncodeWav(tune->sound, encoding);
        } else {
            VorbisEncoding encoding;
            // The stream's serial number only has to be the same in every build.
            encoding.serial = static_cast<uint32_t>(std::strtoul(digest.c_str(), nullptr, 16));
            encoding.comments = comments;
            bytes = EncodeVorbis(tune->sound, encoding);
        }
        if (bytes.empty() || !WriteFile(output, bytes)) {
            std::fprintf(stderr, "zolvex-tunes: cannot write %s\n", output.c_str());
            return 1;
        }
        std::printf("zolvex-tunes: %s: %.2f s looped after %.2f s, %zu KiB, with %s\n",
                    output.c_str(), static_cast<double>(tune->loopLength) / kTuneRate,
                    static_cast<double>(tune->loopStart) / kTuneRate, bytes.size() >> 10,
                    font->c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const char* soundFont = nullptr;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--soundfont") == 0) {
        soundFont = argv[2];
        first = 3;
    }
    std::vector<std::string> outputs(argv + std::min(first + 1, argc), argv + argc);
    const bool known = std::all_of(outputs.begin(), outputs.end(), [](const std::string& path) {
        return EndsWith(path, ".wav") || EndsWith(path, ".ogg");
    });
    if (argc - first < 2 || !known) {
        std::fprintf(stderr,
                     "usage: zolvex-tunes [--soundfont FILE] TUNE.mid OUTPUT.wav|OUTPUT.ogg...\n");
        return 2;
    }
    return Render(soundFont, argv[first], outputs);
}
