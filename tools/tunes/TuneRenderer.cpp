#include "TuneRenderer.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace zolvex {

namespace {

// How long the synthesizer may go on sounding after a tune's end; a longer tail is
// a note that never ends.
constexpr uint64_t kMaxTailFrames = uint64_t{10} * kTuneRate;
// Below this a sample is silent, even at 16 bits.
constexpr float kSilence = 1.0F / 32768;

// The mixer sets the synthesizer's gain to 1.2 at full music volume, which the
// game never lowers.
constexpr float kMixerGain = 1.2F;

void Send(fluid_synth_t* synth, const MidiMessage& m) {
    const int channel = m.status & 0x0F;
    switch (m.status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(synth, channel, m.data1);
            break;
        case 0x90:
            // A velocity of 0 is a note-off; the synthesizer treats it so.
            fluid_synth_noteon(synth, channel, m.data1, m.data2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth, channel, m.data1, m.data2);
            break;
        case 0xB0:
            fluid_synth_cc(synth, channel, m.data1, m.data2);
            break;
        case 0xC0:
            fluid_synth_program_change(synth, channel, m.data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth, channel, m.data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth, channel, m.data1 | (m.data2 << 7));
            break;
        default:
            break;
    }
}

}  // namespace

std::optional<std::vector<float>> RenderTune(const MidiSequence& sequence,
                                             const std::string& soundFont, int passes,
                                             uint64_t frames, std::string& problem) {
    std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)> settings(
        new_fluid_settings(), delete_fluid_settings);
    if (!settings) {
        problem = "cannot set up the synthesizer";
        return std::nullopt;
    }
    fluid_settings_setnum(settings.get(), "synth.sample-rate", kTuneRate);
    std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)> synth(
        new_fluid_synth(settings.get()), delete_fluid_synth);
    if (!synth) {
        problem = "cannot set up the synthesizer";
        return std::nullopt;
    }
    if (fluid_synth_sfload(synth.get(), soundFont.c_str(), 1) == FLUID_FAILED) {
        problem = "cannot load the sound font " + soundFont;
        return std::nullopt;
    }
    fluid_synth_set_gain(synth.get(), kMixerGain);

    std::vector<float> out(frames * 2);
    uint64_t done = 0;
    // Sounds frames up to `until`. The synthesizer works in blocks of 64 frames, so a
    // message sent between two calls takes effect at the next block boundary, as it
    // does when the mixer plays the tune.
    auto soundUntil = [&](uint64_t until) {
        until = std::min(until, frames);
        while (done < until) {
            const int count = static_cast<int>(std::min<uint64_t>(until - done, 4096));
            float* at = out.data() + done * 2;
            fluid_synth_write_float(synth.get(), count, at, 0, 2, at, 1, 2);
            done += static_cast<uint64_t>(count);
        }
    };
    for (int pass = 0; pass < passes; ++pass) {
        const uint64_t offset = static_cast<uint64_t>(pass) * sequence.lengthFrames;
        for (const MidiMessage& m : sequence.messages) {
            // What falls after the last frame wanted is never heard.
            if (offset + m.frame >= frames) break;
            soundUntil(offset + m.frame);
            Send(synth.get(), m);
        }
    }
    soundUntil(frames);
    for (float& sample : out) sample = std::clamp(sample, -1.0F, 1.0F);
    return out;
}

std::optional<LoopingTune> RenderLoopingTune(const MidiSequence& sequence,
                                             const std::string& soundFont, std::string& problem) {
    const uint64_t length = sequence.lengthFrames;
    std::optional<std::vector<float>> once =
        RenderTune(sequence, soundFont, 1, length + kMaxTailFrames, problem);
    if (!once) return std::nullopt;
    uint64_t tail = 0;
    for (uint64_t i = length * 2; i < once->size(); ++i) {
        if (std::fabs((*once)[i]) >= kSilence) tail = i / 2 + 1 - length;
    }
    if (tail >= std::min(length, kMaxTailFrames)) {
        problem = "it still sounds " + std::to_string(tail / kTuneRate) +
                  " s after its end (a note that never ends?)";
        return std::nullopt;
    }

    LoopingTune tune;
    tune.loopStart = tail;
    tune.loopLength = length;
    std::optional<std::vector<float>> twice =
        RenderTune(sequence, soundFont, 2, tail + length, problem);
    if (!twice) return std::nullopt;
    tune.sound = std::move(*twice);
    const uint64_t fade = std::min(kLoopFadeFrames, tail);
    const uint64_t fadeStart = tail + length - fade;
    for (uint64_t k = 0; k < fade; ++k) {
        // A raised cosine that reaches 1 on the loop's last frame: the two are the same
        // notes, so their sum keeps the level.
        const double weight = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(k + 1) /
                                                   static_cast<double>(fade));
        for (uint64_t c = 0; c < 2; ++c) {
            float& end = tune.sound[(fadeStart + k) * 2 + c];
            const float beforeStart = tune.sound[(tail - fade + k) * 2 + c];
            end = static_cast<float>((1 - weight) * end + weight * beforeStart);
        }
    }
    return tune;
}

}  // namespace zolvex
