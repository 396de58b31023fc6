// The typed value of one key=value parameter: none, a 32-bit float number,
// or a text. Look-ups of absent keys yield the none value.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class KeyCurve;

// A text value written as a key list (KeyCurve.h), read when the value was:
// its curve, or what is wrong with it and where in the script.
struct KeyListValue {
    std::shared_ptr<const KeyCurve> curve;  // null when the list is faulty
    std::string fault;                      // empty when the curve was read
    int line = -1;                          // the fault's script line and column
    int column = 0;
};

class ArgumentValue {
public:
    enum class Type { None, Number, String };

    ArgumentValue() = default;
    explicit ArgumentValue(float number) : type_(Type::Number), number_(number) {}
    explicit ArgumentValue(std::string text) : type_(Type::String), text_(std::move(text)) {}

    // Converts the value text of a key=value token, first rule that applies:
    //  1. starts with '"': the text between it and the last '"' (the whole
    //     rest when there is no second quote; anything after it is dropped);
    //  2. starts with "midi(" or "midilength(" (any case): seconds, see
    //     TimeExpression.h;
    //  3. contains an ASCII letter or a '"': the text unchanged (so "1e3"
    //     and "logo.png" are texts); one that begins with "keys(" (any case)
    //     also carries its key list, read at once (beats at the current
    //     tempo), faults placed at `line` and `column` (where the value
    //     text begins) plus their offset;
    //  4. otherwise a number in colon notation; an empty text is 0.
    static ArgumentValue fromText(std::string_view valueText, int line = -1, int column = 0);

    Type type() const { return type_; }
    bool isNone() const { return type_ == Type::None; }
    bool isNumber() const { return type_ == Type::Number; }
    bool isString() const { return type_ == Type::String; }

    // The number; 0 unless isNumber().
    float number() const { return type_ == Type::Number ? number_ : 0.0f; }
    // The text; empty unless isString().
    const std::string& text() const { return text_; }
    // The key list of a text written as one; null for every other value.
    const KeyListValue* keyList() const { return keyList_.get(); }

    // For messages: "none", the number with 6 significant digits in the
    // default stream style (independent of any locale), or the text itself.
    std::string asText() const;

private:
    Type type_ = Type::None;
    float number_ = 0.0f;
    std::string text_;
    std::shared_ptr<const KeyListValue> keyList_;  // shared by copies
};
