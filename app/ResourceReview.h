// What a run could not load of the pictures and scene files a script names,
// listed at the statements that name them, as script faults are: shared by
// --verify and the reloads of --watch, where a missing file must not stop
// the presentation.
#pragma once

#include <functional>
#include <string>

struct ResourceList;

// Names to leave out (already loaded, say); empty: none.
using NameFilter = std::function<bool(const std::string&)>;

// Reports every picture of `resources` that could not be loaded (missing,
// of a kind the player does not load, not decoding), each at the statement
// that names it, once per name; returns the count.
int checkPictures(const ResourceList& resources, const NameFilter& skip = {});

// Reports every shader file of `resources` that would not draw (missing,
// not a shader, not compiling in the current context; with
// `unsupportedIsFault` also when the renderer has no programs at all), each
// at the statement that names it with the shader's own lines, once per
// name; returns the count.
int checkShaders(const ResourceList& resources, bool unsupportedIsFault);

// Reports every scene file of `resources` that a run could not load or
// start (missing, unreadable, a picture of it faulty, no camera), each at
// the statement that names it, once per name; returns the count.
int checkScenes(const ResourceList& resources, const NameFilter& skip = {});
