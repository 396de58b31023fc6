// libopenmpt behind MusicDecoder: tracker modules, rendered straight at the
// output rate. The module plays once, without its loop.
#include "MusicDecoder.h"

#include <libopenmpt/libopenmpt.hpp>

#include <fstream>
#include <ostream>
#include <streambuf>

namespace {

// libopenmpt reports loader warnings to a stream; the player has nothing to
// add to the log about a module it can play.
class NullBuffer final : public std::streambuf {
protected:
    // Swallows every character.
    int overflow(int c) override { return traits_type::not_eof(c); }
};

class ModuleDecoder final : public MusicDecoder {
public:
    ModuleDecoder(std::istream& in, int sampleRate)
        : quiet_(&silence_), module_(in, quiet_), sampleRate_(sampleRate) {
        module_.set_repeat_count(0);
    }

    // The rate the module is rendered at.
    int sampleRate() const override { return sampleRate_; }
    // The playing time of one pass through the order list.
    double lengthSeconds() const override { return module_.get_duration_seconds(); }

    // To the row playing at `seconds`; past the end, nothing is left to render.
    bool seek(double seconds) override {
        module_.set_position_seconds(seconds);
        atEnd_ = seconds >= lengthSeconds();
        return true;
    }

    // Renders the next frames; 0 once the module has played through.
    std::size_t read(float* out, std::size_t frames) override {
        if (atEnd_) return 0;
        try {
            return module_.read_interleaved_stereo(sampleRate_, frames, out);
        } catch (const std::exception&) {
            return 0;
        }
    }

private:
    NullBuffer silence_;
    std::ostream quiet_;
    openmpt::module module_;  // after quiet_, which it logs to while it lives
    int sampleRate_;
    bool atEnd_ = false;
};

}  // namespace

std::unique_ptr<MusicDecoder> openModuleDecoder(const std::string& path, int sampleRate,
                                                std::string* fault) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (fault) *fault = "cannot be read";
        return nullptr;
    }
    try {
        return std::make_unique<ModuleDecoder>(in, sampleRate);
    } catch (const std::exception& error) {
        if (fault) *fault = error.what();
    }
    // libopenmpt's load error does not tell an unknown format from a damaged
    // module; its header probe does.
    if (fault) {
        try {
            in.clear();
            in.seekg(0);
            if (openmpt::probe_file_header(openmpt::probe_file_header_flags_default2, in) ==
                openmpt::probe_file_header_result_failure)
                *fault = "not a tracker module";
        } catch (const std::exception&) {
        }
    }
    return nullptr;
}
