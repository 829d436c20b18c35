#include "export/frame_output.h"
#include "export/png.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

bool isFrameName(const std::string& name) {
    if (name.size() < 16 || name.compare(0, 6, "frame-") != 0 ||
        name.compare(name.size() - 4, 4, ".png") != 0)
        return false;
    return std::all_of(name.begin() + 6, name.end() - 4, [](char c) { return c >= '0' && c <= '9'; });
}

namespace {

class PngFolder : public FrameOutput {
  public:
    PngFolder(const std::string& dir, const std::string& shown, bool overwrite)
        : dir(dir), shown(shown), overwrite(overwrite) {}

    // Frames of an earlier render past the new last one would be taken for
    // part of this one (by a later ffmpeg pass, say): they are refused, or
    // with --overwrite removed first. Nothing else in the folder is touched.
    bool open(int w, int h, std::string& error) override {
        width = w;
        height = h;
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            error = "cannot make the folder " + dir + ": " + ec.message();
            return false;
        }
        std::vector<std::filesystem::path> old;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (entry.is_regular_file() && isFrameName(entry.path().filename().string()))
                old.push_back(entry.path());
        if (ec) {
            error = "cannot read the folder " + dir + ": " + ec.message();
            return false;
        }
        if (old.empty()) return true;
        if (!overwrite) {
            error = shown + " holds " + std::to_string(old.size()) +
                    (old.size() == 1 ? " frame" : " frames") +
                    " of an earlier render (frame-NNNNNN.png); give --overwrite to remove them first, "
                    "or render into another folder";
            return false;
        }
        for (const auto& path : old) {
            if (!std::filesystem::remove(path, ec) && ec) {
                error = "cannot remove " + path.string() + ": " + ec.message();
                return false;
            }
        }
        return true;
    }

    // Each worker compresses and writes its frames whole.
    bool prepare(PipelineFrame& f, std::string& error) override {
        thread_local std::string path;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(f.index));
        path.assign(dir).append(name);
        return writePNG(path, width, height, f.rgb.data(), error, true);
    }
    bool deliver(PipelineFrame&, std::string&) override { return true; }
    bool close(std::string&) override { return true; }
    std::string what() const override { return "PNG"; }
    int workers() const override { return std::max(1u, std::thread::hardware_concurrency()); }

  private:
    std::string dir, shown;
    bool overwrite;
    int width = 0, height = 0;
};

} // namespace

std::unique_ptr<FrameOutput> pngFolderOutput(const std::string& dir, const std::string& shown,
                                             bool overwrite) {
    return std::make_unique<PngFolder>(dir, shown, overwrite);
}
