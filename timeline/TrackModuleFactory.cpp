#include "timeline/TrackModuleFactory.h"

#include "base/CaseInsensitive.h"
#include "timeline/FxModule.h"
#include "timeline/TrackModule.h"

#include <array>

namespace {

struct Entry {
    const char* name;
    TrackModuleConstructor construct;
};

// The table's order is part of its contract: the first match wins.
std::array<Entry, 12>& table() {
    static std::array<Entry, 12> entries = {{
        {"dummyModule", [] { return std::make_unique<DummyModule>(); }},
        {"scene", nullptr},
        {"image", nullptr},
        {"drawOrder", [] { return std::make_unique<DrawOrderModule>(); }},
        {"fade", nullptr},
        {"identityDistort", nullptr},
        {"waveDistort", nullptr},
        {"tunnel", nullptr},
        {"route", nullptr},
        {"text", nullptr},
        {"blur", nullptr},
        {"shader", nullptr},
    }};
    return entries;
}

}  // namespace

std::unique_ptr<TrackModule> createTrackModule(std::string_view typeWord) {
    for (const Entry& e : table()) {
        if (equalsIgnoreCase(typeWord, e.name)) return e.construct ? e.construct() : nullptr;
    }
    return nullptr;
}

bool registerTrackModule(std::string_view tableName, TrackModuleConstructor constructor) {
    for (Entry& e : table()) {
        if (tableName == e.name) {
            e.construct = std::move(constructor);
            return true;
        }
    }
    return false;
}
