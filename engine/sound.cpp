#include "engine/sound.h"

#include "base/config.h"
#include "base/file_read.h"
#include "base/file_stamp.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <unistd.h>
#include <vector>

#ifdef TAMARACK_HAVE_OPENMPT
#include <libopenmpt/libopenmpt.h>
#endif

CSound sound;

// Far more than any module's samples take.
constexpr uint64_t kMaxModuleBytes = 512'000'000;

namespace {

// A file's identity for the reload check: path, size and modification time
// to the finest step the system keeps; empty when it cannot be read.
std::string fileSignature(const std::string& file) {
    const std::string stamp = fileStamp(file);
    return stamp.empty() ? stamp : file + "|" + stamp;
}

bool isModule(const std::string& file) {
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = file.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "xm" || ext == "it" || ext == "mod" || ext == "s3m";
}

#ifdef TAMARACK_HAVE_OPENMPT
// The module decoder shared with SDL_mixer's audio thread through the music
// hook; every access holds the lock.
struct ModuleDecoder {
    std::mutex lock;
    openmpt_module* module = nullptr;
    int rate = MIX_DEFAULT_FREQUENCY;
    int channels = 2;
    bool running = false; // false: the hook writes silence
    bool ended = false;   // the module has played to its end
    std::vector<int16_t> scratch;
};
ModuleDecoder decoder;

void SDLCALL feedModule(void*, Uint8* stream, int len) {
    std::lock_guard<std::mutex> guard(decoder.lock);
    // SDL_mixer has already filled the stream with silence.
    if (!decoder.module || !decoder.running) return;
    const int channels = decoder.channels;
    const size_t frames = static_cast<size_t>(len) / (sizeof(int16_t) * static_cast<size_t>(channels));
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    size_t got = 0;
    if (channels == 1) {
        got = openmpt_module_read_mono(decoder.module, decoder.rate, frames, out);
    } else if (channels == 2) {
        got = openmpt_module_read_interleaved_stereo(decoder.module, decoder.rate, frames, out);
    } else if (channels == 4) {
        got = openmpt_module_read_interleaved_quad(decoder.module, decoder.rate, frames, out);
    } else {
        decoder.scratch.resize(frames * 2);
        got = openmpt_module_read_interleaved_stereo(decoder.module, decoder.rate, frames,
                                                     decoder.scratch.data());
        for (size_t i = 0; i < got; ++i) {
            out[i * channels] = decoder.scratch[i * 2];
            out[i * channels + 1] = decoder.scratch[i * 2 + 1];
        }
    }
    if (got < frames) decoder.ended = true;
}
#endif

// The music as the listener hears it. Each buffer the device is handed begins
// to sound once the one before it has played: at the callback that fills it,
// the listener hears the music where that buffer begins, and the buffer is
// what the device still holds. The callback stamps that position with the
// system clock's ticks; so do start, seek, pause and resume, which the main
// thread makes holding the device's lock, so that no buffer falls between a
// seek and its stamp.
struct HeardMusic {
    // Under the device's lock.
    SDL_AudioDeviceID device = 0; // the device SDL_mixer opened; 0: unknown
    int rate = MIX_DEFAULT_FREQUENCY;
    int frameBytes = 4;
    int64_t base = 0;    // the music's frame at the last start or seek
    int64_t counted = 0; // frames of music handed to the device since then

    // The last stamp, read by the main thread without a lock: a sequence
    // count, odd while a stamp is written.
    std::atomic<uint32_t> seq{0};
    std::atomic<bool> sounding{false};
    std::atomic<int64_t> at{0}, span{0}; // frames
    std::atomic<uint32_t> tick{0};

