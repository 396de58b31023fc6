// The format the player hands to the sound device.
#pragma once

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;
