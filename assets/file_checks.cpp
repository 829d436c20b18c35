#include "assets/file_checks.h"

#include "assets/gfx.h"
#include "assets/jpeg_orientation.h"
#include "assets/music_decode.h"
#include "base/text.h"

#include <cstring>
#include <string>

namespace {

void warn(std::vector<Diagnostic>& out, const std::string& path, const std::string& message) {
    out.push_back(Diagnostic{Diagnostic::Warning, path, 0, message});
}

// Files the scan hands to no loader, and music files that never play or
// cannot be played.
void checkFiles(const ShowFiles& files, std::vector<Diagnostic>& out) {
    for (const ShowFile& f : files.files)
        if (f.kind == FileKind::Other && !f.why.empty())
            warn(out, "data/" + f.name, "data/" + f.name + " " + f.why);
    // The music that plays: the one file that our decoders must open.
    const std::string music = files.musicPath();
    MusicDecoder decoder;
    std::string why;
    if (!music.empty() && musicKind(music) != MusicKind::None && !decoder.open(music, 44100, why))
        out.push_back(Diagnostic{Diagnostic::Error, music, 0,
                                 "the music cannot be played, so the show runs silent: " + why +
                                     (why.find("convert") == std::string::npos
                                          ? "; replace it with an MP3, Ogg Vorbis, XM or IT file that plays"
                                          : "")});
    for (const ShowFile& f : files.files)
        if (f.kind == FileKind::Music && !f.loaded)
            warn(out, "data/" + f.name, "data/" + f.name + " " + f.why);
}

// Models whose own texture is not loaded: they draw without it, in white.
void checkModelTextures(const ShowFiles& files, std::vector<Diagnostic>& out) {
    for (object_type* o = gfx.objects; o; o = o->next) {
        const std::string texture(o->textureName, strnlen(o->textureName, sizeof o->textureName));
        if (texture.empty() || ownTextureId(*o) >= 0) continue;
        std::string message = "the model's texture '" + texture + "'" +
                              " is not loaded, so the model draws white (untextured): ";
        const size_t dot = texture.rfind('.');
        const std::string ending = dot == std::string::npos ? "" : lowered(texture.substr(dot));
        std::string onDisk; // a file of that name, whatever its case
        for (const ShowFile& f : files.files)
            if (lowered(f.name) == lowered(texture)) onDisk = f.name;
        const std::string jpeg = texture.substr(0, dot) + ".jpg";
        const std::string mask = ", or give the commands that draw it 'mask " + jpeg + "'";
        if (ending != ".jpg" && ending != ".jpeg")
            message += "only JPEG pictures are loaded; convert the picture to JPEG as data/" + jpeg +
                       " and name that file in the model's material" + mask;
        else if (!onDisk.empty())
            message += "data/" + onDisk + " is there but not loaded (see its message): mend or rename it";
        else
            message += "add the picture to data/ as " + texture + mask;
        warn(out, "data/" + o->name, message);
    }
}

// Pictures stored rotated or mirrored (phone photos): the show draws them as
// stored, whatever their EXIF orientation says.
void checkOrientation(std::vector<Diagnostic>& out) {
    for (const texture_type* t = gfx.textures; t; t = t->next) {
        const std::string path = "data/" + t->name;
        const int o = jpegOrientation(path);
        if (o < 2) continue;
        warn(out, path,
             "the picture's EXIF orientation is " + std::to_string(o) + " (" + orientationWords(o) +
                 "), but the show draws it as stored: turn the file " + "itself, e.g. 'jpegtran -copy none " +
                 orientationTransform(o) + " " + path + " > upright.jpg', and use that file in its place");
    }
}

} // namespace

void checkShowFiles(const ShowFiles& files, std::vector<Diagnostic>& out) {
    checkFiles(files, out);
    checkModelTextures(files, out);
    checkOrientation(out);
}
