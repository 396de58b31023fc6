#include "VideoEncoder.h"

#include "base/Log.h"
#include "base/PartialOutputs.h"
#include "music/MusicDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The file being written until it is whole; removed at process exit
// otherwise, so a fatal stop or an interrupt never leaves a truncated file
// that looks finished.
std::string gPartialPath;
int gPartialHandle = -1;  // the same file in the table any end removes
// Stops the encoder thread of the export under way before its file goes.
void (*gStopWorker)() = nullptr;

void removePartialFile() {
    if (gStopWorker) gStopWorker();
    forgetPartialOutput(gPartialHandle);
    gPartialHandle = -1;
    if (gPartialPath.empty()) return;
    std::error_code ec;
    std::filesystem::remove(gPartialPath, ec);
    gPartialPath.clear();
}

void notePartialFile(const std::string& path) {
    static bool registered = false;
    if (!registered) std::atexit(removePartialFile);
    registered = true;
    gPartialPath = path;
    gPartialHandle = notePartialOutput(path);
}

// The file is whole, or no longer ours: nothing removes it from now on.
void keepPartialFile() {
    forgetPartialOutput(gPartialHandle);
    gPartialHandle = -1;
    gPartialPath.clear();
}

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct Container {
    const char* format;
    std::vector<const char*> video;  // preferred encoders, best first
    std::vector<const char*> audio;
};

bool containerFor(const std::string& path, Container& out) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".mp4") {
        out = {"mp4", {"libx264", "h264", "mpeg4"}, {"aac", "libopus"}};
    } else if (ext == ".mkv") {
        out = {"matroska", {"libx264", "h264", "mpeg4"}, {"libopus", "libvorbis", "aac"}};
    } else if (ext == ".webm") {
        out = {"webm", {"libvpx-vp9", "libvpx"}, {"libopus", "libvorbis"}};
    } else {
        return false;
    }
    return true;
}

const AVCodec* findEncoder(const char* name, AVMediaType type, const AVOutputFormat* format) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
        // A codec name ("h264") stands for its first installed encoder.
        const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(name);
        if (d) codec = avcodec_find_encoder(d->id);
    }
    if (!codec || codec->type != type) return nullptr;
    if (avformat_query_codec(format, codec->id, FF_COMPLIANCE_NORMAL) != 1) return nullptr;
    return codec;
}

std::string installedVideoEncoders() {
    std::string list;
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it))
        if (c->type == AVMEDIA_TYPE_VIDEO && av_codec_is_encoder(c))
            list += std::string(" ") + c->name;
    return list;
}

std::string formatSeconds(double s) {
    const long total = std::lround(std::max(0.0, s));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

std::string checkVideoCodecName(const std::string& name) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (codec && codec->type == AVMEDIA_TYPE_VIDEO) return {};
    return "unknown video encoder \"" + name + "\"; installed:" + installedVideoEncoders();
}

struct VideoEncoder::State {
    VideoSettings settings;
    Container container;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    SwsContext* scaler = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* videoFrame = nullptr;
    AVFrame* audioFrame = nullptr;
    AVPacket* packet = nullptr;
    std::unique_ptr<MusicDecoder> decoder;
    bool decoderDone = false;
    bool begun = false;
    bool open = true;
    bool progressShown = false;  // a progress line is on the terminal, not yet ended
    // Where the export's time goes, in seconds: read-back and waiting for a
    // free place in the queue on the caller's thread, conversion and
    // encoding on the encoder thread.
    double readBackSeconds = 0, waitSeconds = 0, convertSeconds = 0, encodeSeconds = 0;
    long submitted = 0;  // frames handed over by addFrame
    // The file the export opened, when it is a regular file: the path must
    // still name it, whole, before the export says it is done.
    bool checkFile = false;
    dev_t fileDevice = 0;
    ino_t fileInode = 0;
    std::atomic<long> frames{0};  // frames encoded

    // The encoder thread converts and encodes the queued frames, so drawing
    // the next frame overlaps with encoding this one. The queue is short:
    // the caller waits when the encoder falls behind.
    static constexpr std::size_t kQueueDepth = 3;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::vector<std::uint8_t>> queue;   // guarded by mutex
    std::vector<std::vector<std::uint8_t>> spare;  // emptied buffers, guarded by mutex
    bool stopping = false;                         // guarded by mutex
    bool failed = false;                           // guarded by mutex
    std::string failure;                           // guarded by mutex
    std::int64_t audioSamples = 0;                 // samples handed to the audio encoder
    long totalFrames = 0;
    std::chrono::steady_clock::time_point startedAt, lastProgress;

