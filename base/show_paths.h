#pragma once

// Where a show's files are, relative to the show folder (the working
// directory): the script and, beside it in data/, the pictures, models and
// music. Every path and message about the script names it so.
inline constexpr char kScriptPath[] = "data/script.txt";
// The script's name within data/ ("script.txt").
inline constexpr const char* kScriptName = kScriptPath + 5;
