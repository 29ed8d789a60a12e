// The tunes the build renders, WAV for the desktop and Ogg Vorbis for the page, read as
// the mixers read them (libvorbisfile decodes the page's): each belongs to the MIDI file
// beside it and loops without a click.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Files.h"
#include "MidiSequence.h"
#include "TuneRenderer.h"
#include "formats/RenderedTune.h"
#include "formats/VorbisStream.h"
#include "formats/WavTune.h"

namespace zolvex::test {
namespace {

const std::string kDir = ZOLVEX_ASSET_DIR;
const char* const kTunes[] = {"open", "game", "rank"};
const char* const kFormats[] = {".wav", ".ogg"};

struct Decoded {
    int channels = 0;
    long rate = 0;
    std::vector<float> samples;  // interleaved
    float At(uint64_t frame, int channel) const {
        return samples[frame * static_cast<uint64_t>(channels) + static_cast<uint64_t>(channel)];
    }
};

Decoded DecodeVorbis(const std::string& path) {
    Decoded out;
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) return out;
    out.channels = ov_info(&file, -1)->channels;
    out.rate = ov_info(&file, -1)->rate;
    float** pcm = nullptr;
    int section = 0;
    for (long n; (n = ov_read_float(&file, &pcm, 4096, &section)) > 0;) {
        for (long i = 0; i < n; ++i) {
            for (int c = 0; c < out.channels; ++c) out.samples.push_back(pcm[c][i]);
        }
    }
    ov_clear(&file);
    return out;
}

// The sound of a WAV tune, 16-bit PCM after its data chunk's header, as the mixer reads it.
Decoded DecodeWav(const std::string& path) {
    Decoded out;
    const std::vector<uint8_t> file = ReadFileBytes(path);
    VorbisStreamInfo info;
    const std::string problem = ReadWavTune(file.data(), file.size(), 0, info);
    EXPECT_EQ(problem, "");
    if (!problem.empty()) return out;
    out.channels = info.channels;
    out.rate = info.sampleRate;
    size_t at = 12;
    while (std::string(file.begin() + at, file.begin() + at + 4) != "data") {
        const uint32_t length = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 |
                                static_cast<uint32_t>(file[at + 7]) << 24;
        at += 8 + length + (length & 1U);
    }
    for (uint64_t i = 0; i < info.frames * static_cast<uint64_t>(info.channels); ++i) {
        const uint8_t* p = file.data() + at + 8 + 2 * i;
        out.samples.push_back(static_cast<int16_t>(p[0] | p[1] << 8) / 32768.0F);
    }
    return out;
}

Decoded Decode(const std::string& path) {
    return path.ends_with(".wav") ? DecodeWav(path) : DecodeVorbis(path);
}

uint64_t Comment(const std::vector<uint8_t>& tune, const char* key) {
    VorbisStreamInfo info;
    if (ReadWavTune(tune.data(), tune.size(), 0, info) != "") {
        ReadVorbisStream(tune.data(), tune.size(), info);
    }
    return std::stoull(VorbisComment(info, key).value_or("0"));
}

TEST(RenderedTunes, EachIsTheRenderingOfTheMidiFileBesideItLoopingOnePass) {
    for (const char* tune : kTunes) {
        for (const char* format : kFormats) {
            SCOPED_TRACE(std::string(tune) + format);
            const std::vector<uint8_t> midi = ReadFileBytes(kDir + "/" + tune + ".mid");
            const std::vector<uint8_t> sound = ReadFileBytes(kDir + "/" + tune + format);
            ASSERT_EQ(RenderedTuneProblem(sound.data(), sound.size(), midi.data(), midi.size()),
                      "");
            std::string problem;
            const auto sequence = ReadMidiSequence(midi, kTuneRate, problem);
            ASSERT_TRUE(sequence) << problem;
            EXPECT_EQ(Comment(sound, kLoopLengthComment), sequence->lengthFrames);
        }
    }
}

// Playing on from the loop's last frame to LOOPSTART must sound like playing on in the
// tune: the frames before the loop's end are those before its start, and the jump
// between them is no larger than the tune's own jumps in the 50 ms either side.
TEST(RenderedTunes, EachLoopRepeatsWithoutAClick) {
    for (const char* tune : kTunes) {
        for (const char* format : kFormats) {
            SCOPED_TRACE(std::string(tune) + format);
            const std::string path = kDir + "/" + tune + format;
            const std::vector<uint8_t> file = ReadFileBytes(path);
            const uint64_t start = Comment(file, kLoopStartComment);
            const uint64_t length = Comment(file, kLoopLengthComment);
            const Decoded sound = Decode(path);
            ASSERT_EQ(sound.channels, 2);
            ASSERT_EQ(sound.rate, kTuneRate);
            ASSERT_EQ(sound.samples.size(), (start + length) * 2);
            const uint64_t end = start + length;
            const uint64_t window = sound.rate / 20;
            ASSERT_GE(start, window);
            double level = 0;
            for (uint64_t i = start * 2; i < end * 2; ++i)
                level += sound.samples[i] * sound.samples[i];
            EXPECT_GT(std::sqrt(level / static_cast<double>(length * 2)), 0.01) << "a silent loop";
            for (int c = 0; c < 2; ++c) {
                float ownJump = 0;
                float mismatch = 0;
                for (uint64_t k = 1; k < window; ++k) {
                    ownJump = std::max(
                        {ownJump, std::fabs(sound.At(end - k, c) - sound.At(end - k - 1, c)),
                         std::fabs(sound.At(start + k, c) - sound.At(start + k - 1, c))});
                    if (k <= 44) {
                        mismatch = std::max(
                            mismatch, std::fabs(sound.At(end - k, c) - sound.At(start - k, c)));
                    }
                }
                const float seamJump = std::fabs(sound.At(start, c) - sound.At(end - 1, c));
                EXPECT_LE(seamJump, ownJump) << "channel " << c;
                EXPECT_LT(mismatch, 0.05F) << "channel " << c;
            }
        }
    }
}

}  // namespace
}  // namespace zolvex::test
