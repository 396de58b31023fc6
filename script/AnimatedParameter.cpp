#include "script/AnimatedParameter.h"

#include <utility>

#include "base/Log.h"
#include "script/ArgumentList.h"
#include "script/KeyCurve.h"

namespace {

// Stands for "key not given" among the velocity and acceleration look-ups
// of update; a script number equal to it is therefore taken as not given.
constexpr float kNotGiven = -1e10f;

// A number as is, 0 for a text, `absent` when the key is missing.
float numberOr(ArgumentList& arguments, const std::string& key, float absent) {
    const ArgumentValue& value = arguments.find(key);
    if (value.isNone()) return absent;
    return value.number();
}

}  // namespace

AnimatedParameter::AnimatedParameter(std::string name, float defaultValue, bool clamp)
    : name_(std::move(name)),
      velocityKey_(name_ + "Vel"),
      accelerationKey_(name_ + "Acc"),
      value_(defaultValue),
      defaultValue_(defaultValue),
      clamp_(clamp) {}

float AnimatedParameter::valueAt(float t) const {
    const float d = t - startTime_;
    const float base = curve_ ? curve_->valueAt(d) : value_;
    float v = base + velocity_ * d + acceleration_ * d * d * 0.5f;
    if (clamp_) {
        if (!(v < 1.0f)) {
            v = 1.0f;
        } else if (!(v > 0.0f)) {
            v = 0.0f;
        }
    }
    return v;
}

void AnimatedParameter::reset(ArgumentList& arguments, float t) {
    const KeyListValue* keys = arguments.find(name_).keyList();
    curve_ = keys ? keys->curve : nullptr;
    value_ = curve_ ? curve_->valueAt(0.0f) : numberOr(arguments, name_, defaultValue_);
    velocity_ = numberOr(arguments, velocityKey_, 0.0f);
    acceleration_ = numberOr(arguments, accelerationKey_, 0.0f);
    startTime_ = t;
}

void AnimatedParameter::update(ArgumentList& arguments, float t) {
    if (!arguments.find(name_).isNone()) {
        reset(arguments, t);
        return;
    }
    float velocity = numberOr(arguments, velocityKey_, kNotGiven);
    float acceleration = numberOr(arguments, accelerationKey_, kNotGiven);
    if (velocity == kNotGiven && acceleration == kNotGiven) return;
    if (velocity == kNotGiven) velocity = 0.0f;
    if (acceleration == kNotGiven) acceleration = 0.0f;
    // valueAt, not the base alone: the value holds still whatever the clamp.
    value_ = valueAt(t);
    curve_ = nullptr;
    startTime_ = t;
    velocity_ = velocity;
    acceleration_ = acceleration;
}

void AnimatedParameter::markUsed(ArgumentList& arguments) const {
    const KeyListValue* keys = arguments.find(name_).keyList();
    if (!keys) {
        arguments.optionalNumber(name_);
    } else if (!keys->curve) {
        // At the fault itself, then back where the statement's reading was.
        ScriptPosition& position = scriptPosition();
        const ScriptPosition statement = position;
        if (keys->line >= 0) position.line = keys->line;
        position.pos = keys->column;
        logError("Key list of \"%s\": %s\n", name_.c_str(), keys->fault.c_str());
        position = statement;
    }
    arguments.optionalNumber(velocityKey_);
    arguments.optionalNumber(accelerationKey_);
}
