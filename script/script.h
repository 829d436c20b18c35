#pragma once
#include "base/diagnostic.h"
#include "base/show_paths.h"
#include "timeline/beat_grid.h"
#include "timeline/scene.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The script record: the preprocessed lines, the timeline's commands and
// their times, the live scenes and the sync tracks.
class CScript {
  public:
    std::vector<std::string> lines;
    std::map<std::string, std::string> defines;
    std::map<std::string, int32_t> constants;
    std::vector<std::string> commands;
    std::vector<int32_t> times;
    uint32_t current = 0;
    std::vector<CScene> scenes;
    std::vector<CScene>::iterator sceneIt;
    std::vector<CScene>::iterator syncSceneIt;
    std::vector<std::vector<SYNC>> syncTracks;
    std::vector<SYNC>::iterator syncIt;

    // Authoring aids, never read by the show itself.
    std::vector<int> lineNumbers;  // physical line of each entry of lines
    std::vector<int> commandLines; // physical line of each entry of commands
    std::vector<Diagnostic> diagnostics;
    bool opened = false;                // whether init() could open the file
    std::string openError;              // strerror text when it could not
    std::vector<std::string> keptLines; // lines as loading left them, before the options pass

    // The music's beats and a module's rows, for the times written to the
    // music: the "Tempo" option, and the module of the show's folder when a
    // time needs it (musical_time.h). Built by the options pass.
    BeatGrid grid;
    std::string musicFolder; // where the music is looked for: the script's folder
    std::string modulePath;  // the module the grid's rows come from; empty: none

    void init(const char* path);
    void defineInit();
    void optionParse();
    void parse();

    void reset(); // back to the freshly constructed state (reloads, tests)
};

extern CScript script;
