// Output files written whole or not at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// Writes `size` bytes to `target` through a temporary file in the same
// folder, renamed into place: whatever goes wrong in the middle, nothing
// half-written keeps the name. False with `error` set ("cannot write ...").
bool writeAtomically(const std::filesystem::path& target, const std::uint8_t* data,
                     std::size_t size, std::string& error);
