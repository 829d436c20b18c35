#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A 16-bit PCM WAV file's bytes: `samples` interleaved over `channels`.
std::string wavBytes(int rate, int channels, const std::vector<int16_t>& samples);

// `seconds` of silence with one click at exactly `at` seconds: one period of
// a 250 Hz square wave at 3/4 of full scale (2 ms), the same on every channel.
std::vector<int16_t> clickSamples(int rate, int channels, double seconds, double at);

// An Impulse Tracker module, byte by byte: one 64-row pattern played once at
// 0.1 s a row (speed 6, tempo 150), whose only note (row `row`) plays the
// same click as clickSamples, sampled at 48 kHz, so it sounds at row * 0.1 s.
std::string clickModule(int row);

// Runs `ffmpeg -i IN ARGS OUT` quietly; false when it fails.
bool ffmpegConvert(const std::string& in, const std::string& out, const std::string& args);

// A music file of `seconds` with the click at `at`: clickSamples at `rate`
// as a WAV converted by ffmpeg with `args` (next to `path`, then removed).
bool writeClickFile(const std::string& path, int rate, int channels, double seconds, double at,
                    const std::string& args);
