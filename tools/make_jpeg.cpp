// tamarack-make_jpeg OUT_DIR: draws the show's pictures and writes them into
// OUT_DIR as baseline JPEG files (quality 85, integer DCT, optimised Huffman
// tables), so the same build always writes the same bytes.
// tamarack-make_jpeg --list: prints "NAME WIDTH HEIGHT" for every picture.
//
// Every picture is computed from formulas and a fixed pseudo-random sequence;
// nothing is read from anywhere.
#include "assets/jpeg_encode.h"
#include "base/output_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

const double pi = 3.14159265358979323846;

struct RGB {
    double r, g, b;
};
RGB operator+(RGB a, RGB b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
RGB operator*(RGB a, double k) {
    return {a.r * k, a.g * k, a.b * k};
}
RGB mix(RGB a, RGB b, double t) {
    return a * (1 - t) + b * t;
}
double clamp01(double v) {
    return v < 0 ? 0 : v > 1 ? 1 : v;
}
double smoothstep(double e0, double e1, double x) {
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
// Cosine palette: a + b cos(2 pi (c t + d)) per channel.
RGB palette(double t, RGB a, RGB b, RGB c, RGB d) {
    return {a.r + b.r * std::cos(2 * pi * (c.r * t + d.r)), a.g + b.g * std::cos(2 * pi * (c.g * t + d.g)),
            a.b + b.b * std::cos(2 * pi * (c.b * t + d.b))};
}

// A fixed pseudo-random sequence (64-bit LCG), the same on every machine.
struct Random {
    uint64_t s;
    explicit Random(uint64_t seed) : s(seed) {}
    double next() {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 9007199254740992.0;
    }
};

// Smooth value noise on an integer lattice, from a hash of the cell corners.
double hash2(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}
double valueNoise(double x, double y, int period) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    const double fx = x - xi, fy = y - yi;
    const double u = fx * fx * (3 - 2 * fx), v = fy * fy * (3 - 2 * fy);
    auto h = [&](int a, int b) {
        return hash2(((a % period) + period) % period, ((b % period) + period) % period);
    };
    return (h(xi, yi) * (1 - u) + h(xi + 1, yi) * u) * (1 - v) +
           (h(xi, yi + 1) * (1 - u) + h(xi + 1, yi + 1) * u) * v;
}
// Fractal noise that tiles with the given base period (in lattice cells).
double fbm(double x, double y, int period, int octaves) {
    double sum = 0, amp = 0.5;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x, y, period);
        x *= 2;
        y *= 2;
        period *= 2;
        amp *= 0.5;
    }
    return sum;
}

struct Image {
    int w, h;
    std::vector<RGB> px;
    Image(int w_, int h_) : w(w_), h(h_), px(static_cast<size_t>(w_) * h_, RGB{0, 0, 0}) {}
    RGB& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    // Fills every pixel from f(x, y) with x, y the pixel centre in 0..1, y down.
    void fill(const std::function<RGB(double, double)>& f) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = f((x + 0.5) / w, (y + 0.5) / h);
    }
    // Adds a soft round spot of the given colour (additive light).
    void glow(double cx, double cy, double radius, RGB c) {
        const int x0 = std::max(0, static_cast<int>(cx - 4 * radius)),
                  x1 = std::min(w - 1, static_cast<int>(cx + 4 * radius));
        const int y0 = std::max(0, static_cast<int>(cy - 4 * radius)),
                  y1 = std::min(h - 1, static_cast<int>(cy + 4 * radius));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                at(x, y) = at(x, y) + c * std::exp(-(dx * dx + dy * dy) / (radius * radius));
            }
    }
};

bool writeJpeg(const Image& img, const std::string& path) {
    std::vector<uint8_t> rgb(static_cast<size_t>(img.w) * img.h * 3);
    for (size_t i = 0; i < img.px.size(); ++i) {
        rgb[i * 3 + 0] = static_cast<uint8_t>(std::lround(clamp01(img.px[i].r) * 255));
        rgb[i * 3 + 1] = static_cast<uint8_t>(std::lround(clamp01(img.px[i].g) * 255));
        rgb[i * 3 + 2] = static_cast<uint8_t>(std::lround(clamp01(img.px[i].b) * 255));
    }
    const std::string bytes = encodeJpeg(rgb, img.w, img.h);
    std::string error;
    return writeOutputFile(path, bytes, error);
}

// --- the pictures ---------------------------------------------------------

