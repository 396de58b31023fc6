// A parameter's course through keys, written as the value of an animated
// parameter:
//   keys(TIME:VALUE[:MODE],...[,loop])
// TIME is seconds from the command that set the curve, or beats at the
// script's tempo with a trailing 'b' ("2b", "0.5b"); times are at least 0
// and increase strictly. MODE says how the value travels from its key to
// the next (any letter case): linear (the default), step (held until the
// next key), smooth (smoothstep), ramp (quadratic from rest), out
// (quadratic to rest). A last item "loop" repeats the keys with the period
// of the last key's time. Before the first key the curve holds the first
// value, after the last the last one.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class KeyEase { linear, step, smooth, ramp, out };

struct CurveKey {
    float time = 0.0f;  // seconds from the curve's start
    float value = 0.0f;
    KeyEase ease = KeyEase::linear;
};

// Why a key list cannot be read, and where: `offset` counts bytes from the
// start of the value text ("keys(" is at 0).
struct KeyListFault {
    std::string message;
    std::size_t offset = 0;
};

class KeyCurve {
public:
    // More keys than this are refused: a script this long is a mistake, and
    // the bound keeps a hostile script's memory in check.
    static constexpr std::size_t kMaxKeys = 4096;

    // Whether a value text is meant as a key list: it begins with "keys("
    // in any letter case.
    static bool isKeyList(std::string_view valueText);

    // Reads a whole value text. Beats are converted with the current tempo
    // (MusicTempo.h). Null, with `fault` set, when the text is not a sound
    // key list.
    static std::shared_ptr<const KeyCurve> parse(std::string_view valueText, KeyListFault& fault);

    // The value `seconds` after the curve's start.
    float valueAt(float seconds) const;

    const std::vector<CurveKey>& keys() const { return keys_; }
    bool loops() const { return loops_; }

private:
    std::vector<CurveKey> keys_;  // at least one, times increasing
    bool loops_ = false;
};
