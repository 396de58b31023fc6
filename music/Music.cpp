#include "music/Music.h"

#include "music/MusicDecoder.h"
#include "MusicStream.h"
#include "RiffCues.h"
#include "base/Clock.h"
#include "base/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace {

// Scripts were written on Windows: a backslash separates path parts.
std::string portablePath(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// A file that opens but yields nothing where it claims to have music is
// damaged; better to say so now than to play silence.
bool decodesAtAll(MusicDecoder& decoder) {
    if (decoder.lengthSeconds() <= 0.0) return true;
    float probe[2 * 256];
    return decoder.read(probe, 256) > 0 && decoder.seek(0.0);
}

}  // namespace

Music& Music::instance() {
    static Music music;
    return music;
}

Music::Music(double (*clock)()) : clock_(clock ? clock : &clockSeconds) {}

Music::~Music() = default;

double Music::now() const {
    return clock_();
}

void Music::configure(std::optional<double> fixedFps, double startTime, bool decodeOnly) {
    // The mode decides how the music is opened: it cannot change afterwards.
    if (hasMusic() || started_) return;
    // A rate that is no rate, or a start before the music, would make time
    // meaningless: run in real time, from the beginning.
    fixedFps_ = fixedFps && std::isfinite(*fixedFps) && *fixedFps > 0.0 ? fixedFps : std::nullopt;
    start_ = std::isfinite(startTime) && startTime > 0.0 ? startTime : 0.0;
    decodeOnly_ = decodeOnly;
}

bool Music::setMusic(const std::string& scriptName) {
    const std::string path = portablePath(scriptName);
    if (!musicSet().empty()) {
        // A rebuild parses the script again: the same music keeps playing.
        if (sameFile(path, musicSet())) return true;
        logError("Music set twice!\n");
        return false;
    }
    return openMusic(path);
}

bool Music::decodePending() {
    if (!pending_) return false;
    if (musicDecodePending(pending_->path)) return true;
    const PendingOpen open = std::move(*pending_);
    pending_.reset();
    const ScriptPosition now = scriptPosition();
    scriptPosition() = open.position;
    openMusic(open.path);
    scriptPosition() = now;
    return pending_.has_value();
}

std::string Music::decodeWholeFile() const {
    if (!hasMusic()) return {};
    std::string fault;
    std::unique_ptr<MusicDecoder> decoder = openMusicDecoder(name_, &fault);
    if (!decoder) return fault.empty() ? "cannot be opened" : fault;
    const double expected = decoder->lengthSeconds();
    std::vector<float> block(2 * 4096);
    double decodedFrames = 0.0;
    while (const std::size_t frames = decoder->read(block.data(), 4096))
        decodedFrames += static_cast<double>(frames);
    const double decoded = decodedFrames / decoder->sampleRate();
    // Decoders of compressed formats may know their length only roughly;
    // a stop well before it is damage.
    if (decoded + std::max(0.05, expected * 0.01) < expected) {
        char text[96];
        std::snprintf(text, sizeof text, "stops decoding at %.2f s of its %.2f s", decoded,
                      expected);
        return text;
    }
    return {};
}

bool Music::openMusic(const std::string& path) {
    std::string fault;
    bool pending = false;
    std::unique_ptr<MusicDecoder> decoder = openMusicDecoder(path, &fault, &pending);
    if (pending) {
        pending_ = PendingOpen{path, scriptPosition()};
        return true;
    }
    if (!decoder && fault.empty())
        fault = "cannot be opened";
    else if (decoder && !decodesAtAll(*decoder))
        fault = "no sound could be decoded from it";
    else if (decoder && !decoder->seek(start_))
        fault = "cannot seek to the start position";
    if (!fault.empty()) {
        // The author needs the file and the reason; the message after them
        // is the one scripts and tools know.
        logMessage("Music: cannot open \"%s\": %s\n", path.c_str(), fault.c_str());
        logError("Music: problems while opening file\n");
        return false;
    }
    const double rate = decoder->sampleRate();
    length_ = decoder->lengthSeconds();
    syncPoints_.clear();
    // A cue past the last frame is never passed, however a run ends.
    for (CuePoint& cue : readWaveCues(path)) {
        const double at = static_cast<double>(cue.frame) / rate;
        if (at <= *length_) syncPoints_.push_back({at, std::move(cue.name)});
    }
    // Points before the start position are never heard.
    nextSyncPoint_ = static_cast<std::size_t>(
        std::lower_bound(syncPoints_.begin(), syncPoints_.end(), start_,
                         [](const SyncPoint& p, double t) { return p.time < t; }) -
        syncPoints_.begin());

    if (!fixedFps_ && !decodeOnly_) {
        stream_ = MusicStream::open(std::move(decoder), start_, clock_);
        if (!stream_) {
            logError("Error while playing stream\n");
            closeMusic();
            return false;
        }
    }
    name_ = path;
    return true;
}

