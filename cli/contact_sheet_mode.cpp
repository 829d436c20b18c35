#include "base/stop_signal.h"
#include "cli/modes.h"
#include "cli/show_survey.h"
#include "export/png.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int gap = 4;         // pixels around and between the cells
constexpr uint8_t paper = 48;  // the grey of the gaps
constexpr int glyphScale = 2;  // each font pixel is 2 x 2
constexpr int labelMargin = 3; // font pixels between the text and the label's edge

// A 5 x 7 bitmap font for time labels: one byte per row, bit 4 the leftmost pixel.
struct Glyph {
    char c;
    uint8_t rows[7];
};
constexpr Glyph font[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
    {' ', {0, 0, 0, 0, 0, 0, 0}},
};

const Glyph* glyphOf(char c) {
    for (const Glyph& g : font)
        if (g.c == c) return &g;
    return nullptr;
}

// An RGB picture of the whole sheet.
struct Sheet {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    uint8_t* at(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }

    // The label in a black box at the cell's top left corner, in white; cut
    // at the cell's edges.
    void label(int x0, int y0, int cellWidth, int cellHeight, const std::string& text) {
        const int advance = 6; // font pixels per character
        const int w =
            std::min(cellWidth, (static_cast<int>(text.size()) * advance - 1 + 2 * labelMargin) * glyphScale);
        const int h = std::min(cellHeight, (7 + 2 * labelMargin) * glyphScale);
        for (int y = 0; y < h; ++y)
            std::memset(at(x0, y0 + y), 0, static_cast<size_t>(w) * 3);
        for (size_t i = 0; i < text.size(); ++i) {
            const Glyph* g = glyphOf(text[i]);
            if (!g) continue;
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col) {
                    if (!(g->rows[row] >> (4 - col) & 1)) continue;
                    const int px = (labelMargin + static_cast<int>(i) * advance + col) * glyphScale;
                    const int py = (labelMargin + row) * glyphScale;
                    for (int dy = 0; dy < glyphScale; ++dy)
                        for (int dx = 0; dx < glyphScale; ++dx)
                            if (px + dx < w && py + dy < h)
                                std::memset(at(x0 + px + dx, y0 + py + dy), 255, 3);
                }
        }
    }
};

} // namespace

// --contact-sheet FILE.png: the frames every --every seconds, as --shot draws
// them, in rows of --columns with a time label in each frame's corner.
int runContactSheet(const Options& opt) {
    Offscreen frame;
    if (!openOffline(opt, frame)) return offlineFailure(frame);
    const int w = frame.width, h = frame.height;
    const int32_t every = secondsToMs(opt.every);
    const double cellBytes = 3.0 * (w + gap) * (h + gap), most = (1 << 29) / cellBytes;
    const Survey survey = surveyShow(static_cast<int64_t>(every * std::ceil(most)));
    if (stopRequested()) return 1;
    const std::vector<int32_t> times = everyTimes(survey.end, every);
    const int count = static_cast<int>(times.size());
    const int columns = std::min(opt.columns, count), rows = (count + columns - 1) / columns;
    if (!survey.complete || 3.0 * (columns * (w + gap) + gap) * (rows * (h + gap) + gap) > 1 << 29) {
        std::fprintf(stderr,
                     "tamarack: --contact-sheet: %s%d frames of %d x %d in rows of %d make more than 512 MB: "
                     "give a larger --every or fewer --columns\n",
                     survey.complete ? "" : "more than ", count, w, h, columns);
        return 2;
    }

    Sheet sheet;
    sheet.width = columns * (w + gap) + gap;
    sheet.height = rows * (h + gap) + gap;
    sheet.rgb.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, paper);
    int cell = 0;
    drawFrames(times, opt.fps, frame, [&](int32_t t, const std::vector<uint8_t>& rgb) {
        const int x0 = gap + (cell % columns) * (w + gap), y0 = gap + (cell / columns) * (h + gap);
        for (int y = 0; y < h; ++y)
            std::memcpy(sheet.at(x0, y0 + y), &rgb[static_cast<size_t>(y) * w * 3],
                        static_cast<size_t>(w) * 3);
        sheet.label(x0, y0, w, h, secondsText(t));
        ++cell;
        return true;
    });
    if (stopRequested()) return 1;
    std::string err;
    OutputFile out;
    if (!writePNG(out, opt.file, sheet.width, sheet.height, sheet.rgb.data(), err)) {
        std::fprintf(stderr, "tamarack: %s\n", err.c_str());
        return 1;
    }
    if (out.replacedLink()) std::fprintf(stderr, "tamarack: %s\n", replacedLinkNote(opt.file).c_str());
    return 0;
}
