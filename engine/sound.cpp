#include "engine/sound.h"

#include "base/config.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifdef TAMARACK_HAVE_OPENMPT
#include <libopenmpt/libopenmpt.h>
#endif

CSound sound;

namespace {

// A file's identity for the reload check: path, size and modification time
// to the nanosecond; empty when it cannot be read.
std::string fileSignature(const std::string& file) {
    struct stat st {};
    if (stat(file.c_str(), &st) != 0) return "";
    return file + "|" + std::to_string(st.st_size) + "|" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
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
    if (channels == 1) {
        openmpt_module_read_mono(decoder.module, decoder.rate, frames, out);
    } else if (channels == 2) {
        openmpt_module_read_interleaved_stereo(decoder.module, decoder.rate, frames, out);
    } else if (channels == 4) {
        openmpt_module_read_interleaved_quad(decoder.module, decoder.rate, frames, out);
    } else {
        decoder.scratch.resize(frames * 2);
        const size_t got = openmpt_module_read_interleaved_stereo(decoder.module, decoder.rate, frames,
                                                                  decoder.scratch.data());
        for (size_t i = 0; i < got; ++i) {
            out[i * channels] = decoder.scratch[i * 2];
            out[i * channels + 1] = decoder.scratch[i * 2 + 1];
        }
    }
}
#endif

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
        std::ifstream in(file, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
    std::lock_guard<std::mutex> guard(decoder.lock);
    if (decoder.module) openmpt_module_destroy(decoder.module);
    decoder.module = nullptr;
    decoder.running = false;
#endif
    channel = false;
    openedSignature.clear();
}

void CSound::play() {
    if (!einit.soundOn) return;
    paused = false;
#ifdef TAMARACK_HAVE_OPENMPT
    if (modulePlaying()) {
        {
            std::lock_guard<std::mutex> guard(decoder.lock);
            decoder.running = true;
        }
        Mix_HookMusic(feedModule, nullptr);
        channel = true;
        return;
    }
#endif
    if (!music) return;
    Mix_PlayMusic(music, 1); // once, not looped
    channel = true;
}

void CSound::playFrom(int32_t ms) {
    if (!einit.soundOn) return;
    if (ms <= 0) {
        play();
        return;
    }
    play();
    seek(ms);
}

void CSound::pause() {
    if (!einit.soundOn) return;
    paused = true;
#ifdef TAMARACK_HAVE_OPENMPT
    {
        std::lock_guard<std::mutex> guard(decoder.lock);
        decoder.running = false;
    }
#endif
    if (music) Mix_PauseMusic();
}

void CSound::resume() {
    if (!einit.soundOn) return;
    paused = false;
#ifdef TAMARACK_HAVE_OPENMPT
    {
        std::lock_guard<std::mutex> guard(decoder.lock);
        if (decoder.module && channel) decoder.running = true;
    }
#endif
    if (music && channel) Mix_ResumeMusic();
}

void CSound::seek(int32_t ms) {
    if (!einit.soundOn) return;
    if (ms < 0) ms = 0;
    const double seconds = ms / 1000.0;
#ifdef TAMARACK_HAVE_OPENMPT
    {
        std::lock_guard<std::mutex> guard(decoder.lock);
        if (decoder.module) {
            openmpt_module_set_position_seconds(decoder.module, seconds);
            return;
        }
    }
#endif
    if (!music) return;
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
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        system = false;
    }
}
