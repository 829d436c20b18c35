#include "engine/scan.h"

#include "assets/gfx.h"
#include "assets/texture_queue.h"
#include "base/config.h"
#include "engine/sound.h"
#include "render/draw_path.h"
#include "render/texture_upload.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

void scanData() {
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

    auto endsIn = [](const std::string& path, std::initializer_list<const char*> endings) {
        const std::string ending = path.substr(path.size() - 3);
        for (const char* e : endings)
            if (ending == e) return true;
        return false;
    };
    auto isPicture = [&](const std::string& path) { return endsIn(path, {"jpg", "JPG"}); };

    // The pictures are decoded on worker threads, a few ahead, while this
    // thread uploads them and registers them in name order; models and music
    // are loaded here in their places.
    std::unique_ptr<TextureQueue> queue;
    if (drawPath == DrawPath::Arrays) {
        std::vector<std::string> pictures;
        for (const std::string& name : names)
            if (isPicture("data/" + name)) pictures.push_back("data/" + name);
        if (!pictures.empty()) {
            const int threads = static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
            queue =
                std::make_unique<TextureQueue>(std::move(pictures), threads, threads + 2, maxTextureSize());
        }
    }

    // One interleaved pass in name order, dispatched on the last three
    // characters of the path, case-sensitively.
    size_t picture = 0;
    for (const std::string& name : names) {
        const std::string path = "data/" + name;
        if (isPicture(path)) {
            if (queue) {
                uploadTexture(path, queue->take(picture));
                queue->release(picture);
                ++picture;
            } else {
                loadTexture(path, true, false);
            }
        } else if (endsIn(path, {"3ds"})) {
            Load3DS(path);
        } else if (endsIn(path, {"mp3", "MP3", "ogg", "OGG", ".xm", ".XM", ".it", ".IT"})) {
            sound.init(path.c_str());
        }
    }
}
