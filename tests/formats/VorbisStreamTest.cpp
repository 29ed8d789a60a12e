// The Ogg Vorbis and WAV tune readers and the check that ties a rendered tune to its MIDI
// file, on streams made by the tune renderer's own encoders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VorbisWriter.h"
#include "WavWriter.h"
#include "formats/RenderedTune.h"
#include "formats/VorbisStream.h"
#include "formats/WavTune.h"

namespace zolvex {
namespace {

using Comments = std::vector<std::pair<std::string, std::string>>;

// A tenth of a second of a quiet stereo tone.
std::vector<float> Tone() {
    std::vector<float> samples(4410 * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.1F * ((i / 40) % 2 ? 1 : -1);
    return samples;
}

// The tone as Ogg Vorbis, or as a WAV tune with this loop, with these comments.
std::vector<uint8_t> Stream(Comments comments) {
    VorbisEncoding encoding;
    encoding.comments = std::move(comments);
    return EncodeVorbis(Tone(), encoding);
}
std::vector<uint8_t> Wav(uint64_t loopStart, uint64_t loopLength, Comments comments) {
    WavEncoding encoding;
    encoding.loopStart = loopStart;
    encoding.loopLength = loopLength;
    encoding.comments = std::move(comments);
    return EncodeWav(Tone(), encoding);
}

std::string Problem(const std::vector<uint8_t>& bytes) {
    VorbisStreamInfo info;
    return ReadVorbisStream(bytes.data(), bytes.size(), info);
}

TEST(VorbisStreamTest, AWholeStreamGivesItsFormatLengthAndCommentsInOrder) {
    const std::vector<uint8_t> ogg = Stream({{"LOOPSTART", "10"}, {"title", "a=b"}, {"flag", ""}});
    VorbisStreamInfo info;
    ASSERT_EQ(ReadVorbisStream(ogg.data(), ogg.size(), info), "");
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sampleRate, 44100u);
    EXPECT_EQ(info.frames, 4410u);
    ASSERT_EQ(info.comments.size(), 3u);
    EXPECT_EQ(info.comments[1], (std::pair<std::string, std::string>("title", "a=b")));
    EXPECT_EQ(VorbisComment(info, "loopstart"), "10");
    EXPECT_EQ(VorbisComment(info, "TITLE"), "a=b");
    EXPECT_EQ(VorbisComment(info, "FLAG"), "");
    EXPECT_EQ(VorbisComment(info, "LOOP"), std::nullopt);
}

TEST(VorbisStreamTest, DamagedCutShortForeignOrOversizedFilesAreRefused) {
    const std::vector<uint8_t> ogg = Stream({{"LOOPSTART", "10"}});
    ASSERT_EQ(Problem(ogg), "");
    for (size_t cut = 0; cut < ogg.size(); cut += 61) {
        EXPECT_NE(Problem(std::vector<uint8_t>(ogg.begin(), ogg.begin() + cut)), "") << cut;
    }
    for (size_t at : {size_t{5}, size_t{40}, ogg.size() / 2, ogg.size() - 1}) {
        std::vector<uint8_t> damaged = ogg;
        damaged[at] ^= 0x20;
        EXPECT_NE(Problem(damaged), "") << at;
    }
    std::vector<uint8_t> twoStreams = ogg;
    twoStreams.insert(twoStreams.end(), ogg.begin(), ogg.end());
    EXPECT_EQ(Problem(twoStreams), "data after the end of the stream");
    const std::vector<uint8_t> midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    EXPECT_EQ(Problem(midi), "not an Ogg file");
    std::vector<uint8_t> huge = ogg;
    huge.resize(kMaxVorbisFileBytes + 1);
    EXPECT_NE(Problem(huge).find("too large"), std::string::npos);
    const std::vector<uint8_t> bigComment =
        Stream({{"PICTURE", std::string(kMaxVorbisCommentBytes, 'x')}});
    EXPECT_NE(Problem(bigComment).find("comment header too large"), std::string::npos);
}

TEST(RenderedTuneTest, ATuneIsPlayedOnlyForTheMidiFileItNamesAndWithAWholeLoop) {
    const std::vector<uint8_t> midi = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    // The CRC-32 check value of "123456789".
    ASSERT_EQ(MidiDigest(midi.data(), midi.size()), "cbf43926:9");
    auto problem = [&](const std::vector<std::pair<std::string, std::string>>& comments,
                       const std::vector<uint8_t>& tune) {
        const std::vector<uint8_t> ogg = Stream(comments);
        return RenderedTuneProblem(ogg.data(), ogg.size(), tune.data(), tune.size());
    };
    const std::pair<std::string, std::string> digest = {"ZOLVEX_MIDI", "cbf43926:9"};
    EXPECT_EQ(problem({{"LOOPSTART", "410"}, {"LOOPLENGTH", "4000"}, digest}, midi), "");
    const std::vector<uint8_t> foreign = {'1', '2', '3', '4', '5', '6', '7', '8', '0'};
    EXPECT_EQ(problem({{"LOOPSTART", "410"}, {"LOOPLENGTH", "4000"}, digest}, foreign),
              "it was rendered from another MIDI file");
    EXPECT_NE(problem({{"LOOPSTART", "410"}, {"LOOPLENGTH", "4000"}}, midi), "");
    for (const auto& [start, length] : std::vector<std::pair<std::string, std::string>>{
             {"410", "3999"}, {"0", "0"}, {"5000", "1"}, {"410", "4000 "}, {"-1", "4411"}}) {
        EXPECT_NE(problem({{"LOOPSTART", start}, {"LOOPLENGTH", length}, digest}, midi), "")
            << start << " " << length;
    }
}

TEST(WavTuneTest, TheHeadGivesFormatLengthLoopAndCommentsAndDamagedHeadsAreRefused) {
    const std::vector<uint8_t> wav = Wav(410, 4000, {{"ZOLVEX_MIDI", "cbf43926:9"}});
    VorbisStreamInfo info;
    ASSERT_EQ(ReadWavTune(wav.data(), wav.size(), 0, info), "");
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sampleRate, 44100u);
    EXPECT_EQ(info.frames, 4410u);
    EXPECT_EQ(VorbisComment(info, "loopstart"), "410");
    EXPECT_EQ(VorbisComment(info, "LOOPLENGTH"), "4000");
    const std::vector<uint8_t> midi = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(RenderedTuneProblem(wav.data(), wav.size(), midi.data(), midi.size()), "");
    const std::vector<uint8_t> foreign = {'1', '2', '3', '4', '5', '6', '7', '8', '0'};
    EXPECT_EQ(RenderedTuneProblem(wav.data(), wav.size(), foreign.data(), foreign.size()),
              "it was rendered from another MIDI file");
    const std::vector<uint8_t> early = Wav(0, 4000, {{"ZOLVEX_MIDI", "cbf43926:9"}});
    EXPECT_NE(RenderedTuneProblem(early.data(), early.size(), midi.data(), midi.size())
                  .find("does not end where"),
              std::string::npos);

