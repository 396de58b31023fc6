// A numeric module parameter that moves over time:
//   value(t) = base(d) + velocity * d + acceleration * d * d / 2,  d = t - startTime
// where base is a number, or a curve of keys when <name> is written as a key
// list (KeyCurve.h); read from an argument list under the keys <name>,
// <name>Vel and <name>Acc (any letter case). With clamp set every evaluated
// value is held to 0..1.
#pragma once

#include <memory>
#include <string>

class ArgumentList;
class KeyCurve;

class AnimatedParameter {
public:
    // Starts at `defaultValue`, at rest, with start time 0.
    AnimatedParameter(std::string name, float defaultValue, bool clamp = false);

    // The value at time t (seconds). With clamp set: 1 unless v < 1,
    // otherwise 0 unless v > 0, so a value that is not a number gives 1.
    float valueAt(float t) const;

    // Takes value, velocity and acceleration from `arguments` as of time t,
    // marking the keys used. value: the number, the curve of a sound key
    // list, 0 for any other text, the default when absent; velocity and
    // acceleration: the number, else 0.
    void reset(ArgumentList& arguments, float t);

    // Like reset when <name> is present (any type). Otherwise, when <name>Vel
    // or <name>Acc is given, continues from valueAt(t) with the given
    // velocity and acceleration (0 for a text or for the one not given),
    // leaving any curve behind; with neither given nothing changes. A value
    // of exactly -1e10 for them counts as not given.
    void update(ArgumentList& arguments, float t);

    // optionalNumber on <name>, <name>Vel and <name>Acc, in that order: all
    // three are marked used, a text for any of them is reported, except a
    // key list for <name>: a faulty one is reported with what is wrong, at
    // its place in the script.
    void markUsed(ArgumentList& arguments) const;

    const std::string& name() const { return name_; }
    // The number set, or a curve's value at its start.
    float value() const { return value_; }
    bool hasCurve() const { return curve_ != nullptr; }
    float velocity() const { return velocity_; }
    float acceleration() const { return acceleration_; }
    float startTime() const { return startTime_; }
    float defaultValue() const { return defaultValue_; }
    bool clamp() const { return clamp_; }

private:
    std::string name_;
    std::string velocityKey_;
    std::string accelerationKey_;
    float value_;
    std::shared_ptr<const KeyCurve> curve_;  // replaces value_ over time when set
    float velocity_ = 0.0f;
    float acceleration_ = 0.0f;
    float startTime_ = 0.0f;
    float defaultValue_;
    bool clamp_;
};
