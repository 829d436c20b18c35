#pragma once
#include "script/diagnostic.h"

#include <string>
#include <vector>

// Every problem of the loaded show: what the script loader collected, what
// the asset scan reported, and what reading each command once, as the
// interpreter would but without touching the show, finds. Call after the
// script has been loaded and the assets scanned. Sorted by file and line.
std::vector<Diagnostic> checkShow();

// One diagnostic in the compilers' form: "FILE:LINE: error: MESSAGE", or
// "FILE: error: MESSAGE" for a problem of a file as a whole (line 0).
std::string formatDiagnostic(const Diagnostic& d);
