#pragma once
#include <string>

// A problem found in the show, located by file and physical line (0: the file
// as a whole). Collected by the loader and the checks; the live show stays silent.
struct Diagnostic {
    enum Severity { Error, Warning };
    Severity severity = Error;
    std::string file; // "data/script.txt" or "data/NAME"
    int line = 0;
    std::string message;
};
