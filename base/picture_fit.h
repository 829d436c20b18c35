#pragma once
#include <cstdint>

// A rectangle in pixels; x and y from the output's bottom-left corner for a
// viewport, from the screen's top-left corner for a window.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

// The largest rectangle of the picture's aspect (pictureW x pictureH) that
// fits in an output of outW x outH pixels, centred in it; the side that
// fills the output is exact, the other rounded to the nearest pixel. At the
// picture's own size (or a whole multiple of it) it is the whole output.
inline PixelRect fitPicture(int pictureW, int pictureH, int outW, int outH) {
    PixelRect r{0, 0, outW, outH};
    if (pictureW <= 0 || pictureH <= 0 || outW <= 0 || outH <= 0) return r;
    const int64_t wide = static_cast<int64_t>(outW) * pictureH, tall = static_cast<int64_t>(outH) * pictureW;
    if (wide > tall) { // the output is wider than the picture: bars left and right
        r.width = static_cast<int>((2 * tall + pictureH) / (2 * pictureH));
        if (r.width < 1) r.width = 1;
        r.x = (outW - r.width) / 2;
    } else if (wide < tall) { // taller: bars above and below
        r.height = static_cast<int>((2 * wide + pictureW) / (2 * pictureW));
        if (r.height < 1) r.height = 1;
        r.y = (outH - r.height) / 2;
    }
    return r;
}

// A window for a picture of pictureW x pictureH in a usable area of the
// screen: the picture's size, made smaller with the same aspect when it
// would not fit, centred in the area.
inline PixelRect fitWindow(int pictureW, int pictureH, const PixelRect& area) {
    PixelRect r{0, 0, pictureW, pictureH};
    if (pictureW > area.width || pictureH > area.height)
        r = fitPicture(pictureW, pictureH, area.width, area.height);
    r.x = area.x + (area.width - r.width) / 2;
    r.y = area.y + (area.height - r.height) / 2;
    return r;
}
