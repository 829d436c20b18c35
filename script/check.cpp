#include "script/check.h"
#include "script/names.h"

#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "assets/jpeg_orientation.h"
#include "assets/music_decode.h"
#include "script/script.h"
#include "script/suggest.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <set>

// The checks of --check: every problem of the loaded show with its place. What
// the loader and the asset scan found is reused as it stands; what only shows
// when the commands are read is found here by reading every command once, the
// way the interpreter will, without creating any scene.

namespace {

const char* const kScript = "data/script.txt";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        const size_t from = i;
        while (i < text.size() && !isBlank(text[i]))
            ++i;
        if (i > from) out.push_back(text.substr(from, i - from));
    }
    return out;
}

// The arguments of each keyword, as the interpreter reads them.
enum class Arg { None, Int, Floats, Object, Mask, End };

struct Keyword {
    const char* name;
    Arg arg;
    int count;        // numbers before the optional "to" part
    bool to;          // has an optional "to" part
    const char* what; // the arguments, in words
    const char* example;
};

const Keyword kKeywords[] = {
    {"scene", Arg::Int, 1, false, "a number (1: the Bezier sheaf)", "scene 1"},
    {"track", Arg::Int, 1, false, "a track number", "track 10"},
    {"type", Arg::Int, 1, false, "a number (0: model, 1: picture)", "type 1"},
    {"sync", Arg::Int, 1, false, "a sync track number", "sync 0"},
    {"insync", Arg::None, 0, false, "", ""},
    {"duration", Arg::Int, 1, false, "a length (ms, or seconds with a dot)", "duration 2.0"},
    {"object", Arg::Object, 1, true, "a picture (.jpg), a model (.3ds) or a number", "object logo.jpg"},
    {"mask", Arg::Mask, 1, true, "a picture (.jpg)", "mask rings.jpg"},
    {"blendFunc", Arg::Int, 2, false, "two blend factors", "blendFunc GL_SRC_ALPHA GL_ONE"},
    {"opacity", Arg::Floats, 1, true, "a number", "opacity 0 to 1"},
    {"color", Arg::Floats, 3, true, "3 numbers (red green blue)", "color 1 1 1"},
    {"angle", Arg::Floats, 1, true, "an angle in degrees", "angle 0 to 90"},
    {"rotate", Arg::Floats, 3, true, "3 numbers (the axis x y z)", "rotate 0 0 1"},
    {"scale", Arg::Floats, 3, true, "3 numbers (x y z)", "scale 1 1 1"},
    {"translate", Arg::Floats, 3, true, "3 numbers (x y z)", "translate 0 0 -7"},
    {"move", Arg::Floats, 2, true, "2 numbers (x y in pixels)", "move 0 0"},
    {"blend", Arg::None, 0, false, "", ""},
    {"envmap", Arg::None, 0, false, "", ""},
    {"reflect", Arg::None, 0, false, "", ""},
    {"wireframe", Arg::None, 0, false, "", ""},
    {"center", Arg::None, 0, false, "", ""},
    {"end", Arg::End, 0, false, "", ""},
};

const Keyword* findKeyword(const std::string& word) {
    for (const Keyword& k : kKeywords)
        if (word == k.name) return &k;
    return nullptr;
}

std::vector<std::string> keywordNames() {
    std::vector<std::string> out;
    for (const Keyword& k : kKeywords)
        out.push_back(k.name);
    return out;
}

bool beginsInt(const std::string& w, long* value = nullptr) {
    char* end = nullptr;
    const long v = std::strtol(w.c_str(), &end, 10);
    if (value) *value = v;
    return end != w.c_str();
}
bool beginsFloat(const std::string& w) {
    char* end = nullptr;
    std::strtof(w.c_str(), &end);
    return end != w.c_str();
}

bool contains(const std::vector<std::string>& list, const std::string& w) {
    return std::find(list.begin(), list.end(), w) != list.end();
}

