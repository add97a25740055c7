// Blocking playback of one PCM buffer on the default output device. This
// is the one place in the program that talks to the sound system.
#pragma once

#include <cstddef>
#include <cstdint>

// Plays the whole buffer and returns when the sound has ended: 0 when
// played, a negative error code when no device could be opened or
// configured (nothing is played then).
int audio_play(const std::uint8_t* pcm, std::size_t len, int sample_rate, int channels, int bits_per_sample);
