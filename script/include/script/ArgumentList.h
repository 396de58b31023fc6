// The key=value parameters of one statement. Keys compare without regard to
// ASCII letter case, so each key occurs once whatever its case; entries are
// kept in that case-insensitive key order. Each entry carries a used flag
// that look-ups and checks set, so that parameters nobody asked for can be
// reported by warnUnused.
//
// Modules check a statement by clearUsed, then their checks and look-ups,
// then warnUnused. The checks only validate and mark; values are read with
// find.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "base/CaseInsensitive.h"
#include "script/ArgumentValue.h"

class Tokenizer;

class ArgumentList {
public:
    ArgumentList() = default;

    // Consumes every token left on `tokens`, each as by addToken.
    explicit ArgumentList(Tokenizer& tokens);

    // A copy holds copies of every key and value; its used flags start false.
    ArgumentList(const ArgumentList& other);
    ArgumentList& operator=(const ArgumentList& other);
    ArgumentList(ArgumentList&&) noexcept = default;
    ArgumentList& operator=(ArgumentList&&) noexcept = default;

    // Adds one key=value token: the key is the text before the first '='
    // (possibly empty), the value text all after it, converted by
    // ArgumentValue::fromText. A token without '=' is reported ("Argument
    // \"%s\" has no equals-sign") and ignored.
    void addToken(std::string_view token);

    // Stores `value` under `key`: a new entry, or the existing entry of that
    // key in any case gets the new value and keeps its first-written key text.
    void set(std::string_view key, ArgumentValue value);

    // The value stored under `key`, marking the entry used; the none value
    // (and no new entry) when absent. The reference stays valid until the
    // list is changed or destroyed.
    const ArgumentValue& find(std::string_view key);

    // Each marks the entry used and reports with logError:
    // requireNumber/requireString: absent ("Required parameter \"%s\" not
    // set") or of the wrong type ("... is not a number" / "... is not a
    // string"); true only for a present value of the type.
    bool requireNumber(std::string_view key);
    bool requireString(std::string_view key);
    // optionalNumber/optionalString: true when absent or of the type; a value
    // of the other type is reported ("Optional parameter \"%s\" is not a
    // number" / "... is not a string") and gives false.
    bool optionalNumber(std::string_view key);
    bool optionalString(std::string_view key);

    void clearUsed();

    // One logWarning per entry whose used flag is false, in key order:
    // "Argument list: key \"K\", value \"V\" not recognized, will be ignored".
    void warnUnused() const;

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

private:
    struct Entry {
        ArgumentValue value;
        bool used = false;
    };
    using Entries = std::map<std::string, Entry, LessIgnoreCase>;

    // The entry of `key` marked used, or null when absent.
    Entry* markUsed(std::string_view key);
    bool requireType(std::string_view key, ArgumentValue::Type type);
    bool optionalType(std::string_view key, ArgumentValue::Type type);

    Entries entries_;
};
