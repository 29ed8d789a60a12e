// The game's sound effects, synthesised from oscillators, envelopes and filtered noise. Each
// starts and ends at silence, so none clicks.
#pragma once

#include "WavWriter.h"

namespace zolvex {

Sound MakeDropSound();      // wav/drop.wav: a bright wooden knock as a block lands, about 0.1 s
Sound MakeClearSound();     // wav/pan.wav: a bright rising chime for marked cells, under 0.3 s
Sound MakePauseSound();     // wav/pause.wav: a short two-step blip
Sound MakeGameOverSound();  // wav/gover.wav: a falling phrase of about a second

// Scales the sound to the given peak and fades its first and last `fadeMs` milliseconds, so it
// starts and ends exactly at zero.
void Finish(Sound& sound, float peak, float fadeMs);

}  // namespace zolvex