    void stamp(bool moving, int64_t atFrame, int64_t spanFrames) {
        const uint32_t n = seq.load(std::memory_order_relaxed);
        seq.store(n + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        sounding.store(moving, std::memory_order_relaxed);
        at.store(atFrame, std::memory_order_relaxed);
        span.store(spanFrames, std::memory_order_relaxed);
        tick.store(SDL_GetTicks(), std::memory_order_relaxed);
        seq.store(n + 2, std::memory_order_release);
    }
    void stampHere(bool moving) { stamp(moving, base + counted, 0); }
};
HeardMusic heard;

// Holds the audio device's lock: the callback does not run meanwhile.
struct DeviceLock {
    DeviceLock() {
        if (heard.device) SDL_LockAudioDevice(heard.device);
    }
    ~DeviceLock() {
        if (heard.device) SDL_UnlockAudioDevice(heard.device);
    }
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;
};

// Whether the music advanced in the buffer just mixed.
bool musicMoving() {
#ifdef TAMARACK_HAVE_OPENMPT
    {
        std::lock_guard<std::mutex> guard(decoder.lock);
        if (decoder.module) return decoder.running && !decoder.ended;
    }
#endif
    return Mix_PlayingMusic() && !Mix_PausedMusic();
}

// SDL_mixer's last step of every buffer, on the audio thread.
void SDLCALL countHeard(void*, Uint8*, int len) {
    const int64_t frames = len / heard.frameBytes;
    if (!musicMoving()) {
        if (heard.sounding.load(std::memory_order_relaxed)) heard.stampHere(false);
        return;
    }
    const int64_t at = heard.base + heard.counted;
    heard.counted += frames;
    heard.stamp(true, at, frames);
}

// Opens the audio device with the audio library's own complaints held back
// (ALSA prints a screenful when there is no sound card); when it cannot be
// opened, one line says so and the show goes on without music.
void openDevice() {
    std::fflush(stderr);
    const int saved = dup(2);
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (saved >= 0 && quiet >= 0) dup2(quiet, 2);
    bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (ok) {
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_MOD);
        ok = Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) == 0;
    }
    if (ok) {
        int rate = 0, channels = 0;
        Uint16 format = 0;
        Mix_QuerySpec(&rate, &format, &channels);
        heard.rate = rate > 0 ? rate : MIX_DEFAULT_FREQUENCY;
        heard.frameBytes = std::max(1, channels) * std::max(1, SDL_AUDIO_BITSIZE(format) / 8);
        // SDL_mixer keeps its device's id to itself; it is the one that plays.
        heard.device = 0;
        for (SDL_AudioDeviceID id = 1; id < 64 && !heard.device; ++id)
            if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING) heard.device = id;
        Mix_SetPostMix(countHeard, nullptr);
    }
    if (saved >= 0) {
        dup2(saved, 2);
        close(saved);
    }
    if (quiet >= 0) close(quiet);
    if (!ok)
        std::fprintf(stderr, "tamarack: no audio device could be opened (%s); the show plays without music\n",
                     SDL_GetError());
}

} // namespace

bool CSound::modulePlaying() const {
#ifdef TAMARACK_HAVE_OPENMPT
    std::lock_guard<std::mutex> guard(decoder.lock);
    return decoder.module != nullptr;
#else
    return false;
#endif
}

void CSound::init(const char* file) {
    path = file; // recorded even without sound, for the authoring modes
    if (!einit.soundOn) return;
    open(file);
}

void CSound::open(const char* file) {
    if (!system) {
        // The device is opened once; later music files reuse it.
        openDevice();
        system = true;
    }
    close(); // the last music file found is the one that plays
    openedSignature = fileSignature(file);
#ifdef TAMARACK_HAVE_OPENMPT
    if (isModule(file)) {
        std::string bytes, error; // the scan hands over regular files only; a bad one plays nothing
        if (!readRegularFile(file, kMaxModuleBytes, bytes, error)) bytes.clear();
        openmpt_module* module =
            bytes.empty()
                ? nullptr
                : openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (module) {
            // No dither: the same module gives the same samples in every
            // mode and every run.
            openmpt_module_ctl_set_integer(module, "dither", 0);
            int rate = 0, channels = 0;
            Uint16 format = 0;
            Mix_QuerySpec(&rate, &format, &channels);
            std::lock_guard<std::mutex> guard(decoder.lock);
            decoder.module = module;
            decoder.rate = rate > 0 ? rate : MIX_DEFAULT_FREQUENCY;
            decoder.channels = channels > 0 ? channels : 2;
            decoder.running = false;
        }
        return; // a module libopenmpt cannot read plays silence
    }
#endif
    music = Mix_LoadMUS(file); // null when it cannot be opened: the show stays silent
}

void CSound::close() {
    if (music) {
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        music = nullptr;
    }
#ifdef TAMARACK_HAVE_OPENMPT
    if (system) Mix_HookMusic(nullptr, nullptr);
    {
        std::lock_guard<std::mutex> guard(decoder.lock);
        if (decoder.module) openmpt_module_destroy(decoder.module);
        decoder.module = nullptr;
        decoder.running = false;
    }
#endif
    channel = false;
    openedSignature.clear();
    DeviceLock hold;
    heard.stampHere(false);
}

