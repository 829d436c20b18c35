// Offline music decoding, in this order:
//   musicKind          the decoder a file's ending selects
//   FfmpegSource       MP3 and Ogg Vorbis through FFmpeg: opening with the reason for a
//                      refusal, decoding, resampling to the caller's rate, mono doubled
//   ModuleSource       tracker modules through libopenmpt, as the live show plays them
//   MusicDecoder       open, read, seek (from the start when going back), close
//   decodeMusic        a whole file into memory
#include "assets/music_decode.h"

#include "base/file_read.h"
#include "base/text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

#ifdef TAMARACK_HAVE_OPENMPT
#include <libopenmpt/libopenmpt.h>
#endif

MusicKind musicKind(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == "xm" || ext == "it" || ext == "mod" || ext == "s3m") return MusicKind::Module;
    if (ext == "mp3") return MusicKind::Mp3;
    if (ext == "ogg") return MusicKind::Ogg;
    return MusicKind::None;
}

// One decoder library behind MusicDecoder: opened once, read to its end.
struct MusicDecoder::Source {
    virtual ~Source() = default;
    virtual bool open(const std::string& path, int rate, std::string& error) = 0;
    virtual size_t read(float* out, size_t frames) = 0;
    virtual double duration() const = 0;
};

namespace {

// FFmpeg's own log lines stay out of the program's output: every failure
// is reported through the callers' messages.
void quietFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// "an Opus stream", "a FLAC stream": what a refused file holds, in words.
std::string streamName(AVCodecID id) {
    switch (id) {
    case AV_CODEC_ID_OPUS:
        return "an Opus stream";
    case AV_CODEC_ID_VORBIS:
        return "an Ogg Vorbis stream";
    case AV_CODEC_ID_MP3:
        return "an MP3 stream";
    case AV_CODEC_ID_MP2:
        return "an MPEG layer II stream";
    case AV_CODEC_ID_MP1:
        return "an MPEG layer I stream";
    case AV_CODEC_ID_FLAC:
        return "a FLAC stream";
    case AV_CODEC_ID_SPEEX:
        return "a Speex stream";
    case AV_CODEC_ID_AAC:
        return "an AAC stream";
    default:
        break;
    }
    const std::string name = avcodec_get_name(id);
    if (name.compare(0, 4, "pcm_") == 0) return "an uncompressed PCM stream";
    return "a stream of the codec '" + name + "'";
}

class FfmpegSource : public MusicDecoder::Source {
  public:
    explicit FfmpegSource(MusicKind kind) : kind(kind) {}
    ~FfmpegSource() override {
        swr_free(&swr);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    bool open(const std::string& path, int rate, std::string& error) override {
        outRate = rate;
        quietFfmpeg();
        int r = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
        if (r >= 0) r = avformat_find_stream_info(format, nullptr);
        if (r == AVERROR_INVALIDDATA || r == AVERROR_EOF || r == AVERROR(EINVAL)) {
            error = std::string("it is no ") + (kind == MusicKind::Mp3 ? "MP3" : "Ogg Vorbis") +
                    " file FFmpeg can read (" + avError(r) + ")";
            return false;
        }
        if (r < 0) {
            error = avError(r);
            return false;
        }
        // The first stream of the kind the ending promises; failing that,
        // the audio stream FFmpeg would pick, to name what the file holds.
        const AVCodecID wanted = kind == MusicKind::Mp3 ? AV_CODEC_ID_MP3 : AV_CODEC_ID_VORBIS;
        for (unsigned i = 0; i < format->nb_streams && stream < 0; ++i)
            if (format->streams[i]->codecpar->codec_id == wanted) stream = static_cast<int>(i);
        if (stream < 0) {
            const int best = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
            if (best < 0) {
                error = "it holds no audio stream";
                return false;
            }
            const std::string what = streamName(format->streams[best]->codecpar->codec_id);
            error = kind == MusicKind::Mp3 ? "it holds " + what +
                                                 ", not MP3 (MPEG layer III): convert it, e.g. ffmpeg -i IN "
                                                 "-c:a libmp3lame OUT.mp3"
                                           : "it holds " + what +
                                                 ", not Ogg Vorbis: convert it, e.g. ffmpeg -i IN -c:a "
                                                 "libvorbis OUT.ogg";
            return false;
        }
        AVStream* st = format->streams[stream];
        const AVCodec* decoder = avcodec_find_decoder(st->codecpar->codec_id);
        if (!decoder) {
            error = "FFmpeg has no decoder for " + streamName(st->codecpar->codec_id);
            return false;
        }
        codec = avcodec_alloc_context3(decoder);
        packet = av_packet_alloc();
        frame = av_frame_alloc();
        if (!codec || !packet || !frame) {
            error = avError(AVERROR(ENOMEM));
            return false;
        }
        r = avcodec_parameters_to_context(codec, st->codecpar);
        if (r >= 0) r = avcodec_open2(codec, decoder, nullptr);
        if (r < 0) {
            error = avError(r);
            return false;
        }
        length = st->duration != AV_NOPTS_VALUE       ? st->duration * av_q2d(st->time_base)
                 : format->duration != AV_NOPTS_VALUE ? static_cast<double>(format->duration) / AV_TIME_BASE
                                                      : 0.0;
        return true;
    }

    size_t read(float* out, size_t frames) override {
        size_t done = 0;
        while (done < frames) {
            if (first < last) {
                const size_t n = std::min(frames - done, last - first);
                const float* in = pending.data() + first * channels;
                float* o = out + done * 2;
                if (channels == 2) {
                    std::copy(in, in + n * 2, o);
                } else {
                    for (size_t i = 0; i < n; ++i)
                        o[i * 2] = o[i * 2 + 1] = in[i];
                }
                first += n;
                done += n;
            } else if (!refill()) {
                break;
            }
        }
        return done;
    }

    double duration() const override { return length; }

  private:
    // Decodes until converted frames are pending; false at the end. A block
    // the decoder rejects is skipped, as players do; a read error ends the
    // stream.
    bool refill() {
        first = last = 0;
        while (!done) {
            const int r = avcodec_receive_frame(codec, frame);
            if (r == 0) {
                const bool ok = convert(frame);
                av_frame_unref(frame);
                if (!ok) break;
                if (last > 0) return true;
            } else if (r == AVERROR(EAGAIN) && !draining) {
                if (av_read_frame(format, packet) < 0) {
                    draining = true;
                    avcodec_send_packet(codec, nullptr);
                } else {
                    if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
                    av_packet_unref(packet);
                }
            } else if (r == AVERROR_EOF || r == AVERROR(EAGAIN) || ++failures > 64) {
                break; // drained, or the stream is beyond repair
            }
        }
        // The resampler's last samples, once.
        if (!done) {
            done = true;
            if (swr) convert(nullptr);
        }
        return last > 0;
    }

    // Resamples one decoded frame (null: the resampler's tail) into pending.
    bool convert(const AVFrame* in) {
        if (in && !matches(in) && !setUp(in)) return false;
        const int inFrames = in ? in->nb_samples : 0;
        const int room = swr_get_out_samples(swr, inFrames);
        if (room <= 0) return true;
        const size_t need = static_cast<size_t>(room) * channels;
        if (pending.size() < need) pending.resize(need); // grows only while blocks get larger
        uint8_t* dst = reinterpret_cast<uint8_t*>(pending.data());
        const int got = swr_convert(swr, &dst, room,
                                    in ? const_cast<const uint8_t**>(in->extended_data) : nullptr, inFrames);
        last = got > 0 ? static_cast<size_t>(got) : 0;
        return got >= 0;
    }

    bool matches(const AVFrame* in) const {
        return swr && in->format == inFormat && in->sample_rate == inRate &&
               in->ch_layout.nb_channels == inChannels;
    }

    // A mono file stays mono through the resampler and is doubled on the
    // way out (both loudspeakers at full level, as SDL_mixer plays it); more
    // channels are mixed down to stereo.
    bool setUp(const AVFrame* in) {
        swr_free(&swr);
        inFormat = in->format;
        inRate = in->sample_rate;
        inChannels = in->ch_layout.nb_channels;
        channels = inChannels == 1 ? 1 : 2;
        AVChannelLayout inLayout{}, outLayout{};
        if (in->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&inLayout, inChannels);
        else
            av_channel_layout_copy(&inLayout, &in->ch_layout);
        av_channel_layout_default(&outLayout, channels);
        int r = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLT, outRate, &inLayout,
                                    static_cast<AVSampleFormat>(inFormat), inRate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        if (r >= 0) r = swr_init(swr);
        if (r < 0) swr_free(&swr);
        // Room for the largest blocks of MP3 and Vorbis at any rate, so that
        // reading allocates nothing after the first block.
        const size_t room = (8192 + static_cast<size_t>(outRate) / 4) * static_cast<size_t>(channels);
        if (pending.size() < room) pending.resize(room);
        return swr != nullptr;
    }

    MusicKind kind;
    int outRate = 0;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwrContext* swr = nullptr;
    int stream = -1;
    double length = 0;
    bool draining = false, done = false;
    int failures = 0; // blocks the decoder rejected
    int inFormat = -1, inRate = 0, inChannels = 0;
    int channels = 2;           // of pending: 1 or 2
    std::vector<float> pending; // converted frames [first, last)
    size_t first = 0, last = 0;
};

#ifdef TAMARACK_HAVE_OPENMPT
// libopenmpt with the settings of the live show's module playback: played
// once, its defaults but for dither (off).
// Far more than any module's samples take.
constexpr uint64_t kMaxModuleBytes = 512'000'000;

class ModuleSource : public MusicDecoder::Source {
  public:
    ~ModuleSource() override {
        if (module) openmpt_module_destroy(module);
    }

