#pragma once
#include <string>
#include <string_view>

// What a file of the show is, by the ending of its name: one table
// (file_kinds.cpp) that two rules read.
enum class FileKind { Other, Picture, Model, Music };

// The scan's rule, for a file in data/: the last three characters of its
// path "data/NAME", exactly and case-sensitively. No dot is needed before
// "jpg", "png", "bmp", "tga", "3ds", "mp3" and "ogg"; ".xm" and ".it" carry
// theirs.
FileKind scanKind(const std::string& name);

// The script's rule, for a file-name argument of a command: its last four
// characters, exactly (".jpg", ".png", ".bmp", ".tga" or the same in capitals
// a picture, ".3ds" and ".3DS" a model); a shorter word, and any other ending, is no file name (Other).
FileKind nameKind(std::string_view word);

// The kind whose scan ending the name's ending matches in another letter
// case ("Logo.Jpg", "ship.3DS", "song.Mp3"); Other when there is none, and
// for a name the scan takes as it is.
FileKind kindInOtherCase(const std::string& name);
