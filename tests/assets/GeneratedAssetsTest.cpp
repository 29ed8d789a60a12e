// The files the build generates into the runtime folder, checked as the game will load them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "AssetReaders.h"
#include "Files.h"
#include "TempDirectory.h"

namespace zolvex::test {
namespace {

const std::string kDir = ZOLVEX_ASSET_DIR;

Bitmap LoadBmp(const std::string& name) {
    auto bmp = ReadBmp(kDir + "/bmp/" + name);
    EXPECT_TRUE(bmp.has_value()) << name << " is not a 24-bit BMP";
    return bmp.value_or(Bitmap{});
}

// Relative luminance of an sRGB pixel, 0 (black) to 1 (white).
double Luminance(const uint8_t* p) {
    auto lin = [](uint8_t c) {
        double v = c / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(p[0]) + 0.7152 * lin(p[1]) + 0.0722 * lin(p[2]);
}

double Contrast(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

TEST(GeneratedPictures, HaveTheSizesTheScreensDrawThemAt) {
    struct Expect {
        const char* name;
        int width, height;
    };
    for (Expect e : {Expect{"mback.bmp", 640, 480}, Expect{"block.bmp", 360, 80},
                     Expect{"frame.bmp", 640, 480}}) {
        Bitmap bmp = LoadBmp(e.name);
        EXPECT_EQ(bmp.width, e.width) << e.name;
        EXPECT_EQ(bmp.height, e.height) << e.name;
    }
    Bitmap title = LoadBmp("title.bmp");
    ASSERT_GT(title.height, 0);
    EXPECT_LE(title.width, 640 - 85);
    EXPECT_LE(title.height, 310 - 140) << "the logo must end above the level names";
    EXPECT_NEAR(static_cast<double>(title.width) / title.height, 235.0 / 50.0, 0.2)
        << "the logo is stretched to 235 x 50 on the play screen";
    Bitmap flipper = LoadBmp("fliper.bmp");
    EXPECT_EQ(flipper.width, 80);
    EXPECT_GT(flipper.height, 0);
    EXPECT_LE(flipper.height, 36);
}

// On a 5-6-5 display every colour whose channels truncate to zero is the transparent key. A keyed
// picture may use pure black for transparency, but nothing that merely darkens into it.
TEST(GeneratedPictures, KeyedPicturesHaveNoNearBlackThatWouldTurnTransparent) {
    for (const char* name : {"block.bmp", "title.bmp", "frame.bmp", "fliper.bmp"}) {
        Bitmap bmp = LoadBmp(name);
        int nearBlack = 0, opaque = 0;
        for (int y = 0; y < bmp.height; ++y)
            for (int x = 0; x < bmp.width; ++x) {
                nearBlack += bmp.KeyBlack(x, y) && !bmp.Black(x, y);
                opaque += !bmp.KeyBlack(x, y);
            }
        EXPECT_EQ(nearBlack, 0) << name;
        EXPECT_GT(opaque, bmp.width * bmp.height / 10) << name << " is almost empty";
    }
}

TEST(GeneratedPictures, TileStripIsTransparentOnlyAtTheEdgesAndRoundedCorners) {
    Bitmap strip = LoadBmp("block.bmp");
    ASSERT_EQ(strip.width, 360);
    int inside = 0;
    std::string first;
    for (int y = 0; y < strip.height; ++y)
        for (int x = 0; x < strip.width; ++x) {
            if (!strip.KeyBlack(x, y)) continue;
            // Distances from the tile's face, which may keep a one-pixel gap to its neighbours.
            int tx = x % 40, ty = y % 40;
            int fromSide = std::min(tx, 39 - tx) - 1, fromTop = std::min(ty, 39 - ty) - 1;
            if (fromSide < 0 || fromTop < 0) continue;
            // A corner rounded with a radius of up to 8 pixels leaves only these pixels bare.
            if (fromSide + fromTop < 5 && std::max(fromSide, fromTop) < 7) continue;
            if (inside++ == 0) first = std::to_string(x) + ", " + std::to_string(y);
        }
    EXPECT_EQ(inside, 0) << "transparent pixels inside the tiles, the first at " << first;
    for (int v = 1; v <= 9; ++v)
        for (int row : {0, 40})
            EXPECT_FALSE(strip.KeyBlack(40 * (v - 1) + 20, row + 1))
                << "tile " << v << " is cut at its top";
}

// Average colour of a tile's face: its middle ring, leaving out the digit in the centre.
std::array<double, 3> TileFace(const Bitmap& strip, int number, bool marked) {
    std::array<double, 3> sum{};
    int n = 0;
    for (int y = 3; y < 37; ++y)
        for (int x = 3; x < 37; ++x) {
            if (x > 8 && x < 31 && y > 5 && y < 34) continue;
            const uint8_t* p = strip.At(40 * (number - 1) + x, (marked ? 40 : 0) + y);
            for (int c = 0; c < 3; ++c) sum[c] += p[c];
            ++n;
        }
    for (double& s : sum) s /= n;
    return sum;
}

double Distance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

TEST(GeneratedPictures, EveryNumberHasItsOwnColourAndAnUnmistakableMarkedLook) {
    Bitmap strip = LoadBmp("block.bmp");
    ASSERT_EQ(strip.height, 80);
    for (int a = 1; a <= 9; ++a) {
        for (int b = a + 1; b <= 9; ++b)
            EXPECT_GT(Distance(TileFace(strip, a, false), TileFace(strip, b, false)), 40)
                << "tiles " << a << " and " << b << " look alike";
        EXPECT_GT(Distance(TileFace(strip, a, false), TileFace(strip, a, true)), 80)
            << "marked " << a << " looks like a normal one";
        // The marked face is lit: brighter than any normal tile.
        auto marked = TileFace(strip, a, true);
        for (int b = 1; b <= 9; ++b) {
            auto normal = TileFace(strip, b, false);
            EXPECT_GT(marked[0] + marked[1] + marked[2], normal[0] + normal[1] + normal[2])
                << a << " vs " << b;
        }
    }
}

TEST(GeneratedPictures, TileDigitsStandOutFromTheirFace) {
    Bitmap strip = LoadBmp("block.bmp");
    ASSERT_EQ(strip.height, 80);
    for (int v = 1; v <= 9; ++v)
        for (bool marked : {false, true}) {
            // The darkest and the lightest pixels of the tile's middle: digit against its outline.
            double lo = 1, hi = 0;
            for (int y = 8; y < 32; ++y)
                for (int x = 10; x < 30; ++x) {
                    double l = Luminance(strip.At(40 * (v - 1) + x, (marked ? 40 : 0) + y));
                    lo = std::min(lo, l);
                    hi = std::max(hi, l);
                }
            EXPECT_GT(Contrast(lo, hi), 7) << "tile " << v << (marked ? " marked" : "");
        }
}

TEST(GeneratedPictures, FrameLeavesTheTilesAWellAndTheCreditLineUncovered) {
    Bitmap frame = LoadBmp("frame.bmp");
    ASSERT_EQ(frame.width, 640);
    int bareInWell = 0, coveredCredit = 0, barePanel = 0;
    for (int y = 6; y < 446; ++y)
        for (int x = 30; x < 350; ++x) bareInWell += frame.KeyBlack(x, y);
    for (int y = 450; y < 470; ++y)
        for (int x = 380; x < 640; ++x) coveredCredit += !frame.KeyBlack(x, y);
    for (int y = 100; y < 282; ++y)
        for (int x = 380; x < 560; ++x) barePanel += frame.KeyBlack(x, y);
    EXPECT_EQ(bareInWell, 0) << "the well behind the board is drawn, not transparent";
    EXPECT_EQ(barePanel, 0) << "the panel stands behind the score and time";
    EXPECT_EQ(coveredCredit, 0) << "the credit line on the background must stay visible";
    // The panel is dark, so its white text reads.
    for (int y = 100; y < 282; y += 3)
        for (int x = 380; x < 560; x += 3)
            ASSERT_GT(Contrast(Luminance(frame.At(x, y)), 1.0), 7) << x << ", " << y;
}

// Text is drawn straight onto the background; these are the places and colours of the texts.
TEST(GeneratedPictures, BackgroundKeepsEveryTextReadable) {
    Bitmap bg = LoadBmp("mback.bmp");
    ASSERT_EQ(bg.width, 640);
    auto worst = [&](int x0, int y0, int x1, int y1, double textLuminance) {
        double w = 100;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                w = std::min(w, Contrast(Luminance(bg.At(x, y)), textLuminance));
        return w;
    };
    const double white = 1.0, black = 0.0, red = 0.2126;
    // Title screen: black instructions, white and red level names.
    EXPECT_GT(worst(100, 270, 560, 302, black), 3.0);
    EXPECT_GT(worst(185, 310, 380, 396, white), 4.5);
    EXPECT_GT(worst(185, 310, 380, 396, red), 2.5);
    // Ranking screen: white table, scores and name picker (the lines on the band included).
    EXPECT_GT(worst(50, 50, 600, 262, white), 4.5);
    EXPECT_GT(worst(50, 262, 600, 306, white), 3.0);
    EXPECT_GT(worst(50, 306, 600, 420, white), 4.5);
}

void ExpectCleanSound(const std::string& name, double maxSeconds) {
    auto wav = ReadWav(kDir + "/wav/" + name);
    ASSERT_TRUE(wav.has_value()) << name;
    EXPECT_EQ(wav->format, 1) << name;
    EXPECT_EQ(wav->channels, 1) << name;
    EXPECT_EQ(wav->bitsPerSample, 16) << name;
    EXPECT_TRUE(wav->sampleRate == 22050 || wav->sampleRate == 44100) << name;
    EXPECT_LT(wav->Seconds(), maxSeconds) << name;
    ASSERT_GT(wav->samples.size(), 100u);
    int peak = 0;
    double energy = 0;
    for (int16_t s : wav->samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
        energy += static_cast<double>(s) * s;
    }
    double rms = std::sqrt(energy / wav->samples.size());
    EXPECT_LT(peak, 32000) << name << " clips";
    EXPECT_GT(rms, 1000) << name << " is nearly silent";
    // No click: the first and last milliseconds rise from and fall to silence.
    EXPECT_EQ(wav->samples.front(), 0) << name;
    EXPECT_EQ(wav->samples.back(), 0) << name;
    size_t ms = static_cast<size_t>(wav->sampleRate / 1000);
    for (size_t i = 1; i < ms; ++i) {
        EXPECT_LT(std::abs(wav->samples[i] - wav->samples[i - 1]), 4000)
            << name << " starts with a jump";
        size_t j = wav->samples.size() - i;
        EXPECT_LT(std::abs(wav->samples[j] - wav->samples[j - 1]), 4000)
            << name << " ends with a jump";
    }
}

// The desktop icons: every size the icon theme asks for, each drawn for its size.
TEST(GeneratedIcons, AreRgbaPngsOnATransparentGroundWithReadableDigits) {
    for (int size : {16, 32, 48, 64, 128, 256, 512}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        auto icon = ReadPng(kDir + "/icons/" + name + "/zolvex.png");
        ASSERT_TRUE(icon.has_value()) << name << " is not an 8-bit RGBA PNG";
        ASSERT_EQ(icon->width, size);
        ASSERT_EQ(icon->height, size);
        for (int corner : {0, size - 1})
            EXPECT_LT(icon->At(corner, corner)[3], 32) << name << ": the corners are rounded off";
        int opaque = 0, partial = 0;
        double lo = 1, hi = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const uint8_t* p = icon->At(x, y);
                opaque += p[3] == 255;
                partial += p[3] > 0 && p[3] < 255;
                // The middle half holds the digits: white in a dark outline.
                if (p[3] < 255 || std::min(x, y) < size / 4 || std::max(x, y) >= size * 3 / 4)
                    continue;
                lo = std::min(lo, Luminance(p));
                hi = std::max(hi, Luminance(p));
            }
        EXPECT_GT(opaque, size * size * 6 / 10) << name << " does not fill its square";
        EXPECT_GT(partial, 0) << name << " has jagged edges";
        EXPECT_GT(Contrast(lo, hi), 7) << name << ": no digit stands out";
    }
}

TEST(GeneratedSounds, ArePcmMonoNotSilentUnclippedAndShortEnough) {
    ExpectCleanSound("drop.wav", 0.15);
    ExpectCleanSound("pan.wav", 0.3);
    ExpectCleanSound("pause.wav", 0.2);
    ExpectCleanSound("gover.wav", 1.5);
    auto over = ReadWav(kDir + "/wav/gover.wav");
    ASSERT_TRUE(over.has_value());
    EXPECT_GT(over->Seconds(), 0.7) << "the game-over phrase lasts about a second";
}

struct TuneFacts {
    uint32_t end = 0;
    std::set<int> channels;
    bool tempo = false;
    int notes = 0;
};

TuneFacts CheckTune(const std::string& name) {
    TuneFacts f;
    auto midi = ReadMidi(kDir + "/" + name);
    EXPECT_TRUE(midi.has_value()) << name << " does not parse";
    if (!midi) return f;
    EXPECT_EQ(midi->format, 1) << name;
    EXPECT_EQ(static_cast<size_t>(midi->declaredTracks), midi->tracks.size()) << name;
    EXPECT_GT(midi->ticksPerQuarter, 0) << name;
    uint32_t barTicks = 4 * static_cast<uint32_t>(midi->ticksPerQuarter);
    for (size_t t = 0; t < midi->tracks.size(); ++t) {
        const auto& events = midi->tracks[t];
        EXPECT_FALSE(events.empty()) << name;
        if (events.empty()) continue;
        const MidiEvent& last = events.back();
        EXPECT_TRUE(last.status == 0xFF && last.meta == 0x2F)
            << name << " track " << t << " has no end-of-track";
        if (t == 0) f.end = last.tick;
        EXPECT_EQ(last.tick, f.end) << name << ": every track ends at the same tick";
        std::map<std::pair<int, int>, int> sounding;
        for (const MidiEvent& e : events) {
            if (e.status == 0xFF) {
                if (e.meta == 0x51) f.tempo = true;
                if (e.meta == 0x58) {
                    EXPECT_EQ(e.data.at(0), 4) << name << " is in 4/4";
                }
                continue;
            }
            int kind = e.status & 0xF0, channel = e.status & 0x0F;
            if (kind == 0x90 && e.data[1] > 0) {
                ++sounding[{channel, e.data[0]}];
                f.channels.insert(channel);
                ++f.notes;
            } else if (kind == 0x80 || (kind == 0x90 && e.data[1] == 0)) {
                --sounding[{channel, e.data[0]}];
            }
        }
        for (const auto& [key, count] : sounding)
            EXPECT_EQ(count, 0) << name << ": note " << key.second << " on channel " << key.first
                                << " still sounds at the end";
    }
    EXPECT_EQ(f.end % barTicks, 0u) << name << " does not end on a bar line";
    EXPECT_TRUE(f.tempo) << name << " has no tempo";
    return f;
}

double TuneSeconds(const std::string& name) {
    auto midi = ReadMidi(kDir + "/" + name);
    if (!midi || midi->tracks.empty()) return 0;
    return MidiSeconds(*midi, midi->tracks[0].back().tick);
}

TEST(GeneratedMusic, TunesLoopCleanlyAtABarLineAndLastLongEnough) {
    for (const char* name : {"open.mid", "game.mid", "rank.mid"}) {
        TuneFacts f = CheckTune(name);
        EXPECT_GE(f.channels.size(), 3u) << name << ": melody, harmony and bass";
        EXPECT_GT(f.notes, 100) << name;
    }
    EXPECT_GE(TuneSeconds("open.mid"), 30.0);
    EXPECT_GE(TuneSeconds("game.mid"), 60.0);
    EXPECT_GE(TuneSeconds("rank.mid"), 20.0);
    EXPECT_TRUE(CheckTune("game.mid").channels.count(9)) << "the play tune has drums";
}

TEST(GeneratedAssets, AreTheSameFromRunToRun) {
    TempDirectory scratch;
    ASSERT_TRUE(scratch.Ready());
    const std::filesystem::path again = scratch.File("again");
    std::string command = std::string("\"") + ZOLVEX_ASSETGEN + "\" \"" + again.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* file :
         {"bmp/mback.bmp", "bmp/title.bmp", "bmp/block.bmp", "bmp/frame.bmp", "bmp/fliper.bmp",
          "wav/drop.wav", "wav/pan.wav", "wav/pause.wav", "wav/gover.wav", "open.mid", "game.mid",
          "rank.mid", "icons/16x16/zolvex.png", "icons/512x512/zolvex.png"}) {
        std::vector<uint8_t> built = ReadFileBytes(kDir + "/" + file);
        EXPECT_FALSE(built.empty()) << file;
        EXPECT_TRUE(built == ReadFileBytes(again / file)) << file << " differs between runs";
    }
}

TEST(GeneratedAssets, WithoutItsFontsTheGeneratorFailsNamingTheFamily) {
    TempDirectory scratch;
    ASSERT_TRUE(scratch.Ready());
    const std::filesystem::path& dir = scratch.Path();
    ASSERT_TRUE(
        WriteWholeFile(dir / "fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n"));
    std::string command = "FONTCONFIG_FILE=\"" + (dir / "fonts.conf").string() + "\" \"" +
                          ZOLVEX_ASSETGEN + "\" \"" + (dir / "out").string() + "\" 2>\"" +
                          (dir / "errors").string() + "\"";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::vector<uint8_t> errors = ReadFileBytes(dir / "errors");
    EXPECT_NE(std::string(errors.begin(), errors.end()).find("DejaVu Sans"), std::string::npos);
}

}  // namespace
}  // namespace zolvex::test
