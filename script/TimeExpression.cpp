#include "script/TimeExpression.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "script/MusicTempo.h"

namespace {

// One tick as a fraction of a beat (1/240), as a float so the arithmetic
// below stays in single precision.
constexpr float kTickFactor = 0.004166667f;

// The midi time of "2:2:0": five beats, which turns a position formula into
// a length counted from measure 0, beat 0.
constexpr std::string_view kLengthOffset = "2:2:0";

// The text between the first '(' and the last ')'; false, after reporting,
// when either bracket is missing.
bool bracketContents(std::string_view valueText, std::string_view& inner) {
    const std::size_t open = valueText.find('(');
    const std::size_t close = valueText.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        logError("Malformed midi time\n");
        return false;
    }
    inner = valueText.substr(open + 1, close - open - 1);
    return true;
}

}  // namespace

float plainTimeSeconds(std::string_view text) {
    float value = narrowToFloat(readDecimalPrefix(text));
    for (std::size_t colon = text.find(':'); colon != std::string_view::npos;
         colon = text.find(':', colon + 1)) {
        const double place = readDecimalPrefix(text.substr(colon + 1));
        value = narrowToFloat(static_cast<double>(value * 60.0f) + place);
    }
    return value;
}

float midiTimeSeconds(std::string_view text) {
    const int measure = readIntegerPrefix(text);
    if (measure < 0) {
        logError("Miditime - measure must be 0 or more, got %i\n", measure);
        return 0.0f;
    }
    const std::size_t beatColon = text.find(':');
    if (beatColon == std::string_view::npos) {
        logError("Miditime - expected colon after measures");
        return 0.0f;
    }
    const int beat = readIntegerPrefix(text.substr(beatColon + 1));
    if (beat < 0 || beat > 4) {
        logError("Miditime - beat must be between 1 and 4, got %i\n", beat);
        return 0.0f;
    }
    const std::size_t tickColon = text.find(':', beatColon + 1);
    if (tickColon == std::string_view::npos) {
        logError("Miditime - expected colon after beats");
        return 0.0f;
    }
    const std::string_view tickText = text.substr(tickColon + 1);
    const float tick = narrowToFloat(readDecimalPrefix(tickText));
    if (tick < 0.0f || tick > 240.0f) {
        logError("Miditime - tick must be between 0 and 240, got %f\n", static_cast<double>(tick));
        return 0.0f;
    }
    float extraSeconds = 0.0f;
    const std::size_t comma = tickText.find(',');
    if (comma != std::string_view::npos) {
        extraSeconds = narrowToFloat(readDecimalPrefix(tickText.substr(comma + 1)));
    }
    const float bpm = currentTempo().musicBpm;
    if (!currentTempo().usableBpm()) {
        logError("Miditime - tempo must be above 0 beats per minute, got %f\n",
                 static_cast<double>(bpm));
        return 0.0f;
    }
    // Whole beats in 64 bits: a saturated measure must not overflow.
    const long long wholeBeats = (static_cast<long long>(measure) - 1) * 4 + (beat - 1);
    const float beats = static_cast<float>(wholeBeats) + tick * kTickFactor;
    return extraSeconds + beats / bpm * 60.0f;
}

float midiPositionSeconds(std::string_view valueText) {
    std::string_view inner;
    if (!bracketContents(valueText, inner)) return 0.0f;
    return currentTempo().musicStartTime + midiTimeSeconds(inner);
}

float midiLengthSeconds(std::string_view valueText) {
    std::string_view inner;
    if (!bracketContents(valueText, inner)) return 0.0f;
    const float length = midiTimeSeconds(inner);
    // The inner time has reported an unusable tempo; the offset would only
    // report it a second time for the same value.
    if (!currentTempo().usableBpm()) return 0.0f;
    return length + midiTimeSeconds(kLengthOffset);
}
