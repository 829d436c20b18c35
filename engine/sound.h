#pragma once
#include "base/music_clock.h"

#include <cstdint>
#include <string>

typedef struct _Mix_Music Mix_Music;

// The show's one music track, played through SDL_mixer. With einit.soundOn 0
// every operation returns at once without any audio call.
//
// A tracker module (XM, IT, MOD, S3M) is decoded by libopenmpt in every mode,
// with the same settings, and fed to SDL_mixer through its music hook: the
// live show plays what the authoring modes play, and a seek lands on the
// sample (SDL_mixer's own module player seeks only by pattern order). A
// module that libopenmpt cannot open plays silence. MP3 and Ogg files play
// through SDL_mixer's decoders.
class CSound {
  public:
    bool system = false;        // the audio device is open
    Mix_Music* music = nullptr; // the opened music file (SDL_mixer's decoders)
    bool channel = false;       // playback was started
    std::string path;           // the file that was opened last

    void init(const char* path);
    void play();
    void exit();

    // Starts playback at show time `ms` (play() when ms is 0). Returns the
    // show time the music stands at, as seek() does.
    int32_t playFrom(int32_t ms);
    // Pauses and resumes playback; seek keeps the paused state.
    void pause();
    void resume();
    // Sets the playback position to show time `ms`, restarting a track that
    // has already ended. Returns the show time the decoder landed on, which
    // may lie before ms (a decoder that seeks to a block or a whole second);
    // ms when there is no music or it cannot tell.
    int32_t seek(int32_t ms);
    // Playback position in seconds, -1 when no music is open or the decoder
    // cannot tell.
    double position() const;
    // After a rescan that set `path` (live reloads): when it names another file
    // or the file changed on disk, opens it and plays it from `ms` (paused
    // when `paused`). Returns whether it reopened the music.
    bool refresh(int32_t ms, bool paused);

    bool modulePlaying() const; // whether the libopenmpt path is in use

  private:
    void open(const char* file);
    void close();
    std::string openedSignature; // path, size and mtime of the open file
    bool paused = false;
};

extern CSound sound;

// The music as the listener hears it, for the show clock (timer.music): its
// position where the buffer the device was last handed begins, stamped with
// the ticks of that moment, and the length of that buffer. False while no
// music sounds (none, not started, paused, ended, no audio device). Takes no
// lock and allocates nothing.
bool musicHeard(MusicStamp& s);
