// The tunes the build renders, FLAC for the desktop and Ogg Vorbis for the page, decoded
// with libFLAC and libvorbisfile as the mixers decode them: each belongs to the MIDI file
// beside it and loops without a click.
#include <FLAC/stream_decoder.h>
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Files.h"
#include "MidiSequence.h"
#include "TuneRenderer.h"
#include "formats/FlacStream.h"
#include "formats/RenderedTune.h"
#include "formats/VorbisStream.h"

namespace zolvex::test {
namespace {

const std::string kDir = ZOLVEX_ASSET_DIR;
const char* const kTunes[] = {"open", "game", "rank"};
const char* const kFormats[] = {".flac", ".ogg"};

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

FLAC__StreamDecoderWriteStatus TakeFlacFrame(const FLAC__StreamDecoder* /*decoder*/,
                                             const FLAC__Frame* frame,
                                             const FLAC__int32* const buffer[], void* data) {
    auto* out = static_cast<Decoded*>(data);
    out->channels = static_cast<int>(frame->header.channels);
    out->rate = static_cast<long>(frame->header.sample_rate);
    for (uint32_t i = 0; i < frame->header.blocksize; ++i) {
        for (int c = 0; c < out->channels; ++c) out->samples.push_back(buffer[c][i] / 32768.0F);
    }
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void NoteFlacError(const FLAC__StreamDecoder* /*decoder*/, FLAC__StreamDecoderErrorStatus status,
                   void* data) {
    ADD_FAILURE() << FLAC__StreamDecoderErrorStatusString[status];
    static_cast<Decoded*>(data)->samples.clear();
}

Decoded DecodeFlac(const std::string& path) {
    Decoded out;
    FLAC__StreamDecoder* decoder = FLAC__stream_decoder_new();
    if (decoder == nullptr) return out;
    FLAC__stream_decoder_set_md5_checking(decoder, true);
    if (FLAC__stream_decoder_init_file(decoder, path.c_str(), TakeFlacFrame, nullptr, NoteFlacError,
                                       &out) == FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        EXPECT_TRUE(FLAC__stream_decoder_process_until_end_of_stream(decoder));
        EXPECT_TRUE(FLAC__stream_decoder_finish(decoder)) << "the decoded sound fails its MD5";
    }
    FLAC__stream_decoder_delete(decoder);
    return out;
}

Decoded Decode(const std::string& path) {
    return path.ends_with(".flac") ? DecodeFlac(path) : DecodeVorbis(path);
}

uint64_t Comment(const std::vector<uint8_t>& tune, const char* key) {
    VorbisStreamInfo info;
    if (ReadFlacStream(tune.data(), tune.size(), info) != "") {
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
