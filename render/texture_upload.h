#pragma once
#include "assets/texture_prep.h"

#include <string>

// Decodes the picture file at `path` (JPEG, or PNG, BMP or TGA by its
// ending), uploads it as a mipmapped texture and registers it under the file
// name (the path without "data/") at the front of the registry.
void loadTexture(std::string path, bool, bool);
// The same, registered at registry index `index`.
void loadTextureAt(const std::string& path, int index);

// On the GL thread: follows the preparation of `prepared`, which may still be
// going on on another thread, uploading the chain's rows as they become final;
// then reports what preparing found and registers the texture as loadTexture
// does (or deletes it when the picture failed after all). A picture decoded
// whole (no mip chain) is registered at `index`, a chain at the front.
void uploadTexture(const std::string& path, PreparedTexture& prepared, int index = 0);

// The context's GL_MAX_TEXTURE_SIZE (GL thread).
int maxTextureSize();

// Releases every registered asset (reloads and tests; the show never calls it).
void gfxClear();
