#include "script/KeyCurve.h"
#include "base/FloatChars.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/CaseInsensitive.h"
#include "script/MusicTempo.h"

namespace {

constexpr std::string_view kPrefix = "keys(";

// A whole finite decimal number, locale-independent; "+" allowed in front.
bool readNumber(std::string_view text, float& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, ec] = base::floatFromChars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

bool readEase(std::string_view word, KeyEase& ease) {
    static constexpr std::pair<std::string_view, KeyEase> kWords[] = {{"linear", KeyEase::linear},
                                                                      {"step", KeyEase::step},
                                                                      {"smooth", KeyEase::smooth},
                                                                      {"ramp", KeyEase::ramp},
                                                                      {"out", KeyEase::out}};
    for (const auto& [name, e] : kWords)
        if (equalsIgnoreCase(word, name)) {
            ease = e;
            return true;
        }
    return false;
}

// How far from the key at u = 0 to the next at u = 1 the value has come.
float eased(KeyEase ease, float u) {
    switch (ease) {
    case KeyEase::linear: return u;
    case KeyEase::step: return 0.0f;
    case KeyEase::smooth: return u * u * (3.0f - 2.0f * u);
    case KeyEase::ramp: return u * u;
    case KeyEase::out: return u * (2.0f - u);
    }
    return u;
}

std::string quoted(std::string_view text) {
    // Long items are cut in messages; the position points at them anyway.
    std::string s(text.substr(0, 40));
    if (text.size() > 40) s += "...";
    return "\"" + s + "\"";
}

}  // namespace

bool KeyCurve::isKeyList(std::string_view valueText) {
    return startsWithIgnoreCase(valueText, kPrefix);
}

std::shared_ptr<const KeyCurve> KeyCurve::parse(std::string_view valueText, KeyListFault& fault) {
    auto fail = [&fault](std::size_t offset, std::string message) {
        fault.offset = offset;
        fault.message = std::move(message);
        return nullptr;
    };
    if (!isKeyList(valueText)) return fail(0, "a key list begins with \"keys(\"");
    const std::size_t close = valueText.find(')');
    if (close == std::string_view::npos)
        return fail(valueText.size(),
                    "the key list has no closing ')' (no spaces inside it; ';' starts a comment)");
    if (close + 1 != valueText.size())
        return fail(close + 1,
                    "text after the key list's ')': " + quoted(valueText.substr(close + 1)));

    auto curve = std::make_shared<KeyCurve>();
    std::size_t itemStart = kPrefix.size();
    int number = 0;
    char text[160];
    while (itemStart <= close) {
        std::size_t itemEnd = valueText.find(',', itemStart);
        if (itemEnd == std::string_view::npos || itemEnd > close) itemEnd = close;
        const std::string_view item = valueText.substr(itemStart, itemEnd - itemStart);
        const bool last = itemEnd == close;
        ++number;
        if (equalsIgnoreCase(item, "loop")) {
            if (!last) return fail(itemStart, "\"loop\" must be the last item of the key list");
            if (curve->keys_.empty()) return fail(itemStart, "\"loop\" needs keys to repeat");
            if (!(curve->keys_.back().time > 0.0f))
                return fail(itemStart,
                            "\"loop\" needs a last key after time 0: its time is "
                            "the period");
            curve->loops_ = true;
            break;
        }
        if (curve->keys_.size() == kMaxKeys) {
            std::snprintf(text, sizeof text, "more than %zu keys", kMaxKeys);
            return fail(itemStart, text);
        }
        if (item.empty()) {
            std::snprintf(text, sizeof text,
                          "key %d is empty (keys are TIME:VALUE or TIME:VALUE:MODE, "
                          "separated by commas)",
                          number);
            return fail(itemStart, text);
        }
        const std::size_t colon1 = item.find(':');
        if (colon1 == std::string_view::npos) {
            std::snprintf(text, sizeof text, "key %d has no value: ", number);
            return fail(itemStart, text + quoted(item) + " (TIME:VALUE or TIME:VALUE:MODE)");
        }
        const std::size_t colon2 = item.find(':', colon1 + 1);
        if (colon2 != std::string_view::npos &&
            item.find(':', colon2 + 1) != std::string_view::npos) {
            std::snprintf(text, sizeof text, "key %d has more than three parts: ", number);
            return fail(itemStart, text + quoted(item) + " (TIME:VALUE or TIME:VALUE:MODE)");
        }
        CurveKey key;
        std::string_view timeText = item.substr(0, colon1);
        const bool beats = !timeText.empty() && (timeText.back() == 'b' || timeText.back() == 'B');
        if (beats) timeText.remove_suffix(1);
        if (!readNumber(timeText, key.time)) {
            std::snprintf(text, sizeof text, "key %d: the time ", number);
            return fail(itemStart, text + quoted(item.substr(0, colon1)) +
                                       " is not a number of seconds (or of beats, with 'b')");
        }
        if (beats) {
            const MusicTempo& tempo = currentTempo();
            if (!tempo.usableBpm())
                return fail(itemStart, "times in beats need a tempo (musicBpm) above 0");
            key.time = key.time * 60.0f / tempo.musicBpm;
            if (!std::isfinite(key.time)) return fail(itemStart, "the time is too large");
        }
        if (key.time < 0.0f) {
            std::snprintf(text, sizeof text, "key %d: the time must not be negative", number);
            return fail(itemStart, text);
        }
        if (!curve->keys_.empty() && !(key.time > curve->keys_.back().time)) {
            std::snprintf(text, sizeof text, "key %d: times must increase, but %g comes after %g",
                          number, static_cast<double>(key.time),
                          static_cast<double>(curve->keys_.back().time));
            return fail(itemStart, text);
        }
        const std::size_t valueEnd = colon2 == std::string_view::npos ? item.size() : colon2;
        const std::string_view valueText2 = item.substr(colon1 + 1, valueEnd - colon1 - 1);
        if (valueText2.empty()) {
            std::snprintf(text, sizeof text, "key %d has no value: ", number);
            return fail(itemStart + colon1 + 1, text + quoted(item));
        }
        if (!readNumber(valueText2, key.value)) {
            std::snprintf(text, sizeof text, "key %d: the value ", number);
            return fail(itemStart + colon1 + 1, text + quoted(valueText2) + " is not a number");
        }
        if (colon2 != std::string_view::npos && !readEase(item.substr(colon2 + 1), key.ease)) {
            std::snprintf(text, sizeof text, "key %d: unknown mode ", number);
            return fail(itemStart + colon2 + 1, text + quoted(item.substr(colon2 + 1)) +
                                                    " (linear, step, smooth, ramp or out)");
        }
        curve->keys_.push_back(key);
        if (last) break;
        itemStart = itemEnd + 1;
    }
    if (curve->keys_.empty()) return fail(kPrefix.size(), "the key list has no keys");
    return curve;
}

float KeyCurve::valueAt(float seconds) const {
    const CurveKey& first = keys_.front();
    const CurveKey& last = keys_.back();
    float d = seconds;
    if (loops_ && d >= last.time) d = std::fmod(d, last.time);
    if (!(d > first.time)) return first.value;  // also for a time that is not a number
    if (d >= last.time) return last.value;
    // The key at or before d; the one after it exists since d < last.time.
    const auto next = std::upper_bound(keys_.begin(), keys_.end(), d,
                                       [](float t, const CurveKey& k) { return t < k.time; });
    const CurveKey& from = *(next - 1);
    const float u = (d - from.time) / (next->time - from.time);
    return from.value + (next->value - from.value) * eased(from.ease, u);
}
