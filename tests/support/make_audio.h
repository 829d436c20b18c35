#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace audio_bytes {

inline std::string u8(unsigned v) {
    return std::string(1, static_cast<char>(v & 0xFF));
}
inline std::string u16(unsigned v) {
    return u8(v) + u8(v >> 8);
}
inline std::string u32(uint32_t v) {
    return u16(v & 0xFFFF) + u16(v >> 16);
}
inline std::string padded(const std::string& s, size_t n) {
    return (s + std::string(n, '\0')).substr(0, n);
}

} // namespace audio_bytes

// A 16-bit PCM WAV file's bytes: `samples` interleaved over `channels`.
inline std::string wavBytes(int rate, int channels, const std::vector<int16_t>& samples) {
    using namespace audio_bytes;
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    std::string w = "RIFF" + u32(36 + data) + "WAVEfmt " + u32(16) + u16(1) + u16(channels) + u32(rate) +
                    u32(rate * channels * 2) + u16(channels * 2) + u16(16) + "data" + u32(data);
    for (int16_t s : samples)
        w += u16(static_cast<uint16_t>(s));
    return w;
}

// `seconds` of silence with one click at exactly `at` seconds: one period of
// a 250 Hz square wave at 3/4 of full scale (2 ms), the same on every channel.
inline std::vector<int16_t> clickSamples(int rate, int channels, double seconds, double at) {
    std::vector<int16_t> s(static_cast<size_t>(seconds * rate) * channels, 0);
    const size_t start = static_cast<size_t>(at * rate + 0.5), half = static_cast<size_t>(rate / 500);
    for (size_t i = 0; i < 2 * half && start + i < s.size() / channels; ++i)
        for (int c = 0; c < channels; ++c)
            s[(start + i) * channels + c] = i < half ? 24576 : -24576;
    return s;
}

// An Impulse Tracker module: one 64-row pattern at 0.1 s a row (speed 6, tempo 150) whose only
// note, at row `row`, plays clickSamples' click sampled at 48 kHz.
inline std::string clickModule(int row) {
    using namespace audio_bytes;
    const uint32_t sampleHeader = 192 + 2 + 4 + 4, pattern = sampleHeader + 80;
    std::string rows =
        std::string(static_cast<size_t>(row), '\0') + u8(0x81) + u8(0x03) + u8(60) + u8(1) + u8(0);
    rows += std::string(static_cast<size_t>(63 - row), '\0');
    const uint32_t half = 48000 / 500;
    std::string m = "IMPM" + padded("click", 26) + u16(0x1004) + u16(2) + u16(0) + u16(1) + u16(1) +
                    u16(0x0214) + u16(0x0200) + u16(0x0009) + u16(0) + u8(128) + u8(128) + u8(6) + u8(150) +
                    u8(128) + u8(0) + u16(0) + u32(0) + u32(0);
    m += std::string(64, static_cast<char>(32)) + std::string(64, static_cast<char>(64)); // pan, volume
    m += u8(0) + u8(255) + u32(sampleHeader) + u32(pattern);                              // orders: 0, end
    m += "IMPS" + padded("click.raw", 12) + u8(0) + u8(64) + u8(0x01) + u8(64) + padded("click", 26) + u8(1) +
         u8(0) + u32(2 * half) + u32(0) + u32(0) + u32(48000) + u32(0) + u32(0) +
         u32(pattern + 8 + static_cast<uint32_t>(rows.size())) + u32(0);
    m += u16(static_cast<unsigned>(rows.size())) + u16(64) + u32(0) + rows;
    return m + std::string(half, static_cast<char>(96)) + std::string(half, static_cast<char>(-96));
}

// Runs `ffmpeg -i IN ARGS OUT` quietly; false when it fails.
inline bool ffmpegConvert(const std::string& in, const std::string& out, const std::string& args) {
    const std::string cmd = "ffmpeg -nostdin -loglevel error -y -i '" + in + "' " + args + " '" + out + "'";
    return std::system(cmd.c_str()) == 0;
}

// A music file of `seconds`, click at `at`: clickSamples as a WAV converted by ffmpeg with `args`.
inline bool writeClickFile(const std::string& path, int rate, int channels, double seconds, double at,
                           const std::string& args) {
    const std::string wav = path + ".wav";
    std::ofstream(wav, std::ios::binary)
        << wavBytes(rate, channels, clickSamples(rate, channels, seconds, at));
    const bool ok = ffmpegConvert(wav, path, args);
    std::remove(wav.c_str());
    return ok;
}
