#include "engine/scan.h"

#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "assets/texture_queue.h"
#include "render/draw_path.h"
#include "render/texture_upload.h"

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// The first error a loader reported since `from` diagnostics; empty when none.
std::string errorSince(size_t from) {
    for (size_t i = from; i < assetReport.diagnostics.size(); ++i)
        if (assetReport.diagnostics[i].severity == Diagnostic::Error)
            return assetReport.diagnostics[i].message;
    return {};
}

} // namespace

const ShowFiles& scanData() {
    showFiles = listShowFiles();

    // The pictures are decoded on worker threads, a few ahead, while this
    // thread uploads them and registers them in name order; models and music
    // are loaded here in their places.
    std::unique_ptr<TextureQueue> queue;
    if (drawPath == DrawPath::Arrays) {
        std::vector<std::string> pictures;
        for (const ShowFile& f : showFiles.files)
            if (f.kind == FileKind::Picture) pictures.push_back("data/" + f.name);
        if (!pictures.empty()) {
            const int threads = static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
            queue =
                std::make_unique<TextureQueue>(std::move(pictures), threads, threads + 2, maxTextureSize());
        }
    }

    // One interleaved pass in name order, each file handed to the loader of
    // its kind.
    size_t picture = 0;
    for (ShowFile& f : showFiles.files) {
        const std::string path = "data/" + f.name;
        const size_t reported = assetReport.diagnostics.size();
        switch (f.kind) {
        case FileKind::Picture: {
            const texture_type* before = gfx.textures;
            if (queue) {
                uploadTexture(path, queue->take(picture));
                queue->release(picture);
                ++picture;
            } else {
                loadTexture(path, true, false);
            }
            f.loaded = gfx.textures != before;
            break;
        }
        case FileKind::Model:
            f.loaded = Load3DS(path);
            break;
        case FileKind::Music: // the caller opens the one that plays
        case FileKind::Other:
            break;
        }
        if (f.kind != FileKind::Other) f.why = errorSince(reported);
    }
    chooseMusic(showFiles);
    return showFiles;
}