    ~State() {
        stopWorker(true);
        av_frame_free(&videoFrame);
        av_frame_free(&audioFrame);
        av_packet_free(&packet);
        if (fifo) av_audio_fifo_free(fifo);
        swr_free(&resampler);
        sws_freeContext(scaler);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    // Sends `frame` (null: flush) and writes every packet the encoder gives back.
    bool encode(AVCodecContext* ctx, AVStream* stream, AVFrame* frame, std::string& error) {
        int rc = avcodec_send_frame(ctx, frame);
        if (rc < 0) {
            error = "encoding failed: " + avError(rc);
            return false;
        }
        for (;;) {
            rc = avcodec_receive_packet(ctx, packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (rc < 0) {
                error = "encoding failed: " + avError(rc);
                return false;
            }
            av_packet_rescale_ts(packet, ctx->time_base, stream->time_base);
            packet->stream_index = stream->index;
            rc = av_interleaved_write_frame(format, packet);
            if (rc < 0) {
                error = "cannot write \"" + settings.path + "\": " + avError(rc);
                return false;
            }
        }
    }

    // Decoded music before resampling, kept across frames: stereo frames of
    // one read.
    static constexpr int kAudioChunk = 4096;
    std::vector<float> decodeBuffer = std::vector<float>(2 * kAudioChunk);

    // Resampled music into the FIFO until it holds `wanted` samples; silence
    // once the music has ended.
    bool fillAudio(int wanted, std::string& error) {
        const int chunk = kAudioChunk;
        std::vector<float>& in = decodeBuffer;
        while (av_audio_fifo_size(fifo) < wanted) {
            const int inFrames =
                decoderDone ? 0 : static_cast<int>(decoder->read(in.data(), chunk));
            uint8_t** out = nullptr;
            const int capacity = std::max(swr_get_out_samples(resampler, inFrames), chunk);
            if (av_samples_alloc_array_and_samples(&out, nullptr, 2, capacity, audio->sample_fmt,
                                                   0) < 0) {
                error = "out of memory";
                return false;
            }
            int produced;
            if (inFrames > 0) {
                const uint8_t* src = reinterpret_cast<const uint8_t*>(in.data());
                produced = swr_convert(resampler, out, capacity, &src, inFrames);
            } else if (!decoderDone) {
                decoderDone = true;  // the rest of what the resampler holds
                produced = swr_convert(resampler, out, capacity, nullptr, 0);
            } else {
                produced = std::min(capacity, wanted - av_audio_fifo_size(fifo));
                av_samples_set_silence(out, 0, produced, 2, audio->sample_fmt);
            }
            const int written =
                produced > 0 ? av_audio_fifo_write(fifo, reinterpret_cast<void**>(out), produced)
                             : 0;
            av_freep(&out[0]);
            av_freep(&out);
            if (produced < 0 || written < produced) {
                error = "resampling the music failed";
                return false;
            }
        }
        return true;
    }

    // Encodes the music up to `until` samples from the start: whole encoder
    // frames, and the last part too when `last`.
    bool pumpAudio(std::int64_t until, bool last, std::string& error) {
        const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
        while (audioSamples < until) {
            const int n = static_cast<int>(std::min<std::int64_t>(frameSize, until - audioSamples));
            if (n < frameSize && !last) return true;
            if (!fillAudio(n, error)) return false;
            int rc = av_frame_make_writable(audioFrame);
            audioFrame->nb_samples = n;
            if (rc >= 0)
                rc = av_audio_fifo_read(fifo, reinterpret_cast<void**>(audioFrame->data), n);
            if (rc < n) {
                error = "audio buffering failed";
                return false;
            }
            audioFrame->pts = audioSamples;
            audioSamples += n;
            if (!encode(audio, audioStream, audioFrame, error)) return false;
        }
        return true;
    }

    std::int64_t audioTarget() const {
        return std::llround(static_cast<double>(frames) * audio->sample_rate / settings.fps);
    }

    // Converts and encodes one read-back frame with the music up to its end.
    bool encodeFrame(const std::uint8_t* rgbBottomUp, std::string& error) {
        if (av_frame_make_writable(videoFrame) < 0) {
            error = "out of memory";
            return false;
        }
        // The read-back is bottom row first: start at the last row and step back.
        const int stride = settings.width * 3;
        const std::uint8_t* src[1] = {rgbBottomUp +
                                      static_cast<std::size_t>(stride) * (settings.height - 1)};
        const int srcStride[1] = {-stride};
        using Clock = std::chrono::steady_clock;
        const auto t0 = Clock::now();
        sws_scale(scaler, src, srcStride, 0, settings.height, videoFrame->data,
                  videoFrame->linesize);
        const auto t1 = Clock::now();
        videoFrame->pts = frames;
        if (!encode(video, videoStream, videoFrame, error)) return false;
        ++frames;
        if (audio && !pumpAudio(audioTarget(), false, error)) return false;
        convertSeconds += std::chrono::duration<double>(t1 - t0).count();
        encodeSeconds += std::chrono::duration<double>(Clock::now() - t1).count();
        return true;
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return stopping || !queue.empty(); });
            if (queue.empty()) return;  // stopping, and nothing left to encode
            std::vector<std::uint8_t> buffer = std::move(queue.front());
            queue.pop_front();
            const bool skip = failed;
            lock.unlock();
            std::string error;
            const bool ok = skip || encodeFrame(buffer.data(), error);
            lock.lock();
            if (!ok) {
                failed = true;
                failure = error;
            }
            spare.push_back(std::move(buffer));
            changed.notify_all();
        }
    }

    // Ends the encoder thread: after the queued frames, or at once when
    // `discard`. The thread's failure, if any, stays in `failure`.
    void stopWorker(bool discard) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
            if (discard) queue.clear();
        }
        changed.notify_all();
        if (worker.joinable()) worker.join();
    }

    // The progress line, at most four times a second; the final one ends the
    // line and says where the time went.
    void progress(bool final) {
        const auto now = std::chrono::steady_clock::now();
        if (!final && now - lastProgress < std::chrono::milliseconds(250)) return;
        lastProgress = now;
        const double elapsed = std::chrono::duration<double>(now - startedAt).count();
        const long done = frames;
        const long total = std::max(totalFrames, done);
        const double rate = elapsed > 0 ? done / elapsed : 0.0;
        const int percent = total > 0 ? static_cast<int>(100 * done / total) : 100;
        if (final) {
            // Drawing, read-back and waiting happen on this thread, conversion and
            // encoding beside it: the export is bound by whichever side is busier.
            const double drawing = std::max(0.0, elapsed - readBackSeconds - waitSeconds);
            std::fprintf(stderr,
                         "\rVideo: %ld/%ld frames (%d%%), %.1f fps, %.1f s: drawing %.1f s, "
                         "read-back %.1f s, waiting for the encoder %.1f s; encoder thread: "
                         "conversion %.1f s, encoding %.1f s\n",
                         done, total, percent, rate, elapsed, drawing, readBackSeconds, waitSeconds,
                         convertSeconds, encodeSeconds);
        } else {
            const double left = rate > 0 ? (total - done) / rate : 0.0;
            std::fprintf(stderr, "\rVideo: %ld/%ld frames (%d%%), %.1f fps, %s left   ", done,
                         total, percent, rate, formatSeconds(left).c_str());
        }
        std::fflush(stderr);
        progressShown = !final;
        setStatusLineOpen(progressShown);
    }
};

