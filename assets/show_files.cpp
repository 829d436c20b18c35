#include "assets/show_files.h"

#include "base/file_read.h"
#include "base/show_paths.h"
#include "base/text.h"

#include <algorithm>
#include <filesystem>

ShowFiles showFiles;

namespace {

// Why the scan leaves a file that no loader takes, and what to do.
std::string notLoaded(const std::string& name) {
    const std::string path = "data/" + name;
    const std::string ending = lowered(path.substr(path.size() - 3));
    switch (kindInOtherCase(name)) {
    case FileKind::Picture:
        if (ending == "jpg")
            return "is not loaded: the ending must be written \".jpg\" or \".JPG\": rename the file";
        return "is not loaded: the ending must be written all in small or all in capital letters (\"." +
               ending + "\"): rename the file";
    case FileKind::Model:
        return "is not loaded: the ending must be written \".3ds\": rename the file";
    case FileKind::Music:
        return "is not loaded: the ending must be written all in small or all in capital letters (\"." +
               ending.substr(ending[0] == '.' ? 1 : 0) + "\"): rename the file";
    case FileKind::Other:
        break;
    }
    if (lowerExtension(name) == "jpeg")
        return "is not loaded: it is a JPEG picture, but only the endings \".jpg\" and \".JPG\" are read: "
               "rename it '" +
               name.substr(0, name.size() - 5) + ".jpg'";
    return "is not loaded: only pictures (.jpg, .png, .bmp, .tga), .3ds models and music (.mp3, .ogg, .xm, "
           ".it) are, each ending all small or all capital: convert it or move it out of data/";
}

} // namespace

std::string ShowFiles::musicPath() const {
    return music < 0 ? std::string() : "data/" + files[static_cast<size_t>(music)].name;
}

const ShowFile* ShowFiles::find(const std::string& name) const {
    for (const ShowFile& f : files)
        if (f.name == name) return &f;
    return nullptr;
}

std::vector<std::string> ShowFiles::names() const {
    std::vector<std::string> out;
    out.reserve(files.size());
    for (const ShowFile& f : files)
        out.push_back(f.name);
    return out;
}

std::vector<std::string> dataFolderNames() {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it("data", ec), end;
    if (ec) return names; // no data directory
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        names.push_back(it->path().filename().string());
    }
    // The show needs plain byte order, whatever the locale (std::string
    // compares its characters as unsigned bytes).
    std::sort(names.begin(), names.end());
    return names;
}

ShowFiles listShowFiles() {
    ShowFiles list;
    for (std::string& name : dataFolderNames()) {
        ShowFile f;
        f.kind = scanKind(name);
        // Only regular files are read (or links to them): a FIFO would
        // block the scan, a device never ends, a folder cannot be read.
        if (f.kind != FileKind::Other) {
            if (const std::string what = notRegularFile("data/" + name); !what.empty()) {
                f.kind = FileKind::Other;
                f.why = "is not read: it is " + what +
                        ", and only regular files are: put the file itself in its place or move it out of "
                        "data/";
            }
        } else if (name != kScriptName) {
            f.why = notLoaded(name);
        }
        f.name = std::move(name);
        list.files.push_back(std::move(f));
    }
    return list;
}

void chooseMusic(ShowFiles& list) {
    list.music = -1;
    for (size_t i = 0; i < list.files.size(); ++i)
        if (list.files[i].kind == FileKind::Music) list.music = static_cast<int>(i);
    if (list.music < 0) return;
    const std::string plays = list.musicPath();
    for (size_t i = 0; i < list.files.size(); ++i) {
        ShowFile& f = list.files[i];
        if (f.kind != FileKind::Music) continue;
        f.loaded = static_cast<int>(i) == list.music;
        if (!f.loaded)
            f.why = "never plays: only the last music file in name order plays (" + plays +
                    "); remove the others from data/";
    }
}

std::string playingMusicIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        if (scanKind(*it) == FileKind::Music) return folder + "/" + *it;
    return std::string();
}