void Music::closeMusic() {
    pending_.reset();
    stream_.reset();
    name_.clear();
    length_.reset();
    syncPoints_.clear();
    nextSyncPoint_ = 0;
}

void Music::startIfNeeded() {
    if (started_) return;
    if (!hasMusic())
        logWarning("No music set, going for 3 minutes of silence\n");
    else if (stream_ && !paused_)
        stream_->play();
    startClock_ = now();
    started_ = true;
}

double Music::rawTime() {
    if (!started_) return start_;
    if (fixedFps_) return start_ + static_cast<double>(framesDrawn_) / *fixedFps_;
    if (paused_) return heldTime_;
    if (stream_) return stream_->heardTime(now());
    if (hasMusic() && decodeOnly_) return start_;  // nothing plays
    // No music, or a music file that could not be opened again at a seek.
    return start_ + (now() - startClock_);
}

void Music::reportSyncPoints(double t) {
    if (!started_) return;
    while (nextSyncPoint_ < syncPoints_.size() && syncPoints_[nextSyncPoint_].time <= t) {
        logProgress("\nSYNCHPOINT : \"%s\"\n", syncPoints_[nextSyncPoint_].name.c_str());
        ++nextSyncPoint_;
    }
}

double Music::time() {
    const double t = rawTime();
    reportSyncPoints(t);
    return t;
}

bool Music::ended() {
    if (ended_.load()) return true;
    if (!started_) return false;
    const double t = time();
    bool over;
    if (!hasMusic()) {
        over = t > kSilenceSeconds;
    } else if (stream_) {
        const std::optional<double> end = stream_->endTime();
        over = end && t >= *end;
    } else {
        over = !decodeOnly_ && t > *length_;
    }
    if (!over) return false;
    if (hasMusic()) logProgress("\nSTREAM ENDED!!\n");
    ended_.store(true);
    return true;
}

void Music::frameDrawn() {
    if (started_ && fixedFps_ && !paused_) ++framesDrawn_;
}

void Music::restartAt(double seconds) {
    start_ = seconds;
    heldTime_ = seconds;
    framesDrawn_ = 0;
    startClock_ = now();
    ended_.store(false);
    if (!hasMusic()) return;
    // A new decoder and, in real time, a new stream: the sound of the old
    // position must not play on behind the new one.
    const std::string path = name_;
    const std::optional<double> oldLength = length_;
    closeMusic();
    if (!openMusic(path)) {
        logMessage("Music: \"%s\" cannot be played from %.3f s, going on without sound\n",
                   path.c_str(), seconds);
        name_ = path;
        length_ = oldLength;
        return;
    }
    if (!stream_) return;
    if (paused_)
        stream_.reset();  // made again at resume
    else if (started_)
        stream_->play();
}

void Music::seek(double seconds) {
    if (!std::isfinite(seconds)) return;
    restartAt(std::max(0.0, seconds));
}

void Music::reload() {
    if (decodeOnly_) return;
    restartAt(paused_ ? heldTime_ : rawTime());
}

void Music::setPaused(bool paused) {
    if (paused == paused_ || decodeOnly_) return;
    if (paused) {
        heldTime_ = rawTime();
        paused_ = true;
        // The sound stops now; resuming opens the stream again at the held time.
        stream_.reset();
        return;
    }
    paused_ = false;
    if (fixedFps_) return;  // the frame count was held: time goes on from it
    restartAt(heldTime_);
}

std::optional<double> Music::length() const {
    return length_;
}
