// The bitmap loader family: one loader object per load, without state.
#pragma once

#include <string>

class Bitmap;

enum class PictureKind { png, dib, unknown };
// Which loader a picture name goes to: the text after its last '.',
// ignoring case: "png" for the PNG loader; "bmp", "jpg", "jpeg" for the DIB
// loader; anything else, or no '.', is unknown.
PictureKind pictureKindOf(const std::string& name);

// Loaders never stop the process themselves (they may run off the main
// thread): a fault that must end the presentation comes back as the status
// to stop with, after the loader has logged its lines.
class BitmapLoader {
public:
    virtual ~BitmapLoader() = default;
    // Reads the picture file `path` through the data files into `bitmap`;
    // returns 0, or the fatal-stop status that the fault calls for (the
    // bitmap is then empty).
    virtual int load(const std::string& path, Bitmap& bitmap) = 0;
};

// PNG files through libpng. A missing file, a wrong signature or a decoding
// error leave the bitmap empty without a fatal status, and log one line
// naming the file and the fault.
class PngLoader : public BitmapLoader {
public:
    // Decodes the PNG file `path`; always 0, with `bitmap` empty on failure.
    int load(const std::string& path, Bitmap& bitmap) override;
};

// JPEG and BMP files, told apart by their content. A missing file (status
// 7), content that is an icon or a metafile (3468) and anything else that
// does not decode (3467) call for a fatal stop, after a line that names the
// file.
class DibLoader : public BitmapLoader {
public:
    // Decodes the JPEG or BMP file `path`; 0, or the status to stop with.
    int load(const std::string& path, Bitmap& bitmap) override;
};
