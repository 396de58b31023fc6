// The data files a timeline's modules will ask the registries for while it
// loads, with the script statement that named each: what a review of the
// presentation checks, and what could be fetched ahead of loading.
#pragma once

#include <string>
#include <vector>

struct NamedResource {
    std::string name;  // as the script wrote it (the registries' key)
    int line = -1;     // script position of the statement that named it
    int pos = 0;
};

struct ResourceList {
    std::vector<NamedResource> pictures;  // in load order, repeats kept
    std::vector<NamedResource> scenes;
    std::vector<NamedResource> shaders;  // one per file, at its first naming
};