// Sum-of-sines plasma through a rainbow palette: a full-screen background.
Image plasma() {
    Image img(512, 512);
    img.fill([](double x, double y) {
        const double X = x * 2 * pi, Y = y * 2 * pi;
        // domain-warped sines: swirls rather than blobs
        const double wx = X + 0.8 * std::sin(2 * Y + 0.5), wy = Y + 0.8 * std::sin(3 * X + 1.1);
        double v = std::sin(4 * wx) + std::sin(3 * wy + 1.3) + std::sin(3 * (wx + wy) + 0.7) +
                   std::sin(std::sqrt(((x - 0.6) * (x - 0.6) + (y - 0.4) * (y - 0.4)) * 900) * 0.9);
        v = v * 0.125 + 0.5;
        return palette(v, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {1.0, 1.0, 1.0}, {0.0, 0.33, 0.67});
    });
    return img;
}

// Night sky: a deep blue to violet gradient with a few hundred stars.
Image sky() {
    Image img(512, 512);
    img.fill([](double, double y) {
        return mix(mix(RGB{0.01, 0.01, 0.06}, RGB{0.08, 0.03, 0.2}, smoothstep(0, 0.7, y)),
                   RGB{0.35, 0.08, 0.3}, smoothstep(0.7, 1.0, y));
    });
    Random rnd(7);
    for (int i = 0; i < 360; ++i) {
        const double x = rnd.next() * 512, y = rnd.next() * 512, b = rnd.next();
        const double tint = rnd.next();
        const RGB c = mix(RGB{0.7, 0.8, 1.0}, RGB{1.0, 0.85, 0.7}, tint) * (0.3 + 0.7 * b * b);
        img.glow(x, y, 0.6 + 1.2 * b * b, c);
    }
    return img;
}

// Retro horizon: a striped sun over a perspective grid.
Image horizon() {
    Image img(512, 512);
    img.fill([](double x, double y) {
        const double hz = 0.62; // horizon line
        if (y < hz) {
            RGB c = mix(RGB{0.05, 0.0, 0.15}, RGB{0.9, 0.25, 0.45}, smoothstep(0.05, hz, y));
            const double dx = x - 0.5, dy = y - 0.42;
            const double d = std::sqrt(dx * dx + dy * dy);
            // the sun: yellow at the top to pink at the bottom, with gaps in its lower half
            const double gaps =
                y > 0.45 ? smoothstep(0.35, 0.5, std::sin((y - 0.45) * 160) * 0.5 + 0.5 - (y - 0.45) * 3.0)
                         : 1.0;
            const double sun = (1 - smoothstep(0.19, 0.2, d)) * gaps;
            c = mix(c, mix(RGB{1.0, 0.95, 0.35}, RGB{1.0, 0.2, 0.55}, smoothstep(0.22, 0.62, y)), sun);
            c = c + RGB{1.0, 0.4, 0.5} * (0.25 * std::exp(-d * d * 20));
            return c;
        }
        // ground: lines towards a vanishing point plus lines across that crowd at the horizon
        const double depth = (y - hz) / (1 - hz); // 0 at the horizon, 1 at the bottom
        const double z = 1.0 / (depth + 0.02);
        const double gx = (x - 0.5) * z * 4;
        const double gz = z * 1.5;
        const double lx = std::abs(gx - std::round(gx)), lz = std::abs(gz - std::round(gz));
        const double width = 0.02 * z;
        const double line =
            std::max(1 - smoothstep(0, width + 0.03, lx), 1 - smoothstep(0, width * 0.6 + 0.03, lz));
        RGB c = mix(RGB{0.06, 0.0, 0.12}, RGB{0.02, 0.0, 0.05}, depth);
        c = mix(c, RGB{1.0, 0.2, 0.9}, line * (0.35 + 0.65 * depth));
        return c + RGB{0.8, 0.3, 0.6} * (0.5 * std::exp(-depth * 12));
    });
    return img;
}

