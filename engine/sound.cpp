#include "engine/sound.h"

#include "engine/config.h"

#include <SDL.h>
#include <SDL_mixer.h>

CSound sound;

void CSound::init(const char* file) {
    path = file; // recorded even without sound, for the authoring modes
    if (!einit.soundOn) return;
    if (!system) {
        // The device is opened once; later music files reuse it.
        SDL_InitSubSystem(SDL_INIT_AUDIO);
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_MOD);
        Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048);
        system = true;
    }
    if (music) Mix_FreeMusic(music); // the last music file found is the one that plays
    music = Mix_LoadMUS(file);       // null when it cannot be opened: the show stays silent
}

void CSound::play() {
    if (!einit.soundOn || !music) return;
    Mix_PlayMusic(music, 1); // once, not looped
    channel = true;
}

void CSound::exit() {
    if (!einit.soundOn) return;
    if (music) {
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        music = nullptr;
    }
    channel = false;
    if (system) {
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        system = false;
    }
}
