// The format the player hands to the sound device.
#pragma once

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;

// Sample rates of files the player accepts; the resampler is sized by the
// ratio to the output rate.
inline constexpr int kMinInputRate = 1000;
inline constexpr int kMaxInputRate = 768000;
