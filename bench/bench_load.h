#pragma once
#include <string>

// The scripts of the `load` workloads, the same bytes on every run: a long
// realistic show of about `lines` lines (constants, definitions, continued
// lines, seconds), and lines of random keywords and defined names whose
// texts hold other names and backslashes.
std::string longScript(int lines);
std::string randomScript(int lines);

// Prints "load_long engine_ms=X" and "load_random engine_ms=X": medians of
// loads from a reset record.
int runLoad(bool quick);
