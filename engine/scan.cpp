#include "engine/scan.h"

#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "assets/picture_decode.h"
#include "assets/texture_queue.h"
#include "render/draw_path.h"
#include "render/texture_upload.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
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

// What a rescan may keep: the records of the last scan, by file name.
struct Kept {
    std::map<std::string, texture_type*> textures;
    std::map<std::string, object_type*> objects;
    std::vector<texture_type*> spareTextures; // a second record of one name: released
    std::vector<object_type*> spareObjects;
    ShowFiles files;                 // as the last scan found them
    std::vector<Diagnostic> reports; // what the loaders reported then
    std::set<std::string> keep;      // the files unchanged since
    bool has(const std::string& name) const { return keep.count(name) > 0; }
};

// Registers the file's records of the last scan again (a picture at
// registry index `at`), with what was reported of it then; false when there
// is none to keep.
bool keepFile(Kept& kept, ShowFile& f, int at = 0) {
    if (!kept.has(f.name)) return false;
    if (f.kind == FileKind::Picture) {
        const auto it = kept.textures.find(f.name);
        if (it == kept.textures.end()) return false;
        registerTextureAt(it->second, at);
        kept.textures.erase(it);
    } else {
        const auto it = kept.objects.find(f.name);
        if (it == kept.objects.end()) return false;
        it->second->next = gfx.objects;
        gfx.objects = it->second;
        kept.objects.erase(it);
    }
    f.loaded = true;
    if (const ShowFile* before = kept.files.find(f.name)) f.why = before->why;
    for (const Diagnostic& d : kept.reports)
        if (d.file == "data/" + f.name) assetReport.diagnostics.push_back(d);
    return true;
}

const ShowFiles& scanWith(Kept* kept) {
    showFiles = listShowFiles();
    auto keeps = [&](const ShowFile& f) { return kept && kept->has(f.name); };

    // The pictures are decoded on worker threads, a few ahead, while this
    // thread uploads them and registers them in name order; models and music
    // are loaded here in their places.
    std::unique_ptr<TextureQueue> queue;
    if (drawPath == DrawPath::Arrays) {
        std::vector<std::string> pictures;
        for (const ShowFile& f : showFiles.files)
            if (f.kind == FileKind::Picture && !keeps(f) && pictureFormat(f.name) == PictureFormat::Jpeg)
                pictures.push_back("data/" + f.name);
        if (!pictures.empty()) {
            const int threads = static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
            queue =
                std::make_unique<TextureQueue>(std::move(pictures), threads, threads + 2, maxTextureSize());
        }
    }

    // One interleaved pass in name order, each file handed to the loader of
    // its kind; the pictures that are no JPEG wait for the second pass.
    size_t picture = 0;
    std::vector<ShowFile*> others;
    for (ShowFile& f : showFiles.files) {
        const std::string path = "data/" + f.name;
        const size_t reported = assetReport.diagnostics.size();
        if (f.kind == FileKind::Picture && pictureFormat(f.name) != PictureFormat::Jpeg) {
            others.push_back(&f);
            continue;
        }
        switch (f.kind) {
        case FileKind::Picture: {
            if (keeps(f) && keepFile(*kept, f)) continue;
            const texture_type* before = gfx.textures;
            if (queue && !keeps(f)) {
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
            if (keeps(f) && keepFile(*kept, f)) continue;
            f.loaded = Load3DS(path);
            break;
        case FileKind::Music: // the caller opens the one that plays
        case FileKind::Other:
            break;
        }
        if (f.kind != FileKind::Other) f.why = errorSince(reported);
    }

    // PNG, BMP and TGA pictures, in name order, go after every JPEG: each
    // JPEG keeps the registry index (and the GL texture name) it has in a
    // show of JPEGs alone, and among the others the last name is the first,
    // as among the JPEGs.
    int jpegs = 0;
    for (const texture_type* t = gfx.textures; t; t = t->next)
        ++jpegs;
    for (ShowFile* f : others) {
        if (keeps(*f) && keepFile(*kept, *f, jpegs)) continue;
        const size_t reported = assetReport.diagnostics.size();
        const uint32_t changes = gfx.textureChanges;
        loadTextureAt("data/" + f->name, jpegs);
        f->loaded = gfx.textureChanges != changes;
        f->why = errorSince(reported);
    }
    chooseMusic(showFiles);
    return showFiles;
}

} // namespace

const ShowFiles& scanData() {
    return scanWith(nullptr);
}

const ShowFiles& rescanData(const std::set<std::string>& keep) {
    Kept kept;
    kept.keep = keep;
    kept.files = showFiles;
    kept.reports = assetReport.diagnostics;
    for (texture_type* t = gfx.textures; t;) {
        texture_type* next = t->next;
        if (!kept.textures.emplace(t->name, t).second) kept.spareTextures.push_back(t);
        t = next;
    }
    for (object_type* o = gfx.objects; o;) {
        object_type* next = o->next;
        if (!kept.objects.emplace(o->name, o).second) kept.spareObjects.push_back(o);
        o = next;
    }
    gfx.textures = nullptr;
    gfx.objects = nullptr;
    ++gfx.textureChanges;
    assetReport.clear();

    scanWith(&kept);

    // What was not kept goes, with its GL texture and buffer.
    texture_type* textures = gfx.textures;
    object_type* objects = gfx.objects;
    gfx.textures = nullptr;
    gfx.objects = nullptr;
    for (auto& [name, t] : kept.textures)
        kept.spareTextures.push_back(t);
    for (auto& [name, o] : kept.objects)
        kept.spareObjects.push_back(o);
    for (texture_type* t : kept.spareTextures) {
        t->next = gfx.textures;
        gfx.textures = t;
    }
    for (object_type* o : kept.spareObjects) {
        o->next = gfx.objects;
        gfx.objects = o;
    }
    gfxClear();
    gfx.textures = textures;
    gfx.objects = objects;
    return showFiles;
}
