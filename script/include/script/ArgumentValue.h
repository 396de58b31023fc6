// The typed value of one key=value parameter: none, a 32-bit float number,
// or a text. Look-ups of absent keys yield the none value.
#pragma once

#include <string>
#include <string_view>

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
    //     and "logo.png" are texts);
    //  4. otherwise a number in colon notation; an empty text is 0.
    static ArgumentValue fromText(std::string_view valueText);

    Type type() const { return type_; }
    bool isNone() const { return type_ == Type::None; }
    bool isNumber() const { return type_ == Type::Number; }
    bool isString() const { return type_ == Type::String; }

    // The number; 0 unless isNumber().
    float number() const { return type_ == Type::Number ? number_ : 0.0f; }
    // The text; empty unless isString().
    const std::string& text() const { return text_; }

    // For messages: "none", the number with 6 significant digits in the
    // default stream style (independent of any locale), or the text itself.
    std::string asText() const;

private:
    Type type_ = Type::None;
    float number_ = 0.0f;
    std::string text_;
};
