// Times in the script, converted to seconds of music time (float):
//   plain      "90", "1:30", "1:02:03"   decimal, each colon adds a base-60 place
//   position   "midi(M:B:T[,S])"         measure M, beat B (1-based, 4 per
//                                        measure), tick T (240 per beat), plus S
//                                        seconds, shifted by musicStartTime
//   length     "midilength(M:B:T[,S])"   4*M + B + T/240 beats, plus S seconds
// Musical times use the current tempo (MusicTempo.h) at the moment they are
// converted. Faults are reported with logError and count as 0 seconds; a
// tempo that is not a finite number above 0 is such a fault for every
// musical time converted with it.
#pragma once

#include <string_view>

// Colon notation: the leading decimal number, then for every colon in the
// text v = v * 60 + the decimal number that follows it (nothing gives 0).
float plainTimeSeconds(std::string_view text);

// The text inside the brackets of midi( ): "M:B:T" with an optional ",S",
// relative to the grid's start (musicStartTime is not added).
float midiTimeSeconds(std::string_view text);

// A whole "midi(...)" value text (prefix case is the caller's concern):
// musicStartTime plus the midi time between the first '(' and the last ')';
// text after the last ')' is ignored. A missing bracket is reported
// ("Malformed midi time") and gives 0.
float midiPositionSeconds(std::string_view valueText);

// A whole "midilength(...)" value text: the midi time between the brackets
// plus the midi time of "2:2:0" (five beats), so the length is counted from
// measure 0, beat 0. Same bracket rule and error as midiPositionSeconds.
float midiLengthSeconds(std::string_view valueText);
