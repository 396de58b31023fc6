// Video export: presentation frames read back from GL and the music, decoded
// by the player's own decoders, written as one video file through FFmpeg's
// libraries. All operations belong to the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct VideoSettings {
    std::string path;  // container chosen by the extension: .mp4, .mkv, .webm
    int width = 640;
    int height = 480;
    double fps = 60.0;
    std::optional<double> quality;  // the encoder's constant-quality scale; lower is better
    std::string codecName;          // empty: the container's preferred installed encoder
    double start = 0.0;             // music time of frame 0
    std::optional<double> until;    // the end of the export when given
};

// Empty when `name` is an installed video encoder, else a message listing
// the installed ones.
std::string checkVideoCodecName(const std::string& name);

class VideoEncoder {
public:
    // Opens the file and the video encoder; null with `error` set when the
    // extension, the encoder or the path is not usable. Nothing is rendered
    // before this succeeds. Until finish succeeds the file counts as partial
    // and is removed at process exit (also after a fatal stop).
    static std::unique_ptr<VideoEncoder> open(const VideoSettings& settings, std::string& error);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Adds the audio stream from `musicPath` (empty: no audio stream) and
    // writes the header; `lengthSeconds` is the presentation's end (music
    // length, or the silent clock's). Called once before the first frame.
    bool begin(const std::string& musicPath, double lengthSeconds, std::string& error);
    bool begun() const;

    // Encodes one frame of width*height RGB pixels, bottom row first (as
    // glReadPixels delivers them), with the music up to the frame's end.
    // False when the size is not the video's or writing fails.
    bool addFrame(const std::uint8_t* rgbBottomUp, int width, int height, std::string& error);

    // The time the caller spent reading the frame back, for the final
    // progress line's account of where the time went.
    void addReadBackTime(double seconds);

    // Flushes the encoders and writes the trailer; the file is then whole and
    // kept. False (file removed) when writing fails.
    bool finish(std::string& error);

    // Closes and removes the partial file.
    void abandon();

    long framesWritten() const;

private:
    struct State;
    static bool fileStillThere(const State& s, std::int64_t written, std::string& error);
    explicit VideoEncoder(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};