VideoEncoder::VideoEncoder(std::unique_ptr<State> state) : s_(std::move(state)) {}

VideoEncoder::~VideoEncoder() {
    if (s_->open) abandon();
}

std::unique_ptr<VideoEncoder> VideoEncoder::open(const VideoSettings& settings,
                                                 std::string& error) {
    // The libraries' own chatter is not for the terminal; their errors are.
    av_log_set_level(AV_LOG_ERROR);
    auto s = std::make_unique<State>();
    s->settings = settings;
    if (!containerFor(settings.path, s->container)) {
        error = "cannot tell the video container from \"" + settings.path +
                "\": use .mp4, .mkv or .webm";
        return nullptr;
    }
    int rc = avformat_alloc_output_context2(&s->format, nullptr, s->container.format,
                                            settings.path.c_str());
    if (rc < 0 || !s->format) {
        error = "no " + std::string(s->container.format) + " writer: " + avError(rc);
        return nullptr;
    }
    const AVOutputFormat* ofmt = s->format->oformat;

    const AVCodec* codec = nullptr;
    if (!settings.codecName.empty()) {
        codec = findEncoder(settings.codecName.c_str(), AVMEDIA_TYPE_VIDEO, ofmt);
        if (!codec) {
            error = "the encoder \"" + settings.codecName + "\" cannot be written to \"" +
                    settings.path + "\"";
            return nullptr;
        }
    } else {
        for (const char* name : s->container.video)
            if ((codec = findEncoder(name, AVMEDIA_TYPE_VIDEO, ofmt))) break;
        if (!codec) {
            error = "no installed video encoder fits \"" + settings.path + "\"";
            return nullptr;
        }
    }

    AVCodecContext* v = s->video = avcodec_alloc_context3(codec);
    v->width = settings.width;
    v->height = settings.height;
    v->framerate = av_d2q(settings.fps, 1 << 16);
    v->time_base = av_inv_q(v->framerate);
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    if (codec->pix_fmts) {
        bool has420 = false;
        for (const AVPixelFormat* p = codec->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
            has420 = has420 || *p == AV_PIX_FMT_YUV420P;
        if (!has420) v->pix_fmt = codec->pix_fmts[0];
    }
    // What libswscale converts with by default (BT.601, limited range), said
    // in the stream so players convert back the same way.
    v->colorspace = AVCOL_SPC_SMPTE170M;
    v->color_primaries = AVCOL_PRI_SMPTE170M;
    v->color_trc = AVCOL_TRC_SMPTE170M;
    v->color_range = AVCOL_RANGE_MPEG;
    v->thread_count = 0;  // as many as the encoder finds useful
    v->gop_size = std::max(1, static_cast<int>(std::lround(settings.fps * 2)));
    if (ofmt->flags & AVFMT_GLOBALHEADER) v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const std::string name = codec->name;
    if (name == "libx264" || name == "libx265") {
        av_opt_set_double(v->priv_data, "crf", settings.quality.value_or(18.0), 0);
    } else if (name == "libvpx-vp9" || name == "libvpx") {
        av_opt_set_double(v->priv_data, "crf", settings.quality.value_or(24.0), 0);
        av_opt_set(v->priv_data, "deadline", "good", 0);
        av_opt_set_int(v->priv_data, "cpu-used", 4, 0);
        av_opt_set_int(v->priv_data, "row-mt", 1, 0);
        // VP9 is constant quality without a bit rate; VP8 takes it as a cap.
        v->bit_rate = name == "libvpx" ? 20000000 : 0;
    } else {
        v->flags |= AV_CODEC_FLAG_QSCALE;
        v->global_quality = static_cast<int>(FF_QP2LAMBDA * settings.quality.value_or(3.0));
    }
    if (v->pix_fmt == AV_PIX_FMT_YUV420P && (v->width % 2 || v->height % 2)) {
        error = "the video encoder \"" + name + "\" needs an even width and height, not " +
                std::to_string(v->width) + "x" + std::to_string(v->height);
        return nullptr;
    }
    rc = avcodec_open2(v, codec, nullptr);
    if (rc < 0) {
        error = "cannot open the video encoder \"" + name + "\": " + avError(rc);
        return nullptr;
    }
    s->videoStream = avformat_new_stream(s->format, nullptr);
    avcodec_parameters_from_context(s->videoStream->codecpar, v);
    s->videoStream->time_base = v->time_base;
    s->videoStream->avg_frame_rate = v->framerate;

    s->scaler = sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGB24, settings.width,
                               settings.height, v->pix_fmt, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr,
                               nullptr, nullptr);
    s->videoFrame = av_frame_alloc();
    s->packet = av_packet_alloc();
    s->videoFrame->format = v->pix_fmt;
    s->videoFrame->width = v->width;
    s->videoFrame->height = v->height;
    if (!s->scaler || av_frame_get_buffer(s->videoFrame, 0) < 0 || !s->packet) {
        error = "cannot set up the pixel conversion";
        return nullptr;
    }

    rc = avio_open(&s->format->pb, settings.path.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        error = "cannot write \"" + settings.path + "\": " + avError(rc);
        return nullptr;
    }
    // Only a file of our own is removed when the export fails: never a
    // device or a pipe the path names.
    struct stat opened {};
    if (stat(settings.path.c_str(), &opened) == 0 && S_ISREG(opened.st_mode)) {
        notePartialFile(settings.path);
        s->checkFile = true;
        s->fileDevice = opened.st_dev;
        s->fileInode = opened.st_ino;
    }
    return std::unique_ptr<VideoEncoder>(new VideoEncoder(std::move(s)));
}

