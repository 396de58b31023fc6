#include "script/ArgumentList.h"

#include <utility>

#include "base/Log.h"
#include "script/Tokenizer.h"

namespace {

const ArgumentValue kNoValue;

// The word the type checks' messages use for the type they expected.
const char* typeName(ArgumentValue::Type type) {
    return type == ArgumentValue::Type::Number ? "number" : "string";
}

}  // namespace

ArgumentList::ArgumentList(Tokenizer& tokens) {
    while (tokens.hasMoreTokens()) addToken(tokens.nextToken());
}

ArgumentList::ArgumentList(const ArgumentList& other) : entries_(other.entries_) {
    clearUsed();
}

ArgumentList& ArgumentList::operator=(const ArgumentList& other) {
    if (this != &other) {
        entries_ = other.entries_;
        clearUsed();
    }
    return *this;
}

void ArgumentList::addToken(std::string_view token) {
    const std::size_t equals = token.find('=');
    if (equals == std::string_view::npos) {
        const std::string text(token);
        logError("Argument \"%s\" has no equals-sign\n", text.c_str());
        return;
    }
    // The tokenizer has placed the position at the token's start.
    const ScriptPosition& at = scriptPosition();
    const std::size_t column = static_cast<std::size_t>(at.pos < 0 ? 0 : at.pos) + equals + 1;
    set(token.substr(0, equals),
        ArgumentValue::fromText(token.substr(equals + 1), at.line,
                                column > 1000000000 ? 1000000000 : static_cast<int>(column)));
}

void ArgumentList::set(std::string_view key, ArgumentValue value) {
    const auto found = entries_.find(key);
    if (found != entries_.end()) {
        found->second.value = std::move(value);
        return;
    }
    entries_.emplace(std::string(key), Entry{std::move(value), false});
}

ArgumentList::Entry* ArgumentList::markUsed(std::string_view key) {
    const auto found = entries_.find(key);
    if (found == entries_.end()) return nullptr;
    found->second.used = true;
    return &found->second;
}

const ArgumentValue& ArgumentList::find(std::string_view key) {
    const Entry* entry = markUsed(key);
    return entry ? entry->value : kNoValue;
}

bool ArgumentList::requireType(std::string_view key, ArgumentValue::Type type) {
    const Entry* entry = markUsed(key);
    const std::string name(key);
    if (!entry) {
        logError("Required parameter \"%s\" not set\n", name.c_str());
        return false;
    }
    if (entry->value.type() != type) {
        logError("Required parameter \"%s\" is not a %s\n", name.c_str(), typeName(type));
        return false;
    }
    return true;
}

bool ArgumentList::optionalType(std::string_view key, ArgumentValue::Type type) {
    const Entry* entry = markUsed(key);
    if (!entry || entry->value.type() == type) return true;
    const std::string name(key);
    logError("Optional parameter \"%s\" is not a %s\n", name.c_str(), typeName(type));
    return false;
}

bool ArgumentList::requireNumber(std::string_view key) {
    return requireType(key, ArgumentValue::Type::Number);
}

bool ArgumentList::requireString(std::string_view key) {
    return requireType(key, ArgumentValue::Type::String);
}

bool ArgumentList::optionalNumber(std::string_view key) {
    return optionalType(key, ArgumentValue::Type::Number);
}

bool ArgumentList::optionalString(std::string_view key) {
    return optionalType(key, ArgumentValue::Type::String);
}

void ArgumentList::clearUsed() {
    for (auto& entry : entries_) entry.second.used = false;
}

void ArgumentList::warnUnused() const {
    for (const auto& [key, entry] : entries_) {
        if (entry.used) continue;
        logWarning("Argument list: key \"%s\", value \"%s\" not recognized, will be ignored\n",
                   key.c_str(), entry.value.asText().c_str());
    }
}
