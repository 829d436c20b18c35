#include "export/video_writer.h"

#include "base/output_file.h"
#include "base/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

VideoFormat videoFormat(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == "mp4") return VideoFormat::Mp4;
    if (ext == "mkv") return VideoFormat::Mkv;
    if (ext == "webm") return VideoFormat::WebM;
    return VideoFormat::None;
}

namespace {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

void quietFfmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// One encoder and the stream it feeds.
struct Track {
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    int64_t next = 0; // pts of the next frame, in the codec's time base

    ~Track() {
        av_frame_free(&frame);
        avcodec_free_context(&codec);
    }
};

// FFmpeg writes the file through these, to the temporary file of an
// OutputFile; seeking back is needed for the MP4 index.
#if LIBAVFORMAT_VERSION_MAJOR < 61
using PacketBytes = uint8_t*;
#else
using PacketBytes = const uint8_t*;
#endif

int writeBytes(void* opaque, PacketBytes bytes, int size) {
    OutputFile* out = static_cast<OutputFile*>(opaque);
    if (std::fwrite(bytes, 1, static_cast<size_t>(size), out->stream()) == static_cast<size_t>(size))
        return size;
    const int err = errno;
    out->fail(err);
    return AVERROR(err);
}

int64_t seekBytes(void* opaque, int64_t offset, int whence) {
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) return -1; // not known while writing
    const int64_t at = seekFile(static_cast<OutputFile*>(opaque)->stream(), offset, whence);
    return at < 0 ? AVERROR(errno) : at;
}

const int ioBufferSize = 1 << 16;

} // namespace

struct VideoWriter::Impl {
    OutputFile out; // the file under its temporary name until close()
    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    Track video, audio;
    bool withAudio = false;
    SwsContext* sws = nullptr;
    AVPacket* packet = nullptr;
    int width = 0, height = 0;
    int filled = 0; // samples waiting in audio.frame
    bool flushed = false;

    // The temporary file, if still there, goes with `out`.
    ~Impl() {
        sws_freeContext(sws);
        av_packet_free(&packet);
        avformat_free_context(format);
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }

    bool openFile(const std::string& path, std::string& error) {
        if (!out.open(path, error)) return false;
        uint8_t* buffer = static_cast<uint8_t*>(av_malloc(ioBufferSize));
        io = buffer ? avio_alloc_context(buffer, ioBufferSize, 1, &out, nullptr, writeBytes, seekBytes)
                    : nullptr;
        if (!io) {
            av_free(buffer);
            return outOfMemory(error);
        }
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        return true;
    }

    bool addVideo(VideoFormat kind, int fps, std::string& error) {
        const bool vp9 = kind == VideoFormat::WebM;
        const AVCodec* codec = avcodec_find_encoder_by_name(vp9 ? "libvpx-vp9" : "libx264");
        if (!codec) {
            error =
                std::string("this FFmpeg has no ") + (vp9 ? "VP9 (libvpx)" : "H.264 (libx264)") + " encoder";
            return false;
        }
        AVCodecContext* c = video.codec = avcodec_alloc_context3(codec);
        if (!c) return outOfMemory(error);
        c->width = width;
        c->height = height;
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->time_base = AVRational{1, fps};
        c->framerate = AVRational{fps, 1};
        c->color_range = AVCOL_RANGE_MPEG;
        c->colorspace = AVCOL_SPC_SMPTE170M;
        c->thread_count = 0;
        if (vp9) {
            c->bit_rate = 0;
            av_opt_set(c->priv_data, "deadline", "realtime", 0);
            av_opt_set_int(c->priv_data, "cpu-used", 8, 0);
            av_opt_set_int(c->priv_data, "crf", 32, 0);
            av_opt_set_int(c->priv_data, "row-mt", 1, 0);
        } else {
            av_opt_set(c->priv_data, "preset", "veryfast", 0);
            av_opt_set(c->priv_data, "crf", "18", 0);
        }
        return openTrack(video, codec, error);
    }

