#include "assets/gfx.h"
#include "base/engine.h"
#include "script/names.h"
#include "script/script.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// GL_SRC_ALPHA and GL_ONE, the blend factors a command gets unless it names others.
constexpr int32_t defaultBlendSrc = 0x302;
constexpr int32_t defaultBlendDst = 1;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The words of one command, read from the front; a word taken back by a
// keyword with an optional "to" part waits as the pending word.
class Words {
  public:
    explicit Words(const std::string& text) : text(text) {}

    bool next(std::string& word) {
        if (hasPending) {
            hasPending = false;
            word.swap(pending);
            return true;
        }
        while (pos < text.size() && isBlank(text[pos]))
            ++pos;
        if (pos == text.size()) return false;
        const size_t from = pos;
        while (pos < text.size() && !isBlank(text[pos]))
            ++pos;
        word.assign(text, from, pos - from);
        return true;
    }
    void putBack(std::string& word) {
        pending.swap(word);
        hasPending = true;
    }

  private:
    const std::string& text;
    size_t pos = 0;
    std::string pending;
    bool hasPending = false;
};

// A decimal integer from the start of the word (sign and digits; reading
// stops at the first other character). A word that does not begin with a
// number leaves the target as it was.
void readInt(const std::string& word, int32_t& target) {
    const char* begin = word.c_str();
    char* end = nullptr;
    long v = std::strtol(begin, &end, 10);
    if (end == begin) return;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    target = static_cast<int32_t>(v);
}

void readFloat(const std::string& word, float& target) {
    const char* begin = word.c_str();
    char* end = nullptr;
    const float v = std::strtof(begin, &end);
    if (end == begin) return;
    target = v;
}

// The reader of one command into the working record.
class Interpreter {
  public:
    Interpreter(const std::string& command, CScene& record) : words(command), s(record) {}

    // Interprets the whole command; false when it was "end".
    bool run() {
        if (words.next(word)) readInt(word, s.startTime);
        while (words.next(word)) {
            if (!keyword()) return false;
        }
        return true;
    }

  private:
    Words words;
    CScene& s;
    std::string word; // the keyword being interpreted
    std::string arg;  // its current argument

    // Reads the next argument word; false when the command has ended.
    bool argument() { return words.next(arg); }

    void intArg(int32_t& target) {
        if (argument()) readInt(arg, target);
    }
    template <int N> void floatArgs(float (&target)[N]) {
        for (int i = 0; i < N; ++i)
            if (argument()) readFloat(arg, target[i]);
    }

    // The optional second part of a keyword: true when "to" follows. Any
    // other word is kept and interpreted next as a keyword of its own.
    bool to() {
        if (!words.next(arg)) return false;
        if (arg == "to") return true;
        words.putBack(arg);
        return false;
    }

    // An object name: a texture (with the picture's size), a model or a number.
    void objectArg(int32_t& target, bool withSize) {
        if (!argument()) return;
        if (isJpegName(arg)) {
            const int p = getTextureNum(arg);
            target = getTexture(p, 0);
            if (withSize) {
                s.width = getTexture(p, 1);
                s.height = getTexture(p, 2);
            }
        } else if (is3dsName(arg)) {
            target = getObjectNum(arg);
        } else {
            readInt(arg, target);
        }
    }

    // A mask name: only textures are looked up; anything else is a number.
    void maskArg(int32_t& target) {
        if (!argument()) return;
        if (isJpegName(arg))
            target = getTexture(getTextureNum(arg), 0);
        else
            readInt(arg, target);
    }

    template <int N> void interpolated(bool& on, bool& interp, float (&start)[N], float (&end)[N]) {
        on = true;
        floatArgs(start);
        if (to()) {
            interp = true;
            floatArgs(end);
        }
    }
    void interpolated(bool& on, bool& interp, float& start, float& end) {
        on = true;
        if (argument()) readFloat(arg, start);
        if (to()) {
            interp = true;
            if (argument()) readFloat(arg, end);
        }
    }