    bool open(const std::string& path, int rate, std::string& error) override {
        outRate = rate;
        std::string bytes;
        if (!readRegularFile(path, kMaxModuleBytes, bytes, error)) return false;
        int code = 0;
        const char* message = nullptr;
        module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                    nullptr, nullptr, nullptr, &code, &message, nullptr);
        if (!module) {
            const char* why = message && *message ? message : openmpt_error_string(code);
            error =
                std::string("it is no module libopenmpt can read (") + (why ? why : "unknown error") + ")";
            if (why != message) openmpt_free_string(why);
        }
        openmpt_free_string(message);
        // As the live show sets it; dither touches only integer samples,
        // so the float samples here are the live ones before rounding.
        if (module) openmpt_module_ctl_set_integer(module, "dither", 0);
        return module != nullptr;
    }

    size_t read(float* out, size_t frames) override {
        return openmpt_module_read_interleaved_float_stereo(module, outRate, frames, out);
    }

    double duration() const override { return openmpt_module_get_duration_seconds(module); }

  private:
    openmpt_module* module = nullptr;
    int outRate = 0;
};
#endif

std::unique_ptr<MusicDecoder::Source> makeSource(MusicKind kind) {
    if (kind == MusicKind::Mp3 || kind == MusicKind::Ogg) return std::make_unique<FfmpegSource>(kind);
#ifdef TAMARACK_HAVE_OPENMPT
    if (kind == MusicKind::Module) return std::make_unique<ModuleSource>();
#endif
    return nullptr;
}

const size_t scratchFrames = 4096;

} // namespace

