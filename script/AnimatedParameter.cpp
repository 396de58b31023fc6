#include "script/AnimatedParameter.h"

#include <utility>

#include "script/ArgumentList.h"

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
    float v = value_ + velocity_ * d + acceleration_ * d * d * 0.5f;
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
    value_ = numberOr(arguments, name_, defaultValue_);
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
    value_ = valueAt(t);
    startTime_ = t;
    velocity_ = velocity;
    acceleration_ = acceleration;
}

void AnimatedParameter::markUsed(ArgumentList& arguments) const {
    arguments.optionalNumber(name_);
    arguments.optionalNumber(velocityKey_);
    arguments.optionalNumber(accelerationKey_);
}