    bool keyword() {
        const std::string& w = word;
        if (w == "scene") {
            intArg(s.kind);
        } else if (w == "track") {
            intArg(s.track);
        } else if (w == "type") {
            intArg(s.type);
        } else if (w == "sync") {
            s.sync = true;
            s.syncPosition = -1;
            intArg(s.syncTrack);
        } else if (w == "insync") {
            s.insync = true;
        } else if (w == "duration") {
            if (argument()) {
                readInt(arg, s.duration);
                s.endTime = static_cast<int32_t>(static_cast<uint32_t>(s.startTime) +
                                                 static_cast<uint32_t>(s.duration));
            }
        } else if (w == "object") {
            objectArg(s.objectStart, true);
            if (to()) {
                s.objectInterp = true;
                objectArg(s.objectEnd, false);
            }
        } else if (w == "mask") {
            s.mask = true;
            maskArg(s.maskStart);
            if (to()) {
                s.maskInterp = true;
                maskArg(s.maskEnd);
            }
        } else if (w == "blendFunc") {
            s.blendFunc = true;
            intArg(s.blendSrc);
            intArg(s.blendDst);
        } else if (w == "opacity") {
            interpolated(s.opacity, s.opacityInterp, s.opacityStart, s.opacityEnd);
        } else if (w == "color") {
            interpolated(s.color, s.colorInterp, s.colorStart, s.colorEnd);
        } else if (w == "angle") {
            interpolated(s.rotate, s.angleInterp, s.angleStart, s.angleEnd);
        } else if (w == "rotate") {
            interpolated(s.rotate, s.rotateInterp, s.axisStart, s.axisEnd);
        } else if (w == "scale") {
            interpolated(s.scale, s.scaleInterp, s.scaleStart, s.scaleEnd);
        } else if (w == "translate") {
            interpolated(s.translate, s.translateInterp, s.translateStart, s.translateEnd);
        } else if (w == "move") {
            interpolated(s.move, s.moveInterp, s.moveStart, s.moveEnd);
        } else if (w == "blend") {
            s.blend = true;
        } else if (w == "envmap") {
            s.envmap = true;
        } else if (w == "reflect") {
            s.reflect = true;
        } else if (w == "wireframe") {
            s.wireframe = true;
        } else if (w == "center") {
            s.center = true;
        } else if (w == "end") {
            return false;
        }
        // Any other word is skipped.
        return true;
    }
};

// The fields every command starts from; the others carry over from the
// previous command of the same group.
void resetRecord(CScene& s) {
    s.blend = s.envmap = s.wireframe = s.reflect = false;
    s.rotateInterp = s.translateInterp = s.scaleInterp = s.moveInterp = s.colorInterp = false;
    s.angleInterp = s.objectInterp = s.opacityInterp = s.maskInterp = false;
    s.rotate = s.translate = s.scale = s.move = s.blendFunc = s.color = s.opacity = s.mask = false;
    s.sync = s.insync = s.center = false;
    s.endTime = 0;
    s.kind = 0;
    s.type = 100;
    s.maskStart = -1;
    s.blendSrc = defaultBlendSrc;
    s.blendDst = defaultBlendDst;
}

} // namespace

void CScript::parse() {
    if (current >= commands.size()) return;
    CScene record{}; // one working record for the whole group of equal times
    for (;;) {
        resetRecord(record);
        record.command = static_cast<int32_t>(current);
        if (!Interpreter(commands[current], record).run()) {
            engine.quit(); // the live show never comes back from here
            return;
        }
        if (record.sync) record.syncEndTime = record.endTime;
        if (record.kind == 1) scene1.copy(record);

        for (sceneIt = scenes.begin(); sceneIt != scenes.end(); ++sceneIt)
            if (sceneIt->track < record.track) break;
        sceneIt = scenes.insert(sceneIt, record);

        const uint32_t done = current++;
        if (current >= commands.size() || current >= times.size()) return;
        if (times[current] != times[done]) return;
    }
}
