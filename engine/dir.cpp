#include "assets/gfx.h"
#include "engine/config.h"
#include "engine/sound.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

void CInit::dir() {
    dirent** entries = nullptr;
    const int n = scandir("data", &entries, nullptr, alphasort);
    if (n < 0) return; // no data directory: nothing is registered
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
        const char* name = entries[i]->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) names.push_back(name);
        std::free(entries[i]);
    }
    std::free(entries);
    // alphasort follows the locale; the show needs plain byte order (std::string
    // compares its characters as unsigned bytes).
    std::sort(names.begin(), names.end());

    // One interleaved pass in name order, dispatched on the last three
    // characters of the path, case-sensitively.
    for (const std::string& name : names) {
        const std::string path = "data/" + name;
        const std::string ending = path.substr(path.size() - 3);
        if (ending == "jpg" || ending == "JPG") {
            loadTexture(path, true, false);
        } else if (ending == "3ds") {
            Load3DS(path);
        } else if (ending == "mp3" || ending == "MP3" || ending == "ogg" || ending == "OGG" ||
                   ending == ".xm" || ending == ".XM" || ending == ".it" || ending == ".IT") {
            sound.init(path.c_str());
        }
    }
}