void CSound::play() {
    if (!einit.soundOn) return;
    DeviceLock hold;
    paused = false;
    heard.base = heard.counted = 0;
#ifdef TAMARACK_HAVE_OPENMPT
    if (modulePlaying()) {
        {
            std::lock_guard<std::mutex> guard(decoder.lock);
            decoder.running = true;
            decoder.ended = false;
        }
        Mix_HookMusic(feedModule, nullptr);
        channel = true;
        heard.stampHere(true);
        return;
    }
#endif
    if (!music) return;
    Mix_PlayMusic(music, 1); // once, not looped
    channel = true;
    heard.stampHere(musicMoving());
}

int32_t CSound::playFrom(int32_t ms) {
    if (!einit.soundOn) return ms;
    play();
    return ms > 0 ? seek(ms) : ms;
}

void CSound::pause() {
    if (!einit.soundOn) return;
    DeviceLock hold;
    paused = true;
#ifdef TAMARACK_HAVE_OPENMPT
    {
        std::lock_guard<std::mutex> guard(decoder.lock);
        decoder.running = false;
    }
#endif
    if (music) Mix_PauseMusic();
    heard.stampHere(false);
}

void CSound::resume() {
    if (!einit.soundOn) return;
    DeviceLock hold;
    paused = false;
#ifdef TAMARACK_HAVE_OPENMPT
    {
        std::lock_guard<std::mutex> guard(decoder.lock);
        if (decoder.module && channel) decoder.running = true;
    }
#endif
    if (music && channel) Mix_ResumeMusic();
    heard.stampHere(channel && musicMoving());
}

int32_t CSound::seek(int32_t ms) {
    if (!einit.soundOn) return ms;
    if (ms < 0) ms = 0;
    const double seconds = ms / 1000.0;
    DeviceLock hold;
    // The music heard from the next buffer on starts where the decoder
    // landed, which is not always the ms asked for (a decoder may seek to a
    // block or a whole second).
    auto landAt = [&](double at) {
        const int32_t landed = at >= 0 ? static_cast<int32_t>(at * 1000 + 0.5) : ms;
        heard.base = static_cast<int64_t>(landed) * heard.rate / 1000;
        heard.counted = 0;
        heard.stampHere(channel && musicMoving());
        return landed;
    };
#ifdef TAMARACK_HAVE_OPENMPT
    {
        std::unique_lock<std::mutex> guard(decoder.lock);
        if (decoder.module) {
            const double at = openmpt_module_set_position_seconds(decoder.module, seconds);
            decoder.ended = false;
            guard.unlock();
            return landAt(at);
        }
    }
#endif
    if (!music) return landAt(-1);
    // A track that has played to its end is started again before the seek.
    if (!Mix_PlayingMusic()) {
        Mix_PlayMusic(music, 1);
        channel = true;
    }
    if (Mix_SetMusicPosition(seconds) != 0 && ms == 0) Mix_RewindMusic();
    if (paused)
        Mix_PauseMusic();
    else
        Mix_ResumeMusic();
    return landAt(Mix_PlayingMusic() ? Mix_GetMusicPosition(music) : -1);
}

double CSound::position() const {
    if (!einit.soundOn) return -1;
#ifdef TAMARACK_HAVE_OPENMPT
    {
        std::lock_guard<std::mutex> guard(decoder.lock);
        if (decoder.module) return openmpt_module_get_position_seconds(decoder.module);
    }
#endif
    if (!music) return -1;
    return Mix_GetMusicPosition(music);
}

bool musicHeard(MusicStamp& s) {
    uint32_t n = 0;
    int64_t at = 0, span = 0;
    do {
        n = heard.seq.load(std::memory_order_acquire);
        if (n & 1) continue;
        s.sounding = heard.sounding.load(std::memory_order_relaxed);
        at = heard.at.load(std::memory_order_relaxed);
        span = heard.span.load(std::memory_order_relaxed);
        s.tick = heard.tick.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
    } while ((n & 1) || heard.seq.load(std::memory_order_relaxed) != n);
    s.ms = static_cast<int32_t>(at * 1000 / heard.rate);
    s.span = static_cast<int32_t>(span * 1000 / heard.rate);
    return s.sounding;
}

bool CSound::refresh(int32_t ms, bool pausedNow) {
    if (!einit.soundOn || path.empty()) return false;
    if (fileSignature(path) == openedSignature && !openedSignature.empty()) return false;
    open(path.c_str());
    playFrom(ms);
    if (pausedNow) pause();
    return true;
}

void CSound::exit() {
    if (!einit.soundOn) return;
    close();
    if (system) {
        Mix_CloseAudio();
        heard.device = 0;
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        system = false;
    }
}