MusicDecoder::MusicDecoder() = default;
MusicDecoder::~MusicDecoder() = default;

bool MusicDecoder::open(const std::string& file, int rate, std::string& error) {
    close();
    if (rate < 8000 || rate > 192000) {
        error = "the rate " + std::to_string(rate) + " Hz is not between 8000 and 192000";
        return false;
    }
    if (const std::string what = notRegularFile(file); !what.empty()) {
        error = "it is " + what + ", not a regular file"; // a FIFO would block the decoder
        return false;
    }
    path = file;
    kind = musicKind(file);
    sampleRate = rate;
    if (!reopen(error)) {
        close();
        return false;
    }
    scratch.resize(scratchFrames * 2);
    return true;
}

bool MusicDecoder::reopen(std::string& error) {
    source = makeSource(kind);
    pos = 0;
    if (!source) {
        error = kind == MusicKind::Module ? "this build has no module decoder (libopenmpt)"
                                          : "only .mp3, .ogg, .xm, .it, .mod and .s3m files are music";
        return false;
    }
    if (source->open(path, sampleRate, error)) return true;
    source.reset();
    return false;
}

size_t MusicDecoder::read(float* interleavedStereo, size_t frames) {
    if (!source || frames == 0) return 0;
    const size_t n = source->read(interleavedStereo, frames);
    pos += static_cast<int64_t>(n);
    return n;
}

bool MusicDecoder::seek(double seconds) {
    if (!source) return false;
    const int64_t target = std::max<int64_t>(0, std::llround(seconds * sampleRate));
    std::string error;
    if (target < pos && !reopen(error)) return false;
    while (pos < target) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(scratchFrames, target - pos));
        if (read(scratch.data(), n) == 0) break;
    }
    return true;
}

double MusicDecoder::duration() const {
    return source ? source->duration() : 0.0;
}

bool MusicDecoder::isOpen() const {
    return source != nullptr;
}

void MusicDecoder::close() {
    source.reset();
    pos = 0;
}

bool decodeMusic(const std::string& path, int rate, std::vector<float>& samples, std::string& error) {
    MusicDecoder decoder;
    samples.clear();
    if (!decoder.open(path, rate, error)) return false;
    samples.reserve(static_cast<size_t>(std::max(0.0, decoder.duration()) * rate + rate) * 2);
    size_t got = 0;
    do {
        const size_t at = samples.size();
        samples.resize(at + scratchFrames * 2);
        got = decoder.read(samples.data() + at, scratchFrames);
        samples.resize(at + got * 2);
    } while (got > 0);
    return true;
}
