#include "script/ArgumentValue.h"

#include <locale>
#include <sstream>

#include "base/CaseInsensitive.h"
#include "script/KeyCurve.h"
#include "script/TimeExpression.h"

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool hasLetterOrQuote(std::string_view text) {
    for (char c : text) {
        if (isAsciiLetter(c) || c == '"') return true;
    }
    return false;
}

}  // namespace

ArgumentValue ArgumentValue::fromText(std::string_view valueText, int line, int column) {
    if (!valueText.empty() && valueText.front() == '"') {
        const std::size_t last = valueText.rfind('"');
        if (last == 0) return ArgumentValue(std::string(valueText.substr(1)));
        return ArgumentValue(std::string(valueText.substr(1, last - 1)));
    }
    // "midilength(" does not begin with "midi(", so the order of the tests
    // does not matter.
    if (startsWithIgnoreCase(valueText, "midi(")) {
        return ArgumentValue(midiPositionSeconds(valueText));
    }
    if (startsWithIgnoreCase(valueText, "midilength(")) {
        return ArgumentValue(midiLengthSeconds(valueText));
    }
    if (KeyCurve::isKeyList(valueText)) {
        ArgumentValue value{std::string(valueText)};
        auto keys = std::make_shared<KeyListValue>();
        KeyListFault fault;
        keys->curve = KeyCurve::parse(valueText, fault);
        keys->fault = std::move(fault.message);
        keys->line = line;
        const std::size_t at = static_cast<std::size_t>(column < 0 ? 0 : column) + fault.offset;
        keys->column = at > 1000000000 ? 1000000000 : static_cast<int>(at);
        value.keyList_ = std::move(keys);
        return value;
    }
    if (hasLetterOrQuote(valueText)) return ArgumentValue(std::string(valueText));
    return ArgumentValue(plainTimeSeconds(valueText));
}

std::string ArgumentValue::asText() const {
    switch (type_) {
    case Type::None: return "none";
    case Type::Number: {
        std::ostringstream out;
        // The classic locale: a decimal point and no digit grouping,
        // whatever global locale the program may have installed.
        out.imbue(std::locale::classic());
        out << number_;
        return out.str();
    }
    case Type::String: return text_;
    }
    return std::string();
}
