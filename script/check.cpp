#include "script/check.h"

#include "assets/asset_report.h"
#include "assets/file_checks.h"
#include "assets/gfx.h"
#include "base/text.h"
#include "script/keywords.h"
#include "script/musical_time.h"
#include "script/script.h"
#include "script/suggest.h"
#include "script/unseen.h"
#include "script/words.h"

#include <algorithm>
#include <cstdlib>
#include <set>

// The checks of --check: every problem of the loaded show with its place. What
// the loader and the asset scan found is reused as it stands; what only shows
// when the commands are read is found here by reading every command once, the
// way the interpreter will, without creating any scene.

namespace {

// Whether the word begins with a number as the interpreter reads one.
bool beginsInt(const std::string& w) {
    int32_t v = 0;
    return readInt(w, v);
}
bool beginsFloat(const std::string& w) {
    char* end = nullptr;
    std::strtof(w.c_str(), &end);
    return end != w.c_str();
}

bool contains(const std::vector<std::string>& list, const std::string& w) {
    return std::find(list.begin(), list.end(), w) != list.end();
}

std::string quoted(const std::string& w) {
    return "'" + w + "'";
}

// Whether the scan hands a file of this name to the picture or model loader.
bool scannedEnding(const std::string& name) {
    const FileKind kind = scanKind(name);
    return kind == FileKind::Picture || kind == FileKind::Model;
}

// Reads one command: the words in order, with the word a "to" part did not
// take waiting to be read next.
class CommandReader {
  public:
    CommandReader(const std::string& command, int line, const ShowNames& names, CommandReading& out)
        : line(line), names(names), out(out) {
        WordReader in(command);
        for (std::string w; in.read(w);)
            words.push_back(std::move(w));
    }

    void run() {
        std::string word;
        if (!next(word)) {
            warn("the line holds only blanks and becomes an empty command at time 0: delete it");
            return;
        }
        std::string problem;
        const TimeRead time = readStartTime(word, names.grid, out.time, startBeat, &problem);
        out.timeIsNumber = time == TimeRead::Musical || (time == TimeRead::Plain && beginsInt(word));
        if (time == TimeRead::Wrong)
            error("the start time " + problem);
        else if (!out.timeIsNumber)
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
            if (k->values == Values::End) {
                out.isEnd = true;
                if (next(word))
                    warn("the words after 'end' are never read (the show ends there): remove them");
                return;
            }
            keyword(*k);
        }
        typeOfObjects();
        shortDuration();
        unreadKeywords();
    }

  private:
    std::vector<std::string> words;
    size_t pos = 0;
    std::vector<std::pair<std::string, bool>> used; // each keyword read, and whether a "to" part followed
    int line;
    const ShowNames& names;
    CommandReading& out;
    double startBeat = 0; // of a musical start time; NaN for one in ms

    bool next(std::string& word) {
        if (pos >= words.size()) return false;
        word = words[pos++];
        return true;
    }