bool VideoEncoder::begin(const std::string& musicPath, double lengthSeconds, std::string& error) {
    State& s = *s_;
    s.begun = true;
    const double end =
        s.settings.until ? std::min(*s.settings.until, lengthSeconds) : lengthSeconds;
    s.totalFrames = std::max(
        0L, static_cast<long>(std::ceil((end - s.settings.start) * s.settings.fps - 1e-9)));

    if (!musicPath.empty()) {
        std::string fault;
        s.decoder = openMusicDecoder(musicPath, &fault);
        if (!s.decoder) {
            error = "cannot decode the music \"" + musicPath + "\": " + fault;
            return false;
        }
        if (s.settings.start > 0 && !s.decoder->seek(s.settings.start)) s.decoderDone = true;

        const AVCodec* codec = nullptr;
        for (const char* name : s.container.audio)
            if ((codec = findEncoder(name, AVMEDIA_TYPE_AUDIO, s.format->oformat))) break;
        if (!codec) {
            error = "no installed audio encoder fits \"" + s.settings.path + "\"";
            return false;
        }
        AVCodecContext* a = s.audio = avcodec_alloc_context3(codec);
        a->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        a->sample_rate = 48000;
        if (codec->supported_samplerates) {
            bool has48k = false;
            for (const int* r = codec->supported_samplerates; *r; ++r)
                has48k = has48k || *r == 48000;
            if (!has48k) a->sample_rate = codec->supported_samplerates[0];
        }
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&a->ch_layout, &stereo);
        a->bit_rate = 192000;
        a->time_base = {1, a->sample_rate};
        a->thread_count = 0;
        if (s.format->oformat->flags & AVFMT_GLOBALHEADER) a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int rc = avcodec_open2(a, codec, nullptr);
        if (rc < 0) {
            error = "cannot open the audio encoder \"" + std::string(codec->name) +
                    "\": " + avError(rc);
            return false;
        }
        s.audioStream = avformat_new_stream(s.format, nullptr);
        avcodec_parameters_from_context(s.audioStream->codecpar, a);
        s.audioStream->time_base = a->time_base;

        rc = swr_alloc_set_opts2(&s.resampler, &a->ch_layout, a->sample_fmt, a->sample_rate,
                                 &stereo, AV_SAMPLE_FMT_FLT, s.decoder->sampleRate(), 0, nullptr);
        if (rc < 0 || swr_init(s.resampler) < 0) {
            error = "cannot resample the music to " + std::to_string(a->sample_rate) + " Hz";
            return false;
        }
        s.fifo = av_audio_fifo_alloc(a->sample_fmt, 2, 8192);
        s.audioFrame = av_frame_alloc();
        if (!s.fifo || !s.audioFrame) {
            error = "out of memory";
            return false;
        }
        s.audioFrame->format = a->sample_fmt;
        s.audioFrame->sample_rate = a->sample_rate;
        av_channel_layout_copy(&s.audioFrame->ch_layout, &a->ch_layout);
        s.audioFrame->nb_samples = a->frame_size > 0 ? a->frame_size : 1024;
        if (av_frame_get_buffer(s.audioFrame, 0) < 0) {
            error = "out of memory";
            return false;
        }
    }

    const int rc = avformat_write_header(s.format, nullptr);
    if (rc < 0) {
        error = "cannot write \"" + s.settings.path + "\": " + avError(rc);
        return false;
    }
    s.startedAt = s.lastProgress = std::chrono::steady_clock::now();
    s.worker = std::thread([&s] { s.run(); });
    // A fatal stop or an interrupt exits the process from this thread: the
    // encoder thread is stopped before the partial file is removed.
    static State* active = nullptr;
    active = &s;
    gStopWorker = [] { active->stopWorker(true); };
    return true;
}

