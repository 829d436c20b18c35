// tamarack-music_check FILE [SECONDS]: opens FILE with SDL_mixer's own
// decoders (as the show plays MP3 and Ogg; modules it decodes with
// libopenmpt), plays it for SECONDS (default 3) and prints what the mixer made of it:
//   type MOD|OGG|...
//   duration 76.80        (seconds, -1 when the decoder cannot tell)
//   level 0.123           (RMS of the mixed output, 0..1, once per second)
// Exit status 1 when the file cannot be opened or played. Run it with
// SDL_AUDIODRIVER=dummy where there is no sound card.
#include <SDL.h>
#include <SDL_mixer.h>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
std::atomic<double> sumSquares{0};
std::atomic<long> count{0};

void SDLCALL measure(void*, Uint8* stream, int len) {
    const Sint16* s = reinterpret_cast<const Sint16*>(stream);
    double sum = 0;
    for (int i = 0; i < len / 2; ++i)
        sum += static_cast<double>(s[i]) * s[i];
    sumSquares = sumSquares + sum;
    count += len / 2;
}

const char* typeName(Mix_MusicType t) {
    switch (t) {
    case MUS_MOD:
        return "MOD";
    case MUS_OGG:
        return "OGG";
    case MUS_MP3:
        return "MP3";
    case MUS_WAV:
        return "WAV";
    case MUS_FLAC:
        return "FLAC";
    case MUS_MID:
        return "MID";
    case MUS_OPUS:
        return "OPUS";
    default:
        return "other";
    }
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: tamarack-music_check FILE [SECONDS]\n");
        return 2;
    }
    const int seconds = argc == 3 ? std::atoi(argv[2]) : 3;
    if (SDL_Init(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        std::fprintf(stderr, "tamarack-music_check: cannot open audio: %s\n", SDL_GetError());
        return 1;
    }
    Mix_Init(MIX_INIT_MOD | MIX_INIT_OGG);
    Mix_Music* music = Mix_LoadMUS(argv[1]);
    if (!music) {
        std::fprintf(stderr, "tamarack-music_check: cannot open %s: %s\n", argv[1], Mix_GetError());
        return 1;
    }
    std::printf("type %s\n", typeName(Mix_GetMusicType(music)));
    std::printf("duration %.2f\n", Mix_MusicDuration(music));
    Mix_SetPostMix(measure, nullptr);
    if (Mix_PlayMusic(music, 0) != 0) {
        std::fprintf(stderr, "tamarack-music_check: cannot play %s: %s\n", argv[1], Mix_GetError());
        return 1;
    }
    for (int s = 0; s < seconds; ++s) {
        sumSquares = 0;
        count = 0;
        SDL_Delay(1000);
        const long n = count;
        std::printf("level %.3f\n", n ? std::sqrt(sumSquares / n) / 32768.0 : 0.0);
        std::fflush(stdout);
    }
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
    return 0;
}
