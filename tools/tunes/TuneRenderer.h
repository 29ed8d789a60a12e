// Plays a tune through the synthesizer the game's mixer uses for MIDI (FluidSynth),
// set up as the mixer sets it up, into a buffer instead of a sound device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MidiSequence.h"

namespace zolvex {

// The rate the game opens its sound device at.
constexpr int kTuneRate = 44100;

// Plays `passes` passes of `sequence` back to back (pass n starts at frame
// n * lengthFrames) on one synthesizer with the sound font `soundFont`, and returns the
// first `frames` frames of what it sounds, stereo, interleaved, in [-1, 1] as the
// mixer's 16-bit output clips it. Nothing, with `problem` set, when the sound font
// does not load.
std::optional<std::vector<float>> RenderTune(const MidiSequence& sequence,
                                             const std::string& soundFont, int passes,
                                             uint64_t frames, std::string& problem);

// A tune to be played from its start and then repeated from `loopStart` for
// `loopLength` frames, which end where `sound` does.
struct LoopingTune {
    std::vector<float> sound;  // stereo, interleaved
    uint64_t loopStart = 0;
    uint64_t loopLength = 0;
};

// How long the loop's end fades into what precedes its start (see RenderLoopingTune).
constexpr uint64_t kLoopFadeFrames = kTuneRate / 4;

// The tune played twice, back to back, from its start to the first pass's tail into
// the second pass: the loop is one pass long, from where the first pass's tail (the
// synthesizer's reverberation and last releases) has died away. So the first play has
// no tail before it and every repeat sounds the previous pass's tail. The chorus and
// reverberation modulate themselves freely, so no two passes sound alike to the
// sample; the loop's last kLoopFadeFrames therefore fade into the frames just before
// its start, and the jump back joins them where they join in the first play. Nothing,
// with `problem` set, when the sound font does not load or the tune still sounds ten
// seconds after its end.
std::optional<LoopingTune> RenderLoopingTune(const MidiSequence& sequence,
                                             const std::string& soundFont, std::string& problem);

}  // namespace zolvex
