#include "assets/file_kinds.h"

#include "base/text.h"

#include <cstring>

namespace {

// Each kind with the endings the scan takes (the last three characters of
// the path) and the endings a command's file name has (its last four).
struct KindRow {
    FileKind kind;
    const char* scanned[8];
    const char* named[8];
};

const KindRow kKinds[] = {
    {FileKind::Picture,
     {"jpg", "JPG", "png", "PNG", "bmp", "BMP", "tga", "TGA"},
     {".jpg", ".JPG", ".png", ".PNG", ".bmp", ".BMP", ".tga", ".TGA"}},
    {FileKind::Model, {"3ds"}, {".3ds", ".3DS"}},
    {FileKind::Music, {"mp3", "MP3", "ogg", "OGG", ".xm", ".XM", ".it", ".IT"}, {}},
};

// The last three characters of "data/" + name.
std::string scanEnding(const std::string& name) {
    const std::string path = "data/" + name;
    return path.substr(path.size() - 3);
}

} // namespace

FileKind scanKind(const std::string& name) {
    const std::string ending = scanEnding(name);
    for (const KindRow& row : kKinds)
        for (const char* e : row.scanned)
            if (e && ending == e) return row.kind;
    return FileKind::Other;
}

FileKind nameKind(std::string_view word) {
    if (word.size() < 4) return FileKind::Other;
    const std::string_view tail = word.substr(word.size() - 4);
    for (const KindRow& row : kKinds)
        for (const char* e : row.named)
            if (e && tail == e) return row.kind;
    return FileKind::Other;
}

FileKind kindInOtherCase(const std::string& name) {
    if (scanKind(name) != FileKind::Other) return FileKind::Other;
    const std::string folded = lowered(scanEnding(name));
    for (const KindRow& row : kKinds)
        for (const char* e : row.scanned)
            if (e && folded == lowered(e)) return row.kind;
    return FileKind::Other;
}
