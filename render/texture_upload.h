#pragma once
#include "assets/texture_prep.h"

#include <string>

// Decodes the JPEG file at `path`, uploads it as a mipmapped texture and
// registers it under the file name (the path without "data/").
void loadTexture(std::string path, bool, bool);

// On the GL thread: reports what preparing found, then uploads the texture
// and registers it as loadTexture does.
void uploadTexture(const std::string& path, PreparedTexture& prepared);

// The context's GL_MAX_TEXTURE_SIZE (GL thread).
int maxTextureSize();

// Releases every registered asset (reloads and tests; the show never calls it).
void gfxClear();
