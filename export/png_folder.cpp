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

// A frame's temporary name (".frame-000012.png.XXXXXXXX.part").
bool isTemporaryFrame(const std::string& name) {
    return OutputFile::isTemporaryName(name) && isFrameName(name.substr(1, name.size() - 15));
}

// "3 frames of an earlier render (frame-NNNNNN.png)", with the links among them.
std::string earlier(size_t frames, size_t links) {
    const auto count = [](size_t n, const char* one) {
        return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
    };
    std::string text;
    if (frames) text = count(frames, "frame") + " of an earlier render";
    if (frames && links) text += " and ";
    if (links) text += count(links, "symbolic link") + " named as a frame";
    return text + " (frame-NNNNNN.png)";
}

class PngFolder : public FrameOutput {
  public:
    PngFolder(const std::string& dir, const std::string& shown, bool overwrite)
        : dir(dir), shown(shown), overwrite(overwrite) {}

    // Frames of an earlier render past the new last one would be taken for
    // part of this one (by a later ffmpeg pass, say): they are refused, or
    // with --overwrite removed first. A symbolic link of a frame's name is
    // taken for such a frame: refused, or removed itself (never what it
    // points to). --overwrite also removes the temporary frames that a
    // killed render left. Nothing else in the folder is touched.
    bool open(int w, int h, std::string& error) override {
        width = w;
        height = h;
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            error = "cannot make the folder " + dir + ": " + ec.message();
            return false;
        }
        std::vector<std::filesystem::path> old, stale;
        size_t links = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            const std::string name = entry.path().filename().string();
            const std::filesystem::file_type type = entry.symlink_status(ec).type();
            if (type == std::filesystem::file_type::directory) continue; // refused when its frame is written
            if (isFrameName(name)) {
                old.push_back(entry.path());
                links += type == std::filesystem::file_type::symlink;
            } else if (isTemporaryFrame(name)) {
                stale.push_back(entry.path());
            }
        }
        if (ec) {
            error = "cannot read the folder " + dir + ": " + ec.message();
            return false;
        }
        if (old.empty() && (stale.empty() || !overwrite)) return true;
        if (!overwrite) {
            error = shown + " holds " + earlier(old.size() - links, links) +
                    "; give --overwrite to remove them first" +
                    (links ? " (a link itself, never the file it points to)" : "") +
                    ", or render into another folder";
            return false;
        }
        old.insert(old.end(), stale.begin(), stale.end());
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
        thread_local OutputFile file;
        path.assign(dir).append(name);
        return writePNG(file, path, width, height, f.rgb.data(), error, true);
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
