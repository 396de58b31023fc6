// The track-module factory table: a type word to a new module. Names are
// compared without regard to case, in the table's fixed order. Modules of
// other libraries register their constructors; a name with no constructor
// registered yet creates nothing.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

class TrackModule;

using TrackModuleConstructor = std::function<std::unique_ptr<TrackModule>()>;

// A new module for `typeWord`, or null when no table entry matches (or its
// module is not registered). The caller owns the result.
std::unique_ptr<TrackModule> createTrackModule(std::string_view typeWord);

// Installs the constructor for one table name ("image", "fade", ...).
// False when the name is not in the table.
bool registerTrackModule(std::string_view tableName, TrackModuleConstructor constructor);
