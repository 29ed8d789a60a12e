// The Ogg Vorbis reader and the check that ties a rendered tune to its MIDI file, on
// streams made by the tune renderer's own encoder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VorbisWriter.h"
#include "formats/RenderedTune.h"
#include "formats/VorbisStream.h"

namespace zolvex {
namespace {

// A tenth of a second of a quiet stereo tone, with these comments.
std::vector<uint8_t> Stream(std::vector<std::pair<std::string, std::string>> comments) {
    std::vector<float> samples(4410 * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.1F * ((i / 40) % 2 ? 1 : -1);
    VorbisEncoding encoding;
    encoding.comments = std::move(comments);
    return EncodeVorbis(samples, encoding);
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

}  // namespace
}  // namespace zolvex
