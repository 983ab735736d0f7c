#pragma once

#include <cstdint>
#include <vector>

// The game's sounds, synthesised from oscillators and fixed-seed noise. Each function
// returns mono 16-bit samples at kSampleRate, normalised to a peak just under full scale.
namespace assetgen {

constexpr int kSampleRate = 22050;

// 32 s in A minor at 120 beats a minute: lead, bass, arpeggio and drums. Notes ringing past
// the end wrap round to the start, so the piece loops without a seam.
std::vector<std::int16_t> makeMusic();

// About 0.95 s: a low thump under a falling rumble of filtered noise and crackle.
std::vector<std::int16_t> makeExplosion();

// About 0.24 s: a zap whose pitch falls fast.
std::vector<std::int16_t> makeLaser();

} // namespace assetgen
