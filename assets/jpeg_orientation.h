#pragma once
#include <string>

// The EXIF orientation stored in a JPEG file (1 to 8; 1: upright as stored),
// read from its APP1 segment without decoding the picture. 0 when the file
// has none or cannot be read.
int jpegOrientation(const std::string& path);

// How to turn a picture of EXIF orientation 2 to 8 upright, as jpegtran's
// transform option ("-rotate 90"); empty for any other value.
const char* orientationTransform(int orientation);
// The orientation in words ("to be viewed turned 90 degrees clockwise").
const char* orientationWords(int orientation);
