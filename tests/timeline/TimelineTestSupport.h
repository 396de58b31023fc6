// Shared pieces of the timeline tests: a music clock the test sets by hand,
// a module with a chosen draw priority that records what it is asked, and a
// script written to a file of its own for the parser.
#pragma once

#include "FakeMusic.h"
#include "script/ArgumentList.h"
#include "timeline/LoadingScreen.h"
#include "timeline/TrackModule.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class ProbeModule : public TrackModule {
public:
    explicit ProbeModule(int priority = 0, int renderResult = 0)
        : priority_(priority), renderResult_(renderResult) {}
    const std::string& name() const override {
        static const std::string n = "probe";
        return n;
    }
    int render(float time, Destination*, TextureSource*, TextureSource*) override {
        renderedAt.push_back(time);
        return renderResult_;
    }
    int drawPriority() const override { return priority_; }
    bool select(Track&) override {
        ++selects;
        return true;
    }
    bool deselect(Track&) override {
        ++deselects;
        return true;
    }

    std::vector<float> renderedAt;
    int selects = 0;
    int deselects = 0;

private:
    int priority_;
    int renderResult_;
};

class CountingProgress : public LoadingScreen {
public:
    int draw(float) override { return 0; }
    void addProgress(float amount) override { total += amount; }
    float total = 0.0f;
};

// Writes `text` as a script in the test's own directory (a fresh temporary
// directory made current) and returns the path the parser is given.
inline std::string writeScript(const std::string& text) {
    namespace fs = std::filesystem;
    static int serial = 0;
    const std::string name = "t" + std::to_string(++serial) + ".qsc";
    std::ofstream(name, std::ios::binary) << text;
    return "data\\" + name;
}
