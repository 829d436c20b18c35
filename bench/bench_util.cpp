#include "bench/bench_util.h"

#include "assets/pixel_buffer.h"
#include "assets/tds_writer.h"
#include "tests/support/make_jpeg.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/tamarack-bench-XXXXXX";
    if (mkdtemp(tmpl)) path = tmpl;
    std::filesystem::create_directories(path + "/data");
}

TempDir::~TempDir() {
    // TAMARACK_BENCH_KEEP keeps the workload's folder for a closer look.
    if (std::getenv("TAMARACK_BENCH_KEEP")) {
        std::fprintf(stderr, "tamarack-bench: kept %s\n", path.c_str());
        return;
    }
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(path + "/" + name, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string benchJpeg(int w, int h, int seed) {
    return makeJpeg(w, h, [=](int x, int y) -> std::array<uint8_t, 4> {
        const double fx = x * 0.013 + seed, fy = y * 0.017 - seed;
        const int detail = ((x * 7 + y * 13 + seed) * 2654435761u >> 24) & 15;
        return {static_cast<uint8_t>(120 + 100 * std::sin(fx + std::cos(fy)) + detail),
                static_cast<uint8_t>(120 + 100 * std::sin(fy * 1.3 + fx * 0.4) + detail),
                static_cast<uint8_t>(120 + 100 * std::cos(fx * 0.7 - fy) + detail), 0};
    });
}

void writeModel(const std::string& path, const std::string& texture, int nu, int nv) {
    tds::write(path, tds::torus("bench", texture, 2.0f, 0.8f, nu, nv, 4, 2));
}

std::string selfPath() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "tamarack-bench";
    buf[n] = 0;
    return buf;
}

bool runChild(const std::string& self, const std::string& args, std::vector<double>& values) {
    const std::string command = "'" + self + "' " + args;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return false;
    bool got = true;
    for (double& v : values)
        got = got && std::fscanf(p, "%lf", &v) == 1;
    const int status = pclose(p);
    if (!got || status != 0) {
        std::fprintf(stderr, "tamarack-bench: %s failed\n", command.c_str());
        return false;
    }
    return true;
}

long minorFaults() {
    rusage r;
    getrusage(RUSAGE_SELF, &r);
    return r.ru_minflt;
}

double peakRssMb() {
    rusage r;
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss / 1024.0;
}

BusyLoops::BusyLoops(int count) {
    for (int i = 0; i < count; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            volatile unsigned long spin = 0;
            for (;;)
                spin = spin + 1;
        }
        if (pid > 0) pids.push_back(pid);
    }
}

BusyLoops::~BusyLoops() {
    for (int pid : pids) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

std::string bigJpeg(int w, int h) {
    std::vector<float> cx(static_cast<size_t>(w)), cy(static_cast<size_t>(h));
    for (int x = 0; x < w; ++x)
        cx[static_cast<size_t>(x)] = static_cast<float>(std::sin(x * 0.013));
    for (int y = 0; y < h; ++y)
        cy[static_cast<size_t>(y)] = static_cast<float>(std::cos(y * 0.017));
    return makeJpeg(w, h, [&](int x, int y) -> std::array<uint8_t, 4> {
        const float sx = cx[static_cast<size_t>(x)], sy = cy[static_cast<size_t>(y)];
        const int detail = ((x * 7 + y * 13) * 2654435761u >> 24) & 15;
        return {static_cast<uint8_t>(120 + 60 * sx + 40 * sy + detail),
                static_cast<uint8_t>(120 + 50 * sy - 50 * sx + detail),
                static_cast<uint8_t>(120 + 70 * sx * sy + detail), 0};
    });
}

volatile size_t decodedSum = 0;

// The floors' decoding: the whole picture in RGB with plain libjpeg, into the
// buffer that `reserve(bytes)` gives. The byte in its middle, or -1 when
// there was no buffer.
template <class Reserve> int decodeWholeJpeg(std::FILE* f, Reserve reserve) {
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, f);
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    const size_t row = static_cast<size_t>(c.output_width) * 3, bytes = row * c.output_height;
    uint8_t* rgb = reserve(bytes);
    if (!rgb) {
        jpeg_destroy_decompress(&c);
        return -1;
    }
    while (c.output_scanline < c.output_height) {
        JSAMPROW r = rgb + c.output_scanline * row;
        jpeg_read_scanlines(&c, &r, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return rgb[bytes / 2];
}

int startupFloor(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir + "/data"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    const double t0 = nowMs();
    size_t sum = 0;
    for (const std::string& name : names) {
        const std::string path = dir + "/data/" + name;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return 1;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0) {
            std::vector<uint8_t> rgb;
            sum += static_cast<size_t>(decodeWholeJpeg(f, [&](size_t bytes) {
                rgb.resize(bytes);
                return rgb.data();
            }));
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".3ds") == 0) {
            std::vector<char> bytes(static_cast<size_t>(std::filesystem::file_size(path)));
            sum += std::fread(bytes.data(), 1, bytes.size(), f);
        }
        std::fclose(f);
    }
    const double ms = nowMs() - t0;
    // The sum keeps the decoding from being optimised away.
    decodedSum = sum;
    std::printf("%.3f\n", ms);
    return 0;
}

int bigPhotoFloor(const std::string& path) {
    const double t0 = nowMs();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 1;
    // The picture's buffer in huge pages where the system has them, as the
    // engine's own buffers are.
    PixelBuffer rgb;
    const int middle =
        decodeWholeJpeg(f, [&](size_t bytes) { return rgb.reserve(bytes) ? rgb.data() : nullptr; });
    std::fclose(f);
    if (middle < 0) return 1;
    const double ms = nowMs() - t0;
    decodedSum = static_cast<size_t>(middle);
    std::printf("%.3f %.1f\n", ms, peakRssMb());
    return 0;
}