// The emblem: a stylised larch of stacked triangles inside a gold ring, on black.
Image logo() {
    Image img(512, 512);
    img.fill([](double x, double y) {
        const double dx = x - 0.5, dy = y - 0.5;
        const double d = std::sqrt(dx * dx + dy * dy);
        const double aa = 1.5 / 512;
        RGB c{0, 0, 0};
        // ring with a bright inner rim
        const double ring = smoothstep(0.40 - aa, 0.40 + aa, d) * (1 - smoothstep(0.46 - aa, 0.46 + aa, d));
        const RGB gold = mix(RGB{1.0, 0.85, 0.35}, RGB{0.75, 0.4, 0.05}, clamp01((y - 0.05) / 0.9));
        c = mix(c, gold * (0.8 + 0.2 * std::cos((d - 0.43) * 60)), ring);
        // twelve notches in the ring
        const double ang = std::atan2(dy, dx);
        const double notch = smoothstep(0.9, 0.97, std::cos(ang * 12)) * ring;
        c = mix(c, RGB{0.1, 0.05, 0.0}, notch * 0.8);
        // the tree: three stacked triangles and a trunk
        double tree = 0;
        const double tops[3] = {0.17, 0.31, 0.45}, bases[3] = {0.42, 0.56, 0.7},
                     halfw[3] = {0.13, 0.18, 0.23};
        for (int i = 0; i < 3; ++i) {
            if (y < tops[i] || y > bases[i]) continue;
            const double k = (y - tops[i]) / (bases[i] - tops[i]);
            const double edge = halfw[i] * k - std::abs(dx);
            tree = std::max(tree, smoothstep(-aa, aa, edge) * smoothstep(-aa, aa, bases[i] - y));
        }
        const double trunk = smoothstep(-aa, aa, 0.035 - std::abs(dx)) * smoothstep(0.7 - aa, 0.7 + aa, y) *
                             (1 - smoothstep(0.8 - aa, 0.8 + aa, y));
        const RGB green = mix(RGB{0.55, 1.0, 0.55}, RGB{0.05, 0.55, 0.45}, clamp01((y - 0.17) / 0.55));
        c = mix(c, green, tree);
        c = mix(c, RGB{0.6, 0.35, 0.15}, trunk);
        // a faint halo behind everything
        return c + RGB{0.2, 0.35, 0.25} * (0.35 * std::exp(-d * d * 30) * (1 - tree));
    });
    return img;
}

// Concentric soft rings, white on black: a mask and a pulsing overlay.
Image rings() {
    Image img(256, 256);
    img.fill([](double x, double y) {
        const double d = std::sqrt((x - 0.5) * (x - 0.5) + (y - 0.5) * (y - 0.5));
        const double wave = 0.5 + 0.5 * std::cos(d * 2 * pi * 6);
        const double v =
            (0.35 * std::pow(wave, 3) + 0.65 * smoothstep(0.55, 0.7, wave)) * (1 - smoothstep(0.42, 0.5, d));
        return RGB{v, v, v};
    });
    return img;
}

// A lens flare: warm core, soft halo and six rays.
Image flare() {
    Image img(256, 256);
    img.fill([](double x, double y) {
        const double dx = x - 0.5, dy = y - 0.5;
        const double d = std::sqrt(dx * dx + dy * dy);
        const double a = std::atan2(dy, dx);
        const double rays = std::pow(std::abs(std::cos(a * 3)), 40) * std::exp(-d * 9);
        const double core = std::exp(-d * d * 400), halo = std::exp(-d * d * 35) * 0.45;
        const double fade = 1 - smoothstep(0.4, 0.5, d);
        return (RGB{1.0, 0.95, 0.8} * core + RGB{1.0, 0.6, 0.25} * halo + RGB{1.0, 0.85, 0.6} * rays) * fade;
    });
    return img;
}

// A bevelled checkerboard in magenta and cyan.
Image checker() {
    Image img(256, 256);
    img.fill([](double x, double y) {
        const int cx = static_cast<int>(x * 8), cy = static_cast<int>(y * 8);
        const double fx = x * 8 - cx, fy = y * 8 - cy;
        const double bevel = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
        const double shade = 0.65 + 0.35 * smoothstep(0.0, 0.12, bevel);
        const RGB c = ((cx + cy) & 1) ? RGB{1.0, 0.2, 0.7} : RGB{0.1, 0.85, 1.0};
        return c * shade;
    });
    return img;
}

// Rainbow bands along the texture's u direction: the torus's own texture.
Image stripes() {
    Image img(256, 256);
    img.fill([](double x, double y) {
        const double u = x * 8 + 0.3 * std::sin(y * 2 * pi);
        const double band = u - std::floor(u);
        const double index = std::fmod(std::floor(u) + 8, 8.0);
        RGB c = palette(index / 8, {0.55, 0.5, 0.5}, {0.45, 0.5, 0.5}, {1, 1, 1}, {0.0, 0.33, 0.67});
        const double edge = smoothstep(0.0, 0.06, band) * smoothstep(0.0, 0.06, 1 - band);
        c = c * (0.35 + 0.65 * edge);
        return c * (0.75 + 0.25 * std::cos(y * 2 * pi));
    });
    return img;
}