    bool addAudio(VideoFormat kind, std::string& error) {
        const bool aac = kind == VideoFormat::Mp4;
        const AVCodec* codec = avcodec_find_encoder_by_name(aac ? "aac" : "libopus");
        if (!codec) {
            error = std::string("this FFmpeg has no ") + (aac ? "AAC" : "Opus (libopus)") + " encoder";
            return false;
        }
        AVCodecContext* c = audio.codec = avcodec_alloc_context3(codec);
        if (!c) return outOfMemory(error);
        c->sample_rate = audioRate;
        c->time_base = AVRational{1, audioRate};
        c->bit_rate = aac ? 192000 : 128000;
        av_channel_layout_default(&c->ch_layout, 2);
        // Planar or interleaved float, whichever the encoder takes.
        c->sample_fmt = AV_SAMPLE_FMT_NONE;
        for (const AVSampleFormat* f = codec->sample_fmts; f && *f != AV_SAMPLE_FMT_NONE; ++f)
            if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT) {
                c->sample_fmt = *f;
                break;
            }
        if (c->sample_fmt == AV_SAMPLE_FMT_NONE) {
            error = std::string("the ") + codec->name + " encoder takes no float samples";
            return false;
        }
        if (!openTrack(audio, codec, error)) return false;
        AVFrame* f = audio.frame;
        f->nb_samples = c->frame_size > 0 ? c->frame_size : 1024;
        f->format = c->sample_fmt;
        f->sample_rate = audioRate;
        av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
        const int r = av_frame_get_buffer(f, 0);
        if (r < 0) {
            error = avError(r);
            return false;
        }
        return true;
    }

    bool openTrack(Track& t, const AVCodec* codec, std::string& error) {
        if (format->oformat->flags & AVFMT_GLOBALHEADER) t.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        int r = avcodec_open2(t.codec, codec, nullptr);
        if (r < 0) {
            error = std::string("cannot open the ") + codec->name + " encoder: " + avError(r);
            return false;
        }
        t.stream = avformat_new_stream(format, nullptr);
        t.frame = av_frame_alloc();
        if (!t.stream || !t.frame) return outOfMemory(error);
        t.stream->time_base = t.codec->time_base;
        r = avcodec_parameters_from_context(t.stream->codecpar, t.codec);
        if (r < 0) {
            error = avError(r);
            return false;
        }
        return true;
    }

    static bool outOfMemory(std::string& error) {
        error = avError(AVERROR(ENOMEM));
        return false;
    }

    // Sends a frame (null: the end) and writes every packet the encoder has.
    bool encode(Track& t, AVFrame* frame, std::string& error) {
        int r = avcodec_send_frame(t.codec, frame);
        if (r < 0 && !(frame == nullptr && r == AVERROR_EOF)) {
            error = std::string("cannot encode: ") + avError(r);
            return false;
        }
        for (;;) {
            r = avcodec_receive_packet(t.codec, packet);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
            if (r < 0) {
                error = std::string("cannot encode: ") + avError(r);
                return false;
            }
            if (packet->duration == 0 && &t == &video) packet->duration = 1;
            av_packet_rescale_ts(packet, t.codec->time_base, t.stream->time_base);
            packet->stream_index = t.stream->index;
            r = av_interleaved_write_frame(format, packet); // takes the packet's data
            if (r >= 0 && format->pb->error < 0) r = format->pb->error;
            if (r < 0) {
                error = avError(r);
                return false;
            }
        }
    }

    bool sendAudio(int samples, std::string& error) {
        audio.frame->nb_samples = samples;
        audio.frame->pts = audio.next;
        audio.next += samples;
        filled = 0;
        return encode(audio, audio.frame, error);
    }
};

VideoWriter::VideoWriter() = default;

VideoWriter::~VideoWriter() {
    discard();
}