std::string lowered(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string quoted(const std::string& w) {
    return "'" + w + "'";
}

// Whether the scan hands a file of this name to the picture or model loader.
bool scannedEnding(const std::string& name) {
    const std::string e = name.size() >= 3 ? name.substr(name.size() - 3) : name;
    return e == "jpg" || e == "JPG" || e == "3ds";
}

// Reads one command: the words in order, with the word a "to" part did not
// take waiting to be read next.
class CommandReader {
  public:
    CommandReader(const std::string& command, int line, const ShowNames& names, CommandReading& out)
        : words(splitWords(command)), line(line), names(names), out(out) {}

    void run() {
        std::string word;
        if (!next(word)) {
            warn("the line holds only blanks and becomes an empty command at time 0: delete it");
            return;
        }
        long t = 0;
        out.timeIsNumber = beginsInt(word, &t);
        out.time = static_cast<int32_t>(std::clamp<long>(t, INT32_MIN, INT32_MAX));
        if (!out.timeIsNumber)
            warn("the time " + quoted(word) +
                 " is no number, so the command gets time 0: write its start time first, in ms (1500) or "
                 "seconds (1.5)");
        bool afterUnknown = false; // the numbers after an unknown word are its values
        while (next(word)) {
            const Keyword* k = findKeyword(word);
            if (!k) {
                if (beginsFloat(word)) {
                    if (!afterUnknown)
                        warn("the number " + quoted(word) +
                             " belongs to no keyword and is skipped: remove it, or check how many values the "
                             "keyword before it takes");
                    continue;
                }
                afterUnknown = true;
                const std::string near = nearestWord(word, keywordNames());
                if (!near.empty())
                    warn("unknown word " + quoted(word) + "; did you mean " + quoted(near) + "?");
                else
                    warn("unknown word " + quoted(word) + " is skipped: remove it or write a keyword");
                continue;
            }
            afterUnknown = false;
            if (k->arg == Arg::End) {
                out.isEnd = true;
                if (next(word))
                    warn("the words after 'end' are never read (the show ends there): remove them");
                return;
            }
            keyword(*k);
        }
        typeOfObjects();
        shortDuration();
    }

  private:
    std::vector<std::string> words;
    size_t pos = 0;
    int line;
    const ShowNames& names;
    CommandReading& out;

    bool next(std::string& word) {
        if (pos >= words.size()) return false;
        word = words[pos++];
        return true;
    }

    // Each problem once per command, however often its words repeat.
    void note(Diagnostic::Severity s, const std::string& message) {
        for (const Diagnostic& d : out.problems)
            if (d.severity == s && d.message == message) return;
        out.problems.push_back(Diagnostic{s, kScript, line, message});
    }
    void warn(const std::string& message) { note(Diagnostic::Warning, message); }
    void error(const std::string& message) { note(Diagnostic::Error, message); }

    std::string label(const Keyword& k, bool endPart) const {
        return endPart ? "'to' of " + quoted(k.name) : quoted(k.name);
    }

    // The next argument; false (with an error) when the command has ended.
    bool argument(const Keyword& k, bool endPart, std::string& arg) {
        if (next(arg)) return true;
        error(label(k, endPart) + " needs " + k.what + " but the command ends: write " +
              (endPart ? "the end values after 'to'" : "the values after " + quoted(k.name)) + ", e.g. " +
              quoted(k.example));
        return false;
    }

    void notANumber(const Keyword& k, bool endPart, const std::string& arg) {
        error(label(k, endPart) + " needs " + k.what + ", but " + quoted(arg) +
              " is no number and is read as its value: write the value right after " +
              (endPart ? std::string("'to'") : quoted(k.name)) + ", e.g. " + quoted(k.example));
    }

    // Reads the values of one part; false when the command ended early.
    bool values(const Keyword& k, bool endPart) {
        std::string arg;
        for (int i = 0; i < k.count; ++i) {
            if (!argument(k, endPart, arg)) return false;
            switch (k.arg) {
            case Arg::Int: {
                long v = 0;
                if (!beginsInt(arg, &v)) {
                    notANumber(k, endPart, arg);
                    break;
                }
                if (k.name == std::string("duration")) {
                    out.hasDuration = true;
                    out.duration = v;
                }
                if (k.name == std::string("type")) {
                    out.hasType = true;
                    out.type = v;
                }
                if (k.name == std::string("scene") && v == 1) out.bezier = true;
                if (k.name == std::string("track")) out.tracks.push_back(static_cast<int32_t>(v));
                if (k.name == std::string("sync")) syncTrack(v);
                break;
            }
            case Arg::Floats:
                if (!beginsFloat(arg)) notANumber(k, endPart, arg);
                break;
            case Arg::Object:
                out.objects.push_back(arg);
                objectName(arg, endPart);
                break;
            case Arg::Mask:
                maskName(arg, endPart);
                break;
            default:
                break;
            }
        }
        return true;
    }

    void keyword(const Keyword& k) {
        if (k.name == std::string("insync")) out.hasInsync = true;
        if (k.name == std::string("sync")) out.hasSync = true;
        if (!values(k, false) || !k.to) return;
        if (pos < words.size() && words[pos] == "to") {
            ++pos;
            values(k, true);
        }
        // any other word is read next as a keyword of its own
    }

    // A picture drawn as a model or a model as a picture: the value the name
    // gives is read as the other kind's, so nothing or the wrong thing shows.
    void typeOfObjects() {
        for (const std::string& name : out.objects) {
            if (out.type == 0 && isJpegName(name))
                warn("'type 0' draws a model, but " + quoted(name) +
                     " is a picture, so nothing or the wrong model is drawn: write 'type 1' for a picture");
            if (out.type == 1 && is3dsName(name))
                warn("'type 1' draws a picture, but " + quoted(name) +
                     " is a model, so nothing or the wrong picture is drawn: write 'type 0' for a model");
        }
    }

    // A duration without a dot is milliseconds: "duration 2" is gone at once.
    void shortDuration() {
        if (out.duration < 0 || out.duration >= 20 || out.hasInsync) return;
        const std::string d = std::to_string(out.duration);
        if (out.duration == 0)
            warn("'duration 0' ends the command as it starts, so it is erased before it is drawn: write its "
                 "length, e.g. 'duration 2.0' (seconds)");
        else
            warn("'duration " + d + "' is " + d +
                 " ms, shorter than a frame or two: if seconds were meant, write 'duration " + d + ".0'");
    }

    void syncTrack(long n) {
        const size_t count = names.syncTrackSizes.size();
        if (n < 0 || static_cast<size_t>(n) >= count) {
            const std::string has = count == 0 ? "none"
                                    : count == 1
                                        ? "one, 0"
                                        : std::to_string(count) + ": 0 to " + std::to_string(count - 1);
            error("'sync " + std::to_string(n) + "' names no sync track (the script has " + has +
                  "): add a 'Sync' line before '@sync' or correct the number");
        } else if (names.syncTrackSizes[static_cast<size_t>(n)] == 0) {
            error("'sync " + std::to_string(n) +
                  "' names an empty sync track (its 'Sync' line has no steps): add pairs of a template's "
                  "track and a length to that line");
        }
    }

    // A name that is not registered: why, and what to do.
    void unregistered(const std::string& keyword, const std::string& name, const char* kind,
                      const std::vector<std::string>& registered) {
        std::string message =
            quoted(keyword + " " + name) + ": no " + kind + " " + quoted(name) + " is loaded";
        if (contains(names.files, name) && !scannedEnding(name)) {
            // ship.3DS: the interpreter takes it as a model, the scan skips it.
            const std::string fixed = name.substr(0, name.size() - 3) + lowered(name.substr(name.size() - 3));
            message +=
                ": data/" + name +
                " is skipped because of the case of its ending (see its warning): " + "rename the file " +
                quoted(fixed) + " and write " + quoted(keyword + " " + fixed);
        } else if (contains(names.files, name)) {
            message += " (data/" + name + " could not be loaded; see its error): mend or replace the file";
        } else {
            const std::string near = nearestWord(name, registered);
            const std::string file = nearestWord(name, names.files);
            if (near.empty() && !file.empty() && lowered(file) == lowered(name))
                message += "; data/" + file + " is not loaded because of the case of its ending (see its " +
                           "warning): rename it " + quoted(name);
            else if (!near.empty())
                message += "; did you mean " + quoted(near) + "?";
            else
                message += ": add data/" + name + " or correct the name";
        }
        error(message);
    }

    void objectName(const std::string& name, bool endPart) {
        const std::string kw = endPart ? "object ... to" : "object";
        if (isJpegName(name)) {
            if (!contains(names.textures, name)) unregistered(kw, name, "picture", names.textures);
        } else if (is3dsName(name)) {
            if (!contains(names.models, name)) unregistered(kw, name, "model", names.models);
        } else if (!beginsInt(name)) {
            std::vector<std::string> all = names.textures;
            all.insert(all.end(), names.models.begin(), names.models.end());
            const std::string near = nearestWord(name, all);
            error(quoted(kw) + " takes a picture (.jpg/.JPG), a model (.3ds/.3DS) or a number; " +
                  quoted(name) + " is none of them and is ignored: " +
                  (near.empty() ? std::string("name a loaded picture or model")
                                : "did you mean " + quoted(near) + "?"));
        }
    }

    void maskName(const std::string& name, bool endPart) {
        const std::string kw = endPart ? "mask ... to" : "mask";
        if (isJpegName(name)) {
            if (!contains(names.textures, name)) unregistered(kw, name, "picture", names.textures);
        } else if (!beginsInt(name)) {
            const std::string near = nearestWord(name, names.textures);
            error(
                quoted(kw) + " takes a picture (.jpg/.JPG); " + quoted(name) +
                " is not one and is ignored: " +
                (near.empty() ? std::string("name a loaded picture") : "did you mean " + quoted(near) + "?"));
        }
    }
};

// The names in data/, in the scan's order (plain byte order).
std::vector<std::string> dataFiles() {
    std::vector<std::string> names;
    DIR* d = opendir("data");
    if (!d) return names;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

bool isMusicEnding(const std::string& e) {
    return e == "mp3" || e == "MP3" || e == "ogg" || e == "OGG" || e == ".xm" || e == ".XM" || e == ".it" ||
           e == ".IT";
}

// Files that the scan hands to no loader, and music files that never play.
void checkFiles(const std::vector<std::string>& files, std::vector<Diagnostic>& out) {
    std::vector<std::string> music;
    for (const std::string& name : files) {
        if (name == "script.txt") continue;
        const std::string path = "data/" + name;
        const std::string ending = path.substr(path.size() - 3);
        if (ending == "jpg" || ending == "JPG" || ending == "3ds") continue;
        if (isMusicEnding(ending)) {
            music.push_back(path);
            continue;
        }
        const std::string folded = lowered(ending);
        std::string message = path + " is not loaded: ";
        if (folded == "jpg")
            message += "the ending must be written \".jpg\" or \".JPG\": rename the file";
        else if (folded == "3ds")
            message += "the ending must be written \".3ds\": rename the file";
        else if (folded == "mp3" || folded == "ogg" || folded == ".xm" || folded == ".it")
            message += "the ending must be written all in small or all in capital letters (\"." +
                       folded.substr(folded[0] == '.' ? 1 : 0) + "\"): rename the file";
        else
            message += "only .jpg/.JPG, .3ds and music endings are (.mp3, .ogg, .xm, .it, all small or all "
                       "capital): convert it or move it out of data/";
        out.push_back(Diagnostic{Diagnostic::Warning, path, 0, message});
    }
    // The music that plays: the one file that our decoders must open.
    MusicDecoder decoder;
    std::string why;
    if (!music.empty() && musicKind(music.back()) != MusicKind::None &&
        !decoder.open(music.back(), 44100, why))
        out.push_back(Diagnostic{Diagnostic::Error, music.back(), 0,
                                 "the music cannot be played, so the show runs silent: " + why +
                                     (why.find("convert") == std::string::npos
                                          ? "; replace it with an MP3, Ogg Vorbis, XM or IT file that plays"
                                          : "")});
    if (music.size() > 1)
        for (size_t i = 0; i + 1 < music.size(); ++i)
            out.push_back(Diagnostic{Diagnostic::Warning, music[i], 0,
                                     music[i] +
                                         " never plays: only the last music file in name order plays (" +
                                         music.back() + "); remove the others from data/"});
}

// Models whose own texture is not loaded: they draw without it, in white.
void checkModelTextures(const std::vector<std::string>& files, std::vector<Diagnostic>& out) {
    for (object_type* o = gfx.objects; o; o = o->next) {
        const std::string texture(o->textureName, strnlen(o->textureName, sizeof o->textureName));
        if (texture.empty() || ownTextureId(*o) >= 0) continue;
        const std::string path = "data/" + o->name;
        std::string message = "the model's texture " + quoted(texture) +
                              " is not loaded, so the model draws white (untextured): ";
        const size_t dot = texture.rfind('.');
        const std::string ending = dot == std::string::npos ? "" : lowered(texture.substr(dot));
        std::string onDisk; // a file of that name, whatever its case
        for (const std::string& f : files)
            if (lowered(f) == lowered(texture)) onDisk = f;
        const std::string jpeg = texture.substr(0, dot) + ".jpg";
        const std::string mask = ", or give the commands that draw it 'mask " + jpeg + "'";
        if (ending != ".jpg" && ending != ".jpeg")
            message += "only JPEG pictures are loaded; convert the picture to JPEG as data/" + jpeg +
                       " and name that file in the model's material" + mask;
        else if (!onDisk.empty())
            message += "data/" + onDisk + " is there but not loaded (see its message): mend or rename it";
        else
            message += "add the picture to data/ as " + texture + mask;
        out.push_back(Diagnostic{Diagnostic::Warning, path, 0, message});
    }
}

// Pictures stored rotated or mirrored (phone photos): the show draws them as
// stored, whatever their EXIF orientation says.
void checkOrientation(std::vector<Diagnostic>& out) {
    for (const texture_type* t = gfx.textures; t; t = t->next) {
        const std::string path = "data/" + t->name;
        const int o = jpegOrientation(path);
        if (o < 2) continue;
        out.push_back(Diagnostic{
            Diagnostic::Warning, path, 0,
            "the picture's EXIF orientation is " + std::to_string(o) + " (" + orientationWords(o) +
                "), but the show draws it as stored: turn the file " + "itself, e.g. 'jpegtran -copy none " +
                orientationTransform(o) + " " + path + " > upright.jpg', and use that file in its place"});
    }
}

// The physical line of each "Sync" line of the options section, in the order
// of the sync tracks (the options pass takes the words the same way).
std::vector<int> syncLines() {
    std::vector<int> out;
    for (size_t i = 0; i < script.keptLines.size(); ++i) {
        const int line = i < script.lineNumbers.size() ? script.lineNumbers[i] : 0;
        for (const std::string& w : splitWords(script.keptLines[i])) {
            if (w == "@sync") return out;
            if (w == "Sync") out.push_back(line);
            if (w == "Sync" || w == "Default") break;
        }
    }
    return out;
}

} // namespace

CommandReading readCommand(const std::string& command, int line, const ShowNames& names) {
    CommandReading out;
    CommandReader(command, line, names, out).run();
    return out;
}

std::vector<Diagnostic> checkShow() {
    std::vector<Diagnostic> out;
    if (!script.opened) {
        out.push_back(
            Diagnostic{Diagnostic::Error, kScript, 0, "cannot open data/script.txt: " + script.openError});
        return out;
    }
    out = script.diagnostics;
    out.insert(out.end(), assetReport.diagnostics.begin(), assetReport.diagnostics.end());

    ShowNames names;
    for (const texture_type* t = gfx.textures; t; t = t->next)
        names.textures.push_back(t->name);
    for (const object_type* o = gfx.objects; o; o = o->next)
        names.models.push_back(o->name);
    names.files = dataFiles();
    for (const std::vector<SYNC>& track : script.syncTracks)
        names.syncTrackSizes.push_back(track.size());
    checkFiles(names.files, out);
    checkModelTextures(names.files, out);
    checkOrientation(out);

    std::set<int32_t> tracks; // every track a command names
    for (size_t i = 0; i < script.commands.size(); ++i) {
        const int line = i < script.commandLines.size() ? script.commandLines[i] : 0;
        CommandReading r = readCommand(script.commands[i], line, names);
        out.insert(out.end(), r.problems.begin(), r.problems.end());
        tracks.insert(r.tracks.begin(), r.tracks.end());
        auto warn = [&](const std::string& m) {
            out.push_back(Diagnostic{Diagnostic::Warning, kScript, line, m});
        };
        if (i > 0 && r.timeIsNumber && r.time < script.times[i - 1]) {
            const int before = i - 1 < script.commandLines.size() ? script.commandLines[i - 1] : 0;
            warn("the time " + std::to_string(r.time) + " ms is earlier than the " +
                 std::to_string(script.times[i - 1]) + " ms of the command before it (line " +
                 std::to_string(before) +
                 "), so it waits for that one and starts late: move the line to its place in time");
        }
        if (r.isEnd || splitWords(script.commands[i]).empty()) continue;
        if (!r.hasDuration && !r.hasInsync)
            warn("the command has no 'duration' and no 'insync', so it is erased before it is drawn: add "
                 "'duration 2.0' or 'insync'");
        if (!r.hasType && !r.bezier && !r.hasSync)
            warn("the command has no 'type' and is not 'scene 1', so nothing is drawn: add 'type 1' (a "
                 "picture) or 'type 0' (a model)");
    }

    const std::vector<int> lines = syncLines();
    for (size_t k = 0; k < script.syncTracks.size(); ++k) {
        std::set<int32_t> told;
        for (const SYNC& step : script.syncTracks[k]) {
            if (tracks.count(step.track) || !told.insert(step.track).second) continue;
            const std::string t = std::to_string(step.track);
            out.push_back(Diagnostic{Diagnostic::Warning, kScript, k < lines.size() ? lines[k] : 0,
                                     "sync track " + std::to_string(k) + " has a step of track " + t +
                                         ", but no command has 'track " + t +
                                         "', so that step shows nothing: add a template with 'track " + t +
                                         "' and 'insync'"});
        }
    }

    std::stable_sort(out.begin(), out.end(), [](const Diagnostic& a, const Diagnostic& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    return out;
}

std::string formatDiagnostic(const Diagnostic& d) {
    std::string s = d.file;
    if (d.line > 0) s += ":" + std::to_string(d.line);
    s += d.severity == Diagnostic::Error ? ": error: " : ": warning: ";
    return s + d.message;
}
