#pragma once
#include "assets/texture_prep.h"

#include <string>

// Decodes the JPEG file at `path`, uploads it as a mipmapped texture and
// registers it under the file name (the path without "data/").
void loadTexture(std::string path, bool, bool);

// On the GL thread: follows the preparation of `prepared`, which may still be
// going on on another thread, uploading the chain's rows as they become final;
// then reports what preparing found and registers the texture as loadTexture
// does (or deletes it when the picture failed after all).
void uploadTexture(const std::string& path, PreparedTexture& prepared);

// The context's GL_MAX_TEXTURE_SIZE (GL thread).
int maxTextureSize();

// Releases every registered asset (reloads and tests; the show never calls it).
void gfxClear();