    // Read from a file, only the head is taken; it passes for the file's size alone.
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(wav.data(), 1, wav.size(), file), wav.size());
    std::rewind(file);
    const std::vector<uint8_t> head = ReadWavTuneHead(file);
    std::fclose(file);
    const size_t audio = wav.size() - 4410 * 4;
    EXPECT_EQ(head.size(), audio);
    ASSERT_EQ(ReadWavTune(head.data(), head.size(), wav.size(), info), "");
    EXPECT_EQ(VorbisComment(info, "ZOLVEX_MIDI"), "cbf43926:9");
    EXPECT_EQ(ReadWavTune(head.data(), head.size(), wav.size() - 1, info),
              "the sound data is cut short");
    // Cut anywhere in the head: refused, never read past the end.
    for (size_t cut = 0; cut < audio; ++cut) {
        const std::vector<uint8_t> part(wav.begin(), wav.begin() + static_cast<ptrdiff_t>(cut));
        EXPECT_NE(ReadWavTune(part.data(), part.size(), 0, info), "") << cut;
    }

    std::vector<uint8_t> damaged = wav;
    damaged[16] = 0xFF;  // a format chunk longer than the file
    EXPECT_NE(ReadWavTune(damaged.data(), damaged.size(), 0, info), "");
    damaged = wav;
    damaged[34] = 8;  // 8-bit sound
    EXPECT_EQ(ReadWavTune(damaged.data(), damaged.size(), 0, info), "expected 16-bit PCM");
    EXPECT_NE(ReadWavTune(wav.data(), wav.size(), kMaxWavTuneBytes + 1, info).find("too large"),
              std::string::npos);
    const std::vector<uint8_t> ogg = Stream({});
    EXPECT_NE(ReadWavTune(ogg.data(), ogg.size(), 0, info).find("not a WAV file"),
              std::string::npos);
}

}  // namespace
}  // namespace zolvex
