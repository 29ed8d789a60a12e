#include "SoundEffects.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zolvex {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kRate = 44100;

Sound Silence(double seconds) {
    return Sound{kRate, std::vector<float>(static_cast<size_t>(seconds * kRate), 0.0f)};
}

// Fixed-seed noise, so every build writes the same bytes.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    float Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<float>(state_ % 20001) / 10000.0f - 1.0f;
    }

private:
    uint32_t state_;
};

// One-pole low-pass filter.
class LowPass {
public:
    explicit LowPass(double cutoffHz) : k_(1.0 - std::exp(-kTwoPi * cutoffHz / kRate)) {}
    float Step(float in) {
        y_ += k_ * (in - y_);
        return static_cast<float>(y_);
    }

private:
    double k_;
    double y_ = 0;
};

// Attack-then-exponential-decay envelope.
double Envelope(double t, double attack, double decay) {
    if (t < 0) return 0;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / decay);
}

// A bell-like tone: a sine with a little frequency modulation that dies away faster than the
// tone, adding brightness to the strike only.
void AddChime(Sound& s, double start, double freq, double decay, double gain) {
    double phase = 0;
    for (size_t i = static_cast<size_t>(start * kRate); i < s.samples.size(); ++i) {
        double t = static_cast<double>(i) / kRate - start;
        double env = Envelope(t, 0.002, decay);
        double index = 1.6 * std::exp(-t / 0.03);
        phase += kTwoPi * freq / kRate;
        double v = std::sin(phase + index * std::sin(phase * 3.5)) + 0.3 * std::sin(2 * phase);
        s.samples[i] += static_cast<float>(gain * env * v);
    }
}

}  // namespace

void Finish(Sound& sound, float peak, float fadeMs) {
    float max = 0;
    for (float v : sound.samples) max = std::max(max, std::fabs(v));
    if (max > 0)
        for (float& v : sound.samples) v *= peak / max;
    size_t fade =
        std::min(sound.samples.size() / 2, static_cast<size_t>(fadeMs / 1000 * sound.sampleRate));
    for (size_t i = 0; i < fade; ++i) {
        float g = static_cast<float>(i) / static_cast<float>(fade);
        sound.samples[i] *= g;
        sound.samples[sound.samples.size() - 1 - i] *= g;
    }
    if (!sound.samples.empty()) sound.samples.front() = sound.samples.back() = 0;
}

// Soft saturation: rounds off the loudest moments so that a short sound carries more
// loudness for its peak, which is what lets it stand out over the music without
// pushing the mix towards full scale.
void Saturate(Sound& sound, double drive) {
    const double norm = std::tanh(drive);
    for (float& v : sound.samples) v = static_cast<float>(std::tanh(drive * v) / norm);
}

Sound MakeDropSound() {
    Sound s = Silence(0.11);
    Noise noise(0xD20Bu);
    LowPass click(6500), clickFloor(1800);
    double phase = 0, wood = 0, woodHigh = 0;
    for (size_t i = 0; i < s.samples.size(); ++i) {
        double t = static_cast<double>(i) / kRate;
        double freq = 110 + 150 * std::exp(-t / 0.02);  // the body drops in pitch as it dies
        phase += kTwoPi * freq / kRate;
        double thump = std::sin(phase) * Envelope(t, 0.002, 0.06);
        // A block of wood struck: two bright, inharmonic partials.
        wood += kTwoPi * 740 / kRate;
        woodHigh += kTwoPi * 1910 / kRate;
        double knock = (std::sin(wood) + 0.6 * std::sin(woodHigh)) * Envelope(t, 0.001, 0.045);
        float n = noise.Next();
        double tick = (click.Step(n) - clickFloor.Step(n)) * Envelope(t, 0.002, 0.012);
        s.samples[i] = static_cast<float>(thump + 0.7 * knock + 1.5 * tick);
    }
    Finish(s, 1.0f, 0);
    Saturate(s, 3.0);
    Finish(s, 0.84f, 4);
    return s;
}

Sound MakeClearSound() {
    Sound s = Silence(0.28);
    // A rising major arpeggio, C6 G6 C7, each note ringing on under the next.
    AddChime(s, 0.000, 1046.5, 0.110, 0.55);
    AddChime(s, 0.040, 1568.0, 0.100, 0.50);
    AddChime(s, 0.080, 2093.0, 0.095, 0.45);
    Noise noise(0x9A17u);
    LowPass low(3000);
    for (size_t i = 0; i < s.samples.size(); ++i) {
        double t = static_cast<double>(i) / kRate;
        float n = noise.Next();
        float sparkle = n - low.Step(n);  // high-passed noise: a short shimmer on the strike
        s.samples[i] += static_cast<float>(0.12 * sparkle * Envelope(t, 0.002, 0.025));
    }
    Finish(s, 1.0f, 0);
    Saturate(s, 1.8);
    Finish(s, 0.84f, 20);
    return s;
}

Sound MakePauseSound() {
    Sound s = Silence(0.09);
    double phase = 0;
    for (size_t i = 0; i < s.samples.size(); ++i) {
        double t = static_cast<double>(i) / kRate;
        double freq = t < 0.04 ? 880.0 : 1318.5;
        phase += kTwoPi * freq / kRate;
        // A soft square: the first odd harmonics only, so nothing aliases.
        double v = std::sin(phase) + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5;
        double env = std::min(1.0, t / 0.004) * (t < 0.04 ? 1.0 : std::exp(-(t - 0.04) / 0.02));
        s.samples[i] = static_cast<float>(v * env);
    }
    Finish(s, 0.8f, 6);
    return s;
}

Sound MakeGameOverSound() {
    struct Note {
        double start, length, freq;
    };
    // G4, E flat 4, C4 and a long, sagging G3.
    const Note notes[] = {
        {0.00, 0.20, 392.0}, {0.19, 0.20, 311.1}, {0.38, 0.20, 261.6}, {0.57, 0.55, 196.0}};
    Sound s = Silence(1.15);
    for (const Note& n : notes) {
        double phase = 0;
        bool last = &n == &notes[3];
        for (size_t i = static_cast<size_t>(n.start * kRate); i < s.samples.size(); ++i) {
            double t = static_cast<double>(i) / kRate - n.start;
            if (t > n.length + 0.12) break;
            double release = t < n.length ? 1.0 : std::max(0.0, 1 - (t - n.length) / 0.12);
            double env = std::min(1.0, t / 0.008) * release *
                         (last ? std::exp(-t / 0.5) : std::exp(-t / 0.35));
            double freq = n.freq;
            if (last)
                freq *=
                    (1 - 0.05 * std::min(1.0, t / 0.5)) * (1 + 0.012 * std::sin(kTwoPi * 5.5 * t));
            phase += kTwoPi * freq / kRate;
            // Triangle-like tone: odd harmonics falling off with their square.
            double v = std::sin(phase) - std::sin(3 * phase) / 9 + std::sin(5 * phase) / 25 +
                       0.25 * std::sin(2 * phase);
            s.samples[i] += static_cast<float>(v * env);
        }
    }
    LowPass smooth(2500);
    for (float& v : s.samples) v = smooth.Step(v);
    Finish(s, 0.84f, 15);
    return s;
}

}  // namespace zolvex
