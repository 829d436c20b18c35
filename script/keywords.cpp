#include "script/keywords.h"

#include <iterator>

namespace {

using Flag = bool CScene::*;
using Integer = int32_t CScene::*;
using RealsOf = float* (*)(CScene&);

// GL_SRC_ALPHA and GL_ONE, the blend factors a command gets unless it names others.
constexpr int32_t kDefaultBlendSrc = 0x302;
constexpr int32_t kDefaultBlendDst = 1;

constexpr Keyword row(const char* name, Values values, int count, Flag on, Flag interp, Integer first,
                      Integer second, RealsOf start, RealsOf end, const char* what, const char* example,
                      Unset unset0 = {}, Unset unset1 = {}, Integer rearm = nullptr) {
    return Keyword{name, values,  count,   on, interp, {first, second}, start, end, rearm, {unset0, unset1},
                   what, example, nullptr, 0};
}
constexpr Keyword flag(const char* name, Flag on) {
    return row(name, Values::None, 0, on, nullptr, nullptr, nullptr, nullptr, nullptr, "", "");
}
constexpr Keyword integer(const char* name, Integer field, const char* what, const char* example,
                          Unset unset = {}) {
    return row(name, Values::Integers, 1, nullptr, nullptr, field, nullptr, nullptr, nullptr, what, example,
               unset);
}
constexpr Keyword reals(const char* name, int count, Flag on, Flag interp, RealsOf start, RealsOf end,
                        const char* what, const char* example) {
    return row(name, Values::Reals, count, on, interp, nullptr, nullptr, start, end, what, example);
}

const Keyword kKeywords[] = {
    integer("scene", &CScene::kind, "a number (1: the Bezier sheaf)", "scene 1", {&CScene::kind, 0}),
    integer("track", &CScene::track, "a track number", "track 10"),
    integer("type", &CScene::type, "a number (0: model, 1: picture)", "type 1", {&CScene::type, 100}),
    row("sync", Values::Integers, 1, &CScene::sync, nullptr, &CScene::syncTrack, nullptr, nullptr, nullptr,
        "a sync track number", "sync 0", {}, {}, &CScene::syncPosition),
    flag("insync", &CScene::insync),
    row("duration", Values::Length, 1, nullptr, nullptr, &CScene::duration, &CScene::endTime, nullptr,
        nullptr, "a length (ms, or seconds with a dot)", "duration 2.0", {&CScene::endTime, 0}),
    row("object", Values::Object, 1, nullptr, &CScene::objectInterp, &CScene::objectStart, &CScene::objectEnd,
        nullptr, nullptr, "a picture (.jpg), a model (.3ds) or a number", "object logo.jpg"),
    row("mask", Values::Mask, 1, &CScene::mask, &CScene::maskInterp, &CScene::maskStart, &CScene::maskEnd,
        nullptr, nullptr, "a picture (.jpg)", "mask rings.jpg", {&CScene::maskStart, -1}),
    row("blendFunc", Values::Integers, 2, &CScene::blendFunc, nullptr, &CScene::blendSrc, &CScene::blendDst,
        nullptr, nullptr, "two blend factors", "blendFunc GL_SRC_ALPHA GL_ONE",
        {&CScene::blendSrc, kDefaultBlendSrc}, {&CScene::blendDst, kDefaultBlendDst}),
    reals(
        "opacity", 1, &CScene::opacity, &CScene::opacityInterp, [](CScene& s) { return &s.opacityStart; },
        [](CScene& s) { return &s.opacityEnd; }, "a number", "opacity 0 to 1"),
    reals(
        "color", 3, &CScene::color, &CScene::colorInterp, [](CScene& s) { return s.colorStart; },
        [](CScene& s) { return s.colorEnd; }, "3 numbers (red green blue)", "color 1 1 1"),
    reals(
        "angle", 1, &CScene::rotate, &CScene::angleInterp, [](CScene& s) { return &s.angleStart; },
        [](CScene& s) { return &s.angleEnd; }, "an angle in degrees", "angle 0 to 90"),
    reals(
        "rotate", 3, &CScene::rotate, &CScene::rotateInterp, [](CScene& s) { return s.axisStart; },
        [](CScene& s) { return s.axisEnd; }, "3 numbers (the axis x y z)", "rotate 0 0 1"),
    reals(
        "scale", 3, &CScene::scale, &CScene::scaleInterp, [](CScene& s) { return s.scaleStart; },
        [](CScene& s) { return s.scaleEnd; }, "3 numbers (x y z)", "scale 1 1 1"),
    reals(
        "translate", 3, &CScene::translate, &CScene::translateInterp,
        [](CScene& s) { return s.translateStart; }, [](CScene& s) { return s.translateEnd; },
        "3 numbers (x y z)", "translate 0 0 -7"),
    reals(
        "move", 2, &CScene::move, &CScene::moveInterp, [](CScene& s) { return s.moveStart; },
        [](CScene& s) { return s.moveEnd; }, "2 numbers (x y in pixels)", "move 0 0"),
    flag("blend", &CScene::blend),
    flag("envmap", &CScene::envmap),
    flag("reflect", &CScene::reflect),
    flag("wireframe", &CScene::wireframe),
    flag("center", &CScene::center),
    Keyword{"ease",
            Values::Choice,
            1,
            nullptr,
            nullptr,
            {&CScene::ease, nullptr},
            nullptr,
            nullptr,
            nullptr,
            {Unset{&CScene::ease, 0}, Unset{}},
            "linear, smooth, in, out, step or ramp",
            "ease smooth",
            kEaseNames,
            static_cast<int>(std::size(kEaseNames))},
    row("end", Values::End, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "", ""),
};

} // namespace

const Keyword* findKeyword(std::string_view word) {
    for (const Keyword& k : kKeywords)
        if (word == k.name) return &k;
    return nullptr;
}

const std::vector<std::string>& keywordNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const Keyword& k : kKeywords)
            out.push_back(k.name);
        return out;
    }();
    return names;
}

KeywordRows keywords() {
    return {std::begin(kKeywords), std::end(kKeywords)};
}
