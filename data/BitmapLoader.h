// The bitmap loader family: one loader object per load, without state.
#pragma once

#include <string>

class Bitmap;

enum class PictureKind { png, dib, unknown };
// Which loader a picture name goes to: the text after its last '.',
// ignoring case: "png" for the PNG loader; "bmp", "jpg", "jpeg" for the DIB
// loader; anything else, or no '.', is unknown.
PictureKind pictureKindOf(const std::string& name);

class BitmapLoader {
public:
    virtual ~BitmapLoader() = default;
    // Reads the picture file `path` through the data files into `bitmap`;
    // returns false when the bitmap stays empty.
    virtual bool load(const std::string& path, Bitmap& bitmap) = 0;
};

// PNG files through libpng. A missing file, a wrong signature or a decoding
// error leave the bitmap empty without a fatal stop, and log one line naming
// the file and the fault.
class PngLoader : public BitmapLoader {
public:
    // Decodes the PNG file `path`; false, with `bitmap` empty, on failure.
    bool load(const std::string& path, Bitmap& bitmap) override;
};

// JPEG and BMP files, told apart by their content. A missing file (status
// 7), content that is an icon or a metafile (3468) and anything else that
// does not decode (3467) end the process through fatalStop, after a line
// that names the file.
class DibLoader : public BitmapLoader {
public:
    // Decodes the JPEG or BMP file `path`; returns true or does not return.
    bool load(const std::string& path, Bitmap& bitmap) override;
};
