// One still of a scene file drawn by the player's own renderer, offscreen,
// as a PNG file: what `demoplayer-scene preview` shows an author.
#pragma once

#include <string>

struct PreviewOptions {
    std::string scenePath;  // the scene file
    std::string outPath;    // the PNG to write
    int width = 640;        // picture size in pixels, 1 to kMaxPreviewSide
    int height = 480;
    float sceneTime = 0.0f;  // seconds on the scene's own clock
    std::string camera;      // view name (ignoring case); empty: the first view
    bool shadows = false;    // stencil shadows in the accurate quality
};

// The largest side a preview may ask for.
inline constexpr int kMaxPreviewSide = 8192;

// Draws the first frame a script's `scene start file=...` would show
// (black background, fog off) in a hidden window of the requested size and
// writes it top row first to options.outPath. The scene file, a regular
// file only (see RegularFile), is read whole, then by the player's reader
// with its folder as the current directory, so its texture names are found
// beside it; the current directory is restored afterwards. False with
// `error` set, and no picture written, when the file is not a regular file
// or not a scene the player reads, a texture cannot be had, the camera
// names no view, no GL context can be made or the PNG cannot be written.
bool previewScene(const PreviewOptions& options, std::string& error);