bool VideoWriter::open(const std::string& path, int width, int height, int fps, bool withAudio,
                       std::string& error) {
    discard();
    quietFfmpeg();
    const VideoFormat kind = videoFormat(path);
    if (kind == VideoFormat::None) {
        error = "a video file name ends in .mp4, .mkv or .webm";
        return false;
    }
    impl = std::make_unique<Impl>();
    Impl& w = *impl;
    w.width = width;
    w.height = height;
    w.withAudio = withAudio;
    const char* container = kind == VideoFormat::Mp4 ? "mp4" : kind == VideoFormat::Mkv ? "matroska" : "webm";
    int r = avformat_alloc_output_context2(&w.format, nullptr, container, path.c_str());
    if (r < 0) {
        error = avError(r);
        impl.reset();
        return false;
    }
    w.packet = av_packet_alloc();
    w.sws = sws_getContext(width, height, AV_PIX_FMT_RGB24, width, height, AV_PIX_FMT_YUV420P, SWS_BILINEAR,
                           nullptr, nullptr, nullptr);
    if (!w.packet || !w.sws) {
        error = avError(AVERROR(ENOMEM));
        impl.reset();
        return false;
    }
    if (!w.addVideo(kind, fps, error) || (withAudio && !w.addAudio(kind, error))) {
        impl.reset();
        return false;
    }
    w.video.frame->format = AV_PIX_FMT_YUV420P;
    w.video.frame->width = width;
    w.video.frame->height = height;
    r = av_frame_get_buffer(w.video.frame, 0);
    if (r < 0) {
        error = avError(r);
        impl.reset();
        return false;
    }
    if (!w.openFile(path, error)) {
        impl.reset();
        return false;
    }
    frames = 0;
    linkReplaced = false;
    videoName = avcodec_get_name(w.video.codec->codec_id);
    audioName = withAudio ? avcodec_get_name(w.audio.codec->codec_id) : "";
    r = avformat_write_header(w.format, nullptr);
    if (r < 0) {
        error = avError(r);
        discard();
        return false;
    }
    return true;
}

bool VideoWriter::writeFrame(const uint8_t* rgb, std::string& error) {
    if (!impl || impl->flushed) {
        error = "the video file is not open";
        return false;
    }
    Impl& w = *impl;
    AVFrame* f = w.video.frame;
    int r = av_frame_make_writable(f); // the encoder may still hold the last one
    if (r < 0) {
        error = avError(r);
        return false;
    }
    const uint8_t* src[1] = {rgb};
    const int stride[1] = {w.width * 3};
    sws_scale(w.sws, src, stride, 0, w.height, f->data, f->linesize);
    f->pts = w.video.next++;
    if (!w.encode(w.video, f, error)) return false;
    ++frames;
    return true;
}

bool VideoWriter::writeAudio(const float* stereo, size_t frames, std::string& error) {
    if (!impl || impl->flushed || !impl->withAudio) {
        error = "the video file has no open audio stream";
        return false;
    }
    Impl& w = *impl;
    AVFrame* f = w.audio.frame;
    const int size = w.audio.codec->frame_size > 0 ? w.audio.codec->frame_size : 1024;
    while (frames > 0) {
        if (w.filled == 0 && av_frame_make_writable(f) < 0) {
            error = avError(AVERROR(ENOMEM));
            return false;
        }
        const size_t n = std::min(frames, static_cast<size_t>(size - w.filled));
        if (f->format == AV_SAMPLE_FMT_FLT) {
            std::copy(stereo, stereo + n * 2, reinterpret_cast<float*>(f->data[0]) + w.filled * 2);
        } else {
            float* left = reinterpret_cast<float*>(f->data[0]) + w.filled;
            float* right = reinterpret_cast<float*>(f->data[1]) + w.filled;
            for (size_t i = 0; i < n; ++i) {
                left[i] = stereo[i * 2];
                right[i] = stereo[i * 2 + 1];
            }
        }
        w.filled += static_cast<int>(n);
        stereo += n * 2;
        frames -= n;
        if (w.filled == size && !w.sendAudio(size, error)) return false;
    }
    return true;
}

bool VideoWriter::close(std::string& error) {
    if (!impl) {
        error = "the video file is not open";
        return false;
    }
    Impl& w = *impl;
    w.flushed = true;
    bool ok = w.encode(w.video, nullptr, error);
    if (ok && w.withAudio) {
        // The last, shorter block; the encoder pads it and marks the padding.
        if (w.filled > 0) ok = av_frame_make_writable(w.audio.frame) >= 0 && w.sendAudio(w.filled, error);
        ok = ok && w.encode(w.audio, nullptr, error);
    }
    if (ok) {
        const int r = av_write_trailer(w.format);
        if (r < 0 || w.format->pb->error < 0) {
            error = avError(r < 0 ? r : w.format->pb->error);
            ok = false;
        }
    }
    if (ok) {
        avio_flush(w.io);
        if (w.io->error < 0) {
            error = avError(w.io->error);
            ok = false;
        }
    }
    // The file takes its name only now, whole.
    if (ok) ok = w.out.commit(error);
    if (!ok) {
        discard();
        return false;
    }
    linkReplaced = w.out.replacedLink();
    impl.reset();
    return true;
}

void VideoWriter::discard() {
    impl.reset();
}

bool VideoWriter::isOpen() const {
    return impl != nullptr;
}
