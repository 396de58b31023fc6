#include "ScriptedActions.h"
#include "base/FloatChars.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {

bool readEntry(std::string_view entry, ScriptedAction& action) {
    const std::size_t colon = entry.find(':');
    if (colon == std::string_view::npos) return false;
    const auto [end, ec] = std::from_chars(entry.data(), entry.data() + colon, action.frame);
    if (ec != std::errc() || end != entry.data() + colon || action.frame < 0) return false;
    const std::string_view what = entry.substr(colon + 1);
    if (what == "reload") {
        action.kind = ScriptedAction::Kind::reload;
    } else if (what == "home") {
        action.kind = ScriptedAction::Kind::home;
    } else if (what == "pause") {
        action.kind = ScriptedAction::Kind::pause;
    } else if (what == "fullscreen") {
        action.kind = ScriptedAction::Kind::fullScreen;
    } else if (what.rfind("seek", 0) == 0 && what.size() > 5 &&
               (what[4] == '+' || what[4] == '-')) {
        const std::string_view number = what.substr(5);
        const auto [e, c] =
            base::floatFromChars(number.data(), number.data() + number.size(), action.seconds);
        if (c != std::errc() || e != number.data() + number.size()) return false;
        if (what[4] == '-') action.seconds = -action.seconds;
        action.kind = ScriptedAction::Kind::seek;
    } else if (what.rfind("resize=", 0) == 0) {
        const std::string_view size = what.substr(7);
        const std::size_t x = size.find('x');
        if (x == std::string_view::npos) return false;
        const auto [e1, c1] = std::from_chars(size.data(), size.data() + x, action.width);
        const auto [e2, c2] =
            std::from_chars(size.data() + x + 1, size.data() + size.size(), action.height);
        if (c1 != std::errc() || c2 != std::errc() || e1 != size.data() + x ||
            e2 != size.data() + size.size() || action.width < 1 || action.height < 1)
            return false;
        action.kind = ScriptedAction::Kind::resize;
    } else if (what.rfind("window=", 0) == 0 && what.size() > 7) {
        action.kind = ScriptedAction::Kind::windowPicture;
        action.to = std::string(what.substr(7));
    } else if (what.rfind("copy=", 0) == 0) {
        const std::string_view files = what.substr(5);
        const std::size_t arrow = files.find('>');
        if (arrow == std::string_view::npos || arrow == 0 || arrow + 1 == files.size())
            return false;
        action.kind = ScriptedAction::Kind::copy;
        action.from = std::string(files.substr(0, arrow));
        action.to = std::string(files.substr(arrow + 1));
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::vector<ScriptedAction> parseScriptedActions(const std::string& text, std::string& error) {
    std::vector<ScriptedAction> actions;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view entry = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (entry.empty()) continue;
        ScriptedAction action;
        if (readEntry(entry, action))
            actions.push_back(std::move(action));
        else if (error.empty())
            error = "cannot read \"" + std::string(entry) + "\"";
    }
    std::stable_sort(
        actions.begin(), actions.end(),
        [](const ScriptedAction& a, const ScriptedAction& b) { return a.frame < b.frame; });
    return actions;
}
