// Decoders of music files into interleaved stereo float frames. A file is
// tried with libsndfile (WAV, FLAC, Ogg Vorbis, Opus, MP3, ...) first and
// with libopenmpt (tracker modules: MOD, XM, S3M, IT, ...) second. In a web
// page libsndfile has only its own formats (WAV, AIFF, ...) and the browser
// is tried between the two.
#pragma once

#include <memory>
#include <string>

class MusicDecoder {
public:
    virtual ~MusicDecoder() = default;

    // Frames per second of the frames read delivers.
    virtual int sampleRate() const = 0;

    // Length of the whole piece in seconds.
    virtual double lengthSeconds() const = 0;

    // Moves the next read to `seconds` from the start, to the frame where the
    // format allows; a position past the end leaves nothing to read. False
    // when the decoder cannot get there.
    virtual bool seek(double seconds) = 0;

    // Decodes up to `frames` stereo frames into `out` (2 * frames floats);
    // returns the frames written, 0 at the end or on a decoding fault.
    virtual std::size_t read(float* out, std::size_t frames) = 0;
};

// Opens `path` with the first decoder that accepts it; null when none does,
// with `fault` (when given) set to why: "not found", "is a directory", or
// each decoder's own complaint. In a web page the browser decodes in the
// background: a file it has not finished is not waited for; null is
// returned with `pending` (when given) set, and the open is to be made again
// once musicDecodePending(path) is false.
std::unique_ptr<MusicDecoder> openMusicDecoder(const std::string& path,
                                               std::string* fault = nullptr,
                                               bool* pending = nullptr);

// Whether the browser is still decoding `path` for an earlier open; always
// false outside a web page.
bool musicDecodePending(const std::string& path);

// The libsndfile decoder alone; null when libsndfile cannot open the file,
// with `fault` (when given) set to libsndfile's reason.
std::unique_ptr<MusicDecoder> openSndfileDecoder(const std::string& path,
                                                 std::string* fault = nullptr);

// In a web page: the browser's own decoder (Web Audio). The first open of a
// file begins its decoding and returns null with `pending` set; the page's
// files never change, so the decoded sound is kept for every later open (a
// seek, a pause, a reload). Null when the browser cannot decode the file,
// with `fault` (when given) set to its reason.
std::unique_ptr<MusicDecoder> openBrowserDecoder(const std::string& path, std::string* fault,
                                                 bool* pending);

// The libopenmpt decoder alone, rendering at `sampleRate`; null when the file
// is not a module libopenmpt can play, with `fault` (when given) set to why.
std::unique_ptr<MusicDecoder> openModuleDecoder(const std::string& path, int sampleRate,
                                                std::string* fault = nullptr);