bool VideoEncoder::begun() const {
    return s_->begun;
}

void VideoEncoder::addReadBackTime(double seconds) {
    s_->readBackSeconds += seconds;
}

long VideoEncoder::framesWritten() const {
    return s_->submitted;
}

bool VideoEncoder::addFrame(const std::uint8_t* rgbBottomUp, int width, int height,
                            std::string& error) {
    State& s = *s_;
    if (width != s.settings.width || height != s.settings.height) {
        error = "the frame is " + std::to_string(width) + "x" + std::to_string(height) +
                ", the video " + std::to_string(s.settings.width) + "x" +
                std::to_string(s.settings.height);
        return false;
    }
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        const auto t0 = std::chrono::steady_clock::now();
        s.changed.wait(lock, [&s] { return s.failed || s.queue.size() < State::kQueueDepth; });
        s.waitSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (s.failed) {
            error = s.failure;
            return false;
        }
        std::vector<std::uint8_t> buffer;
        if (!s.spare.empty()) {
            buffer = std::move(s.spare.back());
            s.spare.pop_back();
        }
        const std::size_t size = static_cast<std::size_t>(width) * height * 3;
        buffer.assign(rgbBottomUp, rgbBottomUp + size);
        s.queue.push_back(std::move(buffer));
    }
    s.changed.notify_all();
    ++s.submitted;
    s.progress(false);
    return true;
}

