#pragma once
#include "assets/file_kinds.h"

#include <string>
#include <vector>

// One file of data/ as the scan found it.
struct ShowFile {
    std::string name; // as in data/
    FileKind kind = FileKind::Other;
    bool loaded = false; // registered (a picture or model), or the music that plays
    std::string why;     // what went wrong, after the path: "is not loaded: ...", "never plays: ...",
                         // or the loader's error; empty when nothing did
};

// What the scan of data/ found: every file in the scan's order, and which
// music plays.
struct ShowFiles {
    std::vector<ShowFile> files;
    int music = -1; // the index in `files` of the music that plays (the last music file); -1: none

    // "data/NAME" of the music that plays; empty when there is none.
    std::string musicPath() const;
    // The file of that name; null when data/ holds none.
    const ShowFile* find(const std::string& name) const;
    // Every name, in order.
    std::vector<std::string> names() const;
};

// The show's files as the last scan found them. Written by the scan of data/
// only (engine/scan.cpp); read by the checks, the authoring session and the
// offline modes.
extern ShowFiles showFiles;

// The names in data/ in the scan's order (plain byte order; "." and ".." left
// out). Empty when data/ cannot be read.
std::vector<std::string> dataFolderNames();

// The path of the music that plays from `folder` (FOLDER/NAME): the last
// music file in byte order of the names, as the scan chooses it. Empty when
// there is none.
std::string playingMusicIn(const std::string& folder);

// Every file of data/ with its kind, none loaded yet; a file of no kind says
// why the scan leaves it (`why`).
ShowFiles listShowFiles();

// After the loaders ran: the music that plays is the last music file, and
// every other one says that it never plays.
void chooseMusic(ShowFiles& files);
