#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What ffprobe and ffmpeg read back from a media file.

// stdout of a shell command (empty when it fails to start).
std::string commandOutput(const std::string& command);

// The codec names of the file's streams in order, as "video:h264" or
// "audio:aac"; empty when ffprobe cannot read it.
std::vector<std::string> streamCodecs(const std::string& path);

// Every frame of the first video stream as 8-bit grey, width * height bytes
// each, as a player decodes it (no frame dropped or repeated).
std::vector<std::vector<uint8_t>> decodeGrey(const std::string& path, int width, int height);

// The first audio stream as interleaved stereo floats at 48 kHz.
std::vector<float> decodeAudio(const std::string& path);

// The first audio stream's length in seconds: the one the container records
// where it has one (MP4's edit list; FFmpeg's decoder does not cut an AAC
// stream's last block to it), else the decoded length.
double audioSeconds(const std::string& path);

// The first frame whose centre pixel is white (grey above 200; the size of
// the list when none is).
size_t firstWhiteFrame(const std::vector<std::vector<uint8_t>>& frames, int width, int height);

// The first stereo frame whose left sample reaches `level` of the loudest
// (a lossy codec rings a little before a click, well below a third).
size_t firstLoudSample(const std::vector<float>& stereo, float level = 1 / 3.0f);
