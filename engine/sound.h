#pragma once
#include <string>

typedef struct _Mix_Music Mix_Music;

// The show's one music track, streamed through SDL_mixer. With
// einit.soundOn 0 every operation returns at once without any audio call.
class CSound {
  public:
    bool system = false;        // the audio device is open
    Mix_Music* music = nullptr; // the opened music file
    bool channel = false;       // playback was started
    std::string path;           // the file that was opened last

    void init(const char* path);
    void play();
    void exit();
};

extern CSound sound;
