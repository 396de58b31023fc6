// Reviewing a picture without keeping it: what an author's check of a
// presentation asks of each picture the script names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads and decodes the picture `name` as the loaders would (found by its
// base name among the data files; the loader chosen by its extension), but
// never logs, never stops the process and keeps nothing. Returns an empty
// string when the picture decodes; otherwise what is wrong, worded to follow
// the name ("not found", "is not a PNG file", ...).
std::string pictureFault(const std::string& name);

// The same for picture content already in memory, named `name` (only its
// extension chooses the loader): empty when the player's loaders decode it,
// otherwise what is wrong, worded as above.
std::string pictureContentFault(const std::string& name, const std::uint8_t* data,
                                std::size_t size);