    // Each problem once per command, however often its words repeat.
    void note(Diagnostic::Severity s, const std::string& message) {
        for (const Diagnostic& d : out.problems)
            if (d.severity == s && d.message == message) return;
        out.problems.push_back(Diagnostic{s, kScriptPath, line, message});
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
            switch (k.values) {
            case Values::Integers:
            case Values::Length: {
                int32_t v = 0;
                if (k.values == Values::Length && isMusicalWord(arg)) {
                    double beats = 0;
                    std::string problem;
                    if (readLength(arg, names.grid, out.time, startBeat, v, beats, &problem) ==
                        TimeRead::Wrong) {
                        error(label(k, endPart) + ": " + problem);
                        break;
                    }
                } else if (!readInt(arg, v)) {
                    notANumber(k, endPart, arg);
                    break;
                }
                if (k.values == Values::Length) {
                    out.hasDuration = true;
                    out.duration = v;
                }
                if (k.fills(&CScene::type)) {
                    out.hasType = true;
                    out.type = v;
                }
                if (k.fills(&CScene::kind)) {
                    out.kind = v;
                    if (v == 1) out.bezier = true;
                }
                if (k.fills(&CScene::track)) out.tracks.push_back(v);
                if (k.fills(&CScene::syncTrack)) syncTrack(v);
                break;
            }
            case Values::Reals:
                if (!beginsFloat(arg)) notANumber(k, endPart, arg);
                break;
            case Values::Object:
                out.objects.push_back(arg);
                objectName(arg, endPart);
                break;
            case Values::Mask:
                maskName(arg, endPart);
                break;
            case Values::Choice: {
                std::vector<std::string> choices(k.choices, k.choices + k.choiceCount);
                if (!contains(choices, arg)) {
                    const std::string near = nearestWord(arg, choices);
                    error(quoted(k.name) + " takes " + k.what + "; " + quoted(arg) +
                          " is none of them and is ignored: " +
                          (near.empty() ? "write e.g. " + quoted(k.example)
                                        : "did you mean " + quoted(near) + "?"));
                }
                break;
            }
            case Values::None:
            case Values::End:
                break;
            }
        }
        return true;
    }

    void keyword(const Keyword& k) {
        if (k.on == &CScene::insync) out.hasInsync = true;
        if (k.on == &CScene::sync) out.hasSync = true;
        used.emplace_back(k.name, false);
        if (!values(k, false) || !k.hasTo()) return;
        if (pos < words.size() && words[pos] == "to") {
            ++pos;
            used.back().second = true;
            values(k, true);
        }
        // any other word is read next as a keyword of its own
    }

    // A picture drawn as a model or a model as a picture: the value the name
    // gives is read as the other kind's, so nothing or the wrong thing shows.
    void typeOfObjects() {
        for (const std::string& name : out.objects) {
            if (out.type == 0 && nameKind(name) == FileKind::Picture)
                warn("'type 0' draws a model, but " + quoted(name) +
                     " is a picture, so nothing or the wrong model is drawn: write 'type 1' for a picture");
            if (out.type == 1 && nameKind(name) == FileKind::Model)
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

    bool uses(const char* name) const {
        return std::any_of(used.begin(), used.end(), [&](const auto& u) { return u.first == name; });
    }

    // Keywords that what the command draws never reads: the renderer passes
    // them by, so the line looks as if it did something it does not. A synced
    // record draws its templates' contents, so its own are not judged.
    void unreadKeywords() {
        if (out.hasSync) return;
        const Drawn drawn = out.kind == 1   ? Drawn::Bezier
                            : out.kind != 0 ? Drawn::Nothing
                            : out.type == 0 ? Drawn::Model
                            : out.type == 1 ? Drawn::Picture
                                            : Drawn::Nothing;
        if (drawn == Drawn::Nothing) return;
        for (const auto& [name, to] : used) {
            const std::string k = quoted(name);
            if (name == "reflect") {
                warn("'reflect' is never read: nothing is drawn as a reflection; remove it ('envmap' lays a "
                     "picture on a model as its surroundings)");
                continue;
            }
            switch (drawn) {
            case Drawn::Picture:
                if (name == "translate")
                    warn(
                        "'translate' is never read by a picture layer (type 1), which lies in window pixels: "
                        "remove it, and place the layer with 'move X Y' or 'center'");
                if (name == "blend")
                    warn("'blend' changes nothing on a picture layer (type 1): a picture is always blended, "
                         "by "
                         "its 'blendFunc' (GL_SRC_ALPHA GL_ONE unless it names others); remove it");
                break;
            case Drawn::Model:
                if (name == "move")
                    warn("'move' is never read by a model (type 0), which 'translate' places: remove it and "
                         "write 'translate X Y Z', e.g. 'translate 0 0 -7'");
                if (name == "center")
                    warn("'center' is never read by a model (type 0): remove it; a model at 'translate 0 0 "
                         "-7' stands in the middle of the view");
                if (!uses("blend") && (name == "opacity" || name == "blendFunc"))
                    warn(k +
                         " shows on a model (type 0) only with 'blend', which this command does not have: "
                         "add 'blend' or remove " +
                         k);
                break;
            case Drawn::Bezier:
                if (name == "object" || name == "mask" || name == "opacity" || name == "color" ||
                    name == "scale" || name == "move" || name == "center" || name == "envmap" ||
                    name == "wireframe" || name == "type")
                    warn(k +
                         " is never read by the Bezier sheaf (scene 1), which reads 'duration', 'angle', "
                         "'rotate', 'translate' and 'blend' with 'blendFunc': remove " +
                         k);
                if (name == "blendFunc" && !uses("blend"))
                    warn("'blendFunc' is read by the Bezier sheaf (scene 1) only with 'blend', which this "
                         "command "
                         "does not have: add 'blend' or remove 'blendFunc'");
                if (to && (name == "rotate" || name == "translate"))
                    warn("the Bezier sheaf (scene 1) reads only the first values of " + k +
                         "; the ones after 'to' are never read: remove 'to' and them ('angle A to B' is what "
                         "moves the sheaf)");
                break;
            case Drawn::Nothing:
                break;
            }
        }
    }

    void syncTrack(int32_t n) {
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
        if (nameKind(name) == FileKind::Picture) {
            if (!contains(names.textures, name)) unregistered(kw, name, "picture", names.textures);
        } else if (nameKind(name) == FileKind::Model) {
            if (!contains(names.models, name)) unregistered(kw, name, "model", names.models);
        } else if (!beginsInt(name)) {
            std::vector<std::string> all = names.textures;
            all.insert(all.end(), names.models.begin(), names.models.end());
            const std::string near = nearestWord(name, all);
            error(quoted(kw) +
                  " takes a picture (.jpg, .png, .bmp, .tga), a model (.3ds/.3DS) or a number; " +
                  quoted(name) + " is none of them and is ignored: " +
                  (near.empty() ? std::string("name a loaded picture or model")
                                : "did you mean " + quoted(near) + "?"));
        }
    }

    void maskName(const std::string& name, bool endPart) {
        const std::string kw = endPart ? "mask ... to" : "mask";
        if (nameKind(name) == FileKind::Picture) {
            if (!contains(names.textures, name)) unregistered(kw, name, "picture", names.textures);
        } else if (!beginsInt(name)) {
            const std::string near = nearestWord(name, names.textures);
            error(
                quoted(kw) + " takes a picture (.jpg, .png, .bmp, .tga); " + quoted(name) +
                " is not one and is ignored: " +
                (near.empty() ? std::string("name a loaded picture") : "did you mean " + quoted(near) + "?"));
        }
    }
};

// The physical line of each "Sync" line of the options section, in the order
// of the sync tracks (the options pass takes the words the same way).
std::vector<int> syncLines() {
    std::vector<int> out;
    for (size_t i = 0; i < script.keptLines.size(); ++i) {
        const int line = i < script.lineNumbers.size() ? script.lineNumbers[i] : 0;
        WordReader in(script.keptLines[i]);
        for (std::string_view w; in.read(w);) {
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

std::vector<Diagnostic> checkShow(int fps) {
    std::vector<Diagnostic> out;
    if (!script.opened) {
        out.push_back(Diagnostic{Diagnostic::Error, kScriptPath, 0,
                                 std::string("cannot open ") + kScriptPath + ": " + script.openError});
        return out;
    }
    out = script.diagnostics;
    out.insert(out.end(), assetReport.diagnostics.begin(), assetReport.diagnostics.end());

    ShowNames names;
    for (const texture_type* t = gfx.textures; t; t = t->next)
        names.textures.push_back(t->name);
    for (const object_type* o = gfx.objects; o; o = o->next)
        names.models.push_back(o->name);
    names.files = showFiles.names();
    for (const std::vector<SYNC>& track : script.syncTracks)
        names.syncTrackSizes.push_back(track.size());
    names.grid = script.grid;
    checkShowFiles(showFiles, out);

    std::set<int32_t> tracks; // every track a command names
    for (size_t i = 0; i < script.commands.size(); ++i) {
        const int line = i < script.commandLines.size() ? script.commandLines[i] : 0;
        CommandReading r = readCommand(script.commands[i], line, names);
        out.insert(out.end(), r.problems.begin(), r.problems.end());
        tracks.insert(r.tracks.begin(), r.tracks.end());
        auto warn = [&](const std::string& m) {
            out.push_back(Diagnostic{Diagnostic::Warning, kScriptPath, line, m});
        };
        if (i > 0 && r.timeIsNumber && r.time < script.times[i - 1]) {
            const int before = i - 1 < script.commandLines.size() ? script.commandLines[i - 1] : 0;
            warn("the time " + std::to_string(r.time) + " ms is earlier than the " +
                 std::to_string(script.times[i - 1]) + " ms of the command before it (line " +
                 std::to_string(before) +
                 "), so it waits for that one and starts late: move the line to its place in time");
        }
        std::string_view first;
        if (r.isEnd || !WordReader(script.commands[i]).read(first)) continue;
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
            out.push_back(Diagnostic{Diagnostic::Warning, kScriptPath, k < lines.size() ? lines[k] : 0,
                                     "sync track " + std::to_string(k) + " has a step of track " + t +
                                         ", but no command has 'track " + t +
                                         "', so that step shows nothing: add a template with 'track " + t +
                                         "' and 'insync'"});
        }
    }

    const std::vector<Diagnostic> unseen = unseenProblems(fps);
    out.insert(out.end(), unseen.begin(), unseen.end());

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
