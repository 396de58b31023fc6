// libopenmpt behind MusicDecoder: tracker modules, rendered straight at the
// output rate. The module plays once, without its loop.
#include "music/MusicDecoder.h"

#include <libopenmpt/libopenmpt.hpp>

#include <cstdint>
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

    // libopenmpt seeks to a row only. The row at or before `seconds` is
    // taken, and what plays from its start up to `seconds` is rendered and
    // dropped, so the next read starts at `seconds` to the frame (with the
    // module's state as a seek leaves it, which may differ from a continuous
    // play in effects carried over from earlier rows). Past the end,
    // nothing is left to render.
    bool seek(double seconds) override {
        const double target = seconds > 0.0 ? seconds : 0.0;
        atEnd_ = target >= lengthSeconds();
        double at = module_.set_position_seconds(target);
        if (atEnd_) return true;
        if (at > target) at = previousRow(at);
        if (at > target || at < 0.0) return true;  // no earlier row: as near as it gets
        std::size_t drop = static_cast<std::size_t>((target - at) * sampleRate_ + 0.5);
        float scratch[2 * 1024];
        while (drop > 0) {
            const std::size_t want = drop < 1024 ? drop : 1024;
            const std::size_t got = read(scratch, want);
            if (got == 0) break;
            drop -= got;
        }
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
    // Moves to the row before the current one (the last row of the previous
    // order at a pattern's start); its time, or `at` when there is none.
    double previousRow(double at) {
        const std::int32_t order = module_.get_current_order();
        const std::int32_t row = module_.get_current_row();
        if (row > 0) return module_.set_position_order_row(order, row - 1);
        if (order <= 0) return at;
        const std::int32_t rows =
            module_.get_pattern_num_rows(module_.get_order_pattern(order - 1));
        return rows > 0 ? module_.set_position_order_row(order - 1, rows - 1) : at;
    }

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
        } catch (const std::exception&) {}
    }
    return nullptr;
}