// Whether the path still names the file the export opened, holding the
// `written` bytes (unknown when negative): a folder removed or renamed while
// the export ran takes the file with it, and success would be a lie.
bool VideoEncoder::fileStillThere(const State& s, std::int64_t written, std::string& error) {
    struct stat now {};
    const std::string& path = s.settings.path;
    if (stat(path.c_str(), &now) != 0) {
        error = "\"" + path +
                "\" is gone: its folder was removed or renamed while the export "
                "ran, and the video with it";
        return false;
    }
    if (now.st_dev != s.fileDevice || now.st_ino != s.fileInode) {
        error = "\"" + path +
                "\" is no longer the file the export wrote: it was moved or "
                "replaced while the export ran";
        return false;
    }
    if (written >= 0 && std::int64_t(now.st_size) != written) {
        error = "\"" + path + "\" holds " + std::to_string(now.st_size) +
                " bytes, but the "
                "export wrote " +
                std::to_string(written);
        return false;
    }
    return true;
}

bool VideoEncoder::finish(std::string& error) {
    State& s = *s_;
    s.stopWorker(false);
    if (s.failed) {
        error = s.failure;
        abandon();
        return false;
    }
    const auto t0 = std::chrono::steady_clock::now();
    bool ok = (s.audio ? s.pumpAudio(s.audioTarget(), true, error) : true) &&
              s.encode(s.video, s.videoStream, nullptr, error) &&
              (!s.audio || s.encode(s.audio, s.audioStream, nullptr, error));
    std::int64_t written = -1;
    if (ok) {
        const int rc = av_write_trailer(s.format);
        if (rc >= 0) written = avio_size(s.format->pb);
        const int closed = avio_closep(&s.format->pb);
        if (rc < 0 || closed < 0) {
            error = "cannot write \"" + s.settings.path + "\": " + avError(rc < 0 ? rc : closed);
            ok = false;
        }
    }
    if (ok && s.checkFile && !fileStillThere(s, written, error)) {
        // Whatever the path names now is not ours to remove.
        keepPartialFile();
        ok = false;
    }
    if (!ok) {
        abandon();
        return false;
    }
    s.encodeSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    s.progress(true);
    s.open = false;
    keepPartialFile();
    gStopWorker = nullptr;
    return true;
}

void VideoEncoder::abandon() {
    s_->stopWorker(true);
    gStopWorker = nullptr;
    // What the caller reports next starts on a line of its own.
    if (s_->progressShown) std::fputc('\n', stderr);
    s_->progressShown = false;
    setStatusLineOpen(false);
    if (s_->format && s_->format->pb) avio_closep(&s_->format->pb);
    s_->open = false;
    removePartialFile();
}
