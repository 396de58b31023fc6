// A decoded picture: 8-bit RGBA pixels, bottom row first, as OpenGL takes
// them. Bitmaps never touch OpenGL themselves.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

class Bitmap {
public:
    // The largest picture accepted, in pixels (8192 x 8192, 256 MiB of
    // RGBA, beyond what the texture side can use): a picture file's header
    // is untrusted and must not choose the allocation alone.
    static constexpr std::int64_t kMaxPixels = std::int64_t(1) << 26;

    // An empty bitmap: 0 x 0, no pixels, no alpha.
    Bitmap() = default;
    // Decodes the picture file `name` (found through the data files) at
    // once; the loader is chosen by the text after the last '.', in any
    // case: "png", or "bmp", "jpg" and "jpeg". Any other extension, a
    // missing or undecodable JPEG or BMP file end the process through
    // fatalStop. A missing or undecodable PNG file leaves the bitmap empty,
    // with a log line saying which file and why.
    explicit Bitmap(std::string name);
    // Decodes like the constructor above, but never stops the process: the
    // status the fault calls for is left in `stopStatus` (0: none) for the
    // caller to stop with, after its lines were logged. For decoding off
    // the main thread, under a LogCapture.
    Bitmap(std::string name, int& stopStatus);
    // Releases the pixels.
    virtual ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // True when the pixels carry a meaningful alpha channel.
    virtual bool hasAlpha() const;

    const std::string& name() const { return name_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    // True when there are no pixels; such a bitmap must not be uploaded.
    bool empty() const { return !pixels_; }
    // width * height * 4 bytes, red, green, blue, alpha; the first row is
    // the bottom row of the picture. Null when empty.
    std::uint8_t* pixels() { return pixels_.get(); }
    const std::uint8_t* pixels() const { return pixels_.get(); }

    // The loaders' one allocation step: sets the size and the alpha flag and
    // allocates zeroed pixels. Returns false, leaving the bitmap empty, when
    // a side is not positive or the picture exceeds kMaxPixels.
    bool allocate(std::int32_t width, std::int32_t height, bool hasAlpha);
    // Back to empty, releasing the pixels.
    void clear();

private:
    // Runs the loader the name calls for; 0 or the fatal-stop status.
    int decode();

    struct FreePixels {
        void operator()(std::uint8_t* pixels) const { std::free(pixels); }
    };

    std::string name_;
    bool hasAlpha_ = false;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    // calloc'ed: large blocks come as untouched zero pages, so a header
    // that claims a large picture costs memory only once its data is there.
    std::unique_ptr<std::uint8_t[], FreePixels> pixels_;
};
