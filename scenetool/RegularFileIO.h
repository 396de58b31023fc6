// The model reader's files: the model and every file it names that the
// library opens itself (OBJ materials, glTF buffers, skins) are opened as
// regular files only. A FIFO or a device in their place fails that one
// file, as a missing file does, instead of holding the reader until its
// time limit or feeding it without end.
#pragma once

#include <assimp/DefaultIOSystem.h>

#include <set>
#include <string>

class RegularFileIO : public Assimp::DefaultIOSystem {
public:
    // Whether there is anything at `file`. Never opens it: the library's own
    // test opens the file, which blocks on a FIFO.
    bool Exists(const char* file) const override;

    // Reading modes open a regular file only (see RegularFile): anything
    // else that is there is null with one warning on standard error naming
    // it, since the library's own message says no more than that the file
    // did not open; a missing file is null without one. Other modes open as
    // the library does.
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;

private:
    std::set<std::string> warned_;  // files refused with a warning already
};