// Blue-veined marble that tiles: the knot's own texture.
Image marble() {
    Image img(256, 256);
    img.fill([](double x, double y) {
        const double t = fbm(x * 4, y * 4, 4, 5);
        const double v = 0.5 + 0.5 * std::sin((x * 4 + t * 6) * pi);
        const double vein = std::pow(1 - std::abs(v * 2 - 1), 6);
        RGB c = mix(RGB{0.92, 0.93, 0.98}, RGB{0.7, 0.75, 0.9}, t);
        return mix(c, RGB{0.1, 0.2, 0.6}, vein);
    });
    return img;
}

// A chrome environment: sky above a bright horizon above dark ground, as the
// sphere map that "envmap" lays on a model.
Image chrome() {
    Image img(256, 256);
    img.fill([](double x, double y) {
        const double dx = x - 0.5, dy = y - 0.5;
        const double d = std::sqrt(dx * dx + dy * dy) * 2;
        RGB c;
        if (y < 0.55)
            c = mix(RGB{0.2, 0.35, 0.9}, RGB{0.85, 0.92, 1.0}, smoothstep(0.0, 0.55, y));
        else
            c = mix(RGB{0.45, 0.3, 0.2}, RGB{0.08, 0.05, 0.04}, smoothstep(0.55, 1.0, y));
        c = c + RGB{1.0, 0.9, 0.7} * (0.9 * std::exp(-std::pow((y - 0.55) * 30, 2)));
        const double clouds =
            smoothstep(0.55, 0.8, fbm(x * 6, y * 12, 6, 4)) * (1 - smoothstep(0.3, 0.55, y));
        c = mix(c, RGB{1, 1, 1}, clouds * 0.7);
        return c * (1 - 0.3 * smoothstep(0.8, 1.0, d));
    });
    return img;
}

// The four shapes of the rhythm layer, each glowing on black.
Image shape(int which) {
    const RGB colors[4] = {{1.0, 0.5, 0.1}, {0.1, 0.9, 1.0}, {1.0, 0.2, 0.8}, {1.0, 0.95, 0.2}};
    Image img(256, 256);
    img.fill([&](double x, double y) {
        const double dx = x - 0.5, dy = y - 0.5;
        double dist; // signed distance to the outline, negative inside
        switch (which) {
        case 0:
            dist = std::sqrt(dx * dx + dy * dy) - 0.3;
            break; // disc
        case 1:
            dist = std::abs(dx) + std::abs(dy) - 0.36;
            break; // diamond
        case 2:
            dist = std::max(std::abs(dx) * 0.866 - dy * 0.5, dy) - 0.17;
            break; // triangle, point up
        default: { // four-pointed star
            const double a = std::atan2(dy, dx), r = std::sqrt(dx * dx + dy * dy);
            dist = r - (0.16 + 0.2 * std::pow(std::abs(std::cos(a * 2)), 6));
        }
        }
        const double fillv = 1 - smoothstep(-0.004, 0.004, dist);
        const double rim = std::exp(-std::pow(dist / 0.012, 2));
        const double glowv = std::exp(-std::max(dist, 0.0) * 18) * 0.5;
        return colors[which] * (0.55 * fillv + 0.5 * glowv) + RGB{1, 1, 1} * (0.6 * rim);
    });
    return img;
}

struct Picture {
    const char* name;
    std::function<Image()> draw;
};

const std::vector<Picture>& pictures() {
    static const std::vector<Picture> list = {
        {"plasma.jpg", plasma},
        {"sky.jpg", sky},
        {"horizon.jpg", horizon},
        {"logo.jpg", logo},
        {"rings.jpg", rings},
        {"flare.jpg", flare},
        {"checker.jpg", checker},
        {"stripes.jpg", stripes},
        {"marble.jpg", marble},
        {"chrome.jpg", chrome},
        {"shape1.jpg", [] { return shape(0); }},
        {"shape2.jpg", [] { return shape(1); }},
        {"shape3.jpg", [] { return shape(2); }},
        {"shape4.jpg", [] { return shape(3); }},
    };
    return list;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tamarack-make_jpeg OUT_DIR | --list\n");
        return 2;
    }
    const std::string arg = argv[1];
    for (const Picture& p : pictures()) {
        const Image img = p.draw();
        if (arg == "--list") {
            std::printf("%s %d %d\n", p.name, img.w, img.h);
            continue;
        }
        if (!writeJpeg(img, arg + "/" + p.name)) {
            std::fprintf(stderr, "tamarack-make_jpeg: cannot write %s/%s\n", arg.c_str(), p.name);
            return 1;
        }
    }
    return 0;
}
