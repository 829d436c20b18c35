#include "assets/file_checks.h"

#include "assets/gfx.h"
#include "assets/jpeg_orientation.h"
#include "assets/music_decode.h"
#include "base/text.h"

#include <cstring>
#include <string>

namespace {

std::string quotedName(const std::string& name) {
    return "'" + name + "'";
}

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

// A name of `limit` characters or fewer from `name`: its stem shortened, its
// ending kept.
std::string fittingName(const std::string& name, size_t limit) {
    const size_t dot = name.rfind('.');
    const std::string ending = dot == std::string::npos ? "" : name.substr(dot);
    const std::string stem = name.substr(0, dot);
    if (name.size() <= limit) return name;
    return stem.substr(0, limit > ending.size() ? limit - ending.size() : 1) + ending;
}

// Models whose own texture is not loaded: they draw without it, in white.
void checkModelTextures(const ShowFiles& files, std::vector<Diagnostic>& out) {
    for (object_type* o = gfx.objects; o; o = o->next) {
        const size_t stored = strnlen(o->textureName, sizeof o->textureName);
        const std::string texture(o->textureName, stored);
        if (texture.empty() || ownTextureId(*o) >= 0) continue;
        std::string message = "the model's texture '" + texture + "'" +
                              " is not loaded, so the model draws white (untextured): ";
        if (stored == sizeof o->textureName) {
            // The field holds 20 bytes and no end: the model was written with
            // a longer name, which no file can match.
            std::string longer; // the file whose name begins with the stored bytes
            for (const ShowFile& f : files.files)
                if (f.name.size() > stored && lowered(f.name.substr(0, stored)) == lowered(texture))
                    longer = f.name;
            const std::string fits =
                fittingName(longer.empty() ? texture.substr(0, texture.rfind('.')) + ".jpg" : longer, 19);
            message = "the model's texture is stored as '" + texture +
                      "', the first 20 bytes of a longer name" +
                      (longer.empty() ? "" : " (" + longer + "?)") +
                      ", so no picture matches it and the model draws white (untextured): the model's "
                      "texture name holds 19 characters at most; name the picture " +
                      quotedName(fits) +
                      " in data/ and in the model's material, or give the commands "
                      "that draw it 'mask " +
                      fits + "'";
            warn(out, "data/" + o->name, message);
            continue;
        }
        const size_t dot = texture.rfind('.');
        const std::string ending = dot == std::string::npos ? "" : lowered(texture.substr(dot));
        std::string onDisk; // a file of that name, whatever its case
        for (const ShowFile& f : files.files)
            if (lowered(f.name) == lowered(texture)) onDisk = f.name;
        const std::string jpeg = texture.substr(0, dot) + ".jpg";
        const std::string png = texture.substr(0, dot) + ".png";
        const std::string mask =
            ", or give the commands that draw it 'mask " + (ending == ".jpg" ? jpeg : texture) + "'";
        if (ending == ".jpeg")
            message += "only pictures ending in .jpg or .JPG are loaded; rename the file data/" + jpeg +
                       " and name that file in the model's material" + mask;
        else if (ending != ".jpg" && ending != ".png" && ending != ".bmp" && ending != ".tga")
            message += "only JPEG, PNG, BMP and TGA pictures are loaded; convert the picture to PNG as "
                       "data/" +
                       png +
                       " and name that file in the model's material, or give the commands that draw "
                       "it 'mask " +
                       png + "'";
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
                 "), but the show draws it as stored: turn the file " +
                 "itself, e.g. 'jpegtran -copy none -trim " + orientationTransform(o) + " " + path +
                 " > upright.jpg', and use that file in its place");
    }
}

} // namespace

void checkShowFiles(const ShowFiles& files, std::vector<Diagnostic>& out) {
    checkFiles(files, out);
    checkModelTextures(files, out);
    checkOrientation(out);
}
