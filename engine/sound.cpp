#include "engine/sound.h"

// PLACEHOLDER: music lands with the assets work.
CSound sound;
void CSound::init(const char*) {}
void CSound::play() {}
void CSound::exit() {}
