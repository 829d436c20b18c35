#pragma once
// What ffprobe and ffmpeg read back from a media file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// stdout of a shell command (empty when it fails to start).
inline std::string commandOutput(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

// The file's streams in order, as "video:h264" or "audio:aac"; empty when ffprobe cannot read it.
inline std::vector<std::string> streamCodecs(const std::string& path) {
    std::istringstream lines(commandOutput("ffprobe -v error -show_entries stream=codec_type,codec_name -of "
                                           "csv=p=0:nk=1 '" +
                                           path + "'"));
    std::vector<std::string> codecs;
    for (std::string line; std::getline(lines, line);) {
        const size_t comma = line.find(',');
        if (comma != std::string::npos)
            codecs.push_back(line.substr(comma + 1) + ":" + line.substr(0, comma));
    }
    return codecs;
}

// Every frame of the first video stream as 8-bit grey, as a player decodes it (none dropped or repeated).
inline std::vector<std::vector<uint8_t>> decodeGrey(const std::string& path, int width, int height) {
    const std::string raw = commandOutput("ffmpeg -nostdin -v error -i '" + path +
                                          "' -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt gray -");
    const size_t size = static_cast<size_t>(width) * height;
    std::vector<std::vector<uint8_t>> frames;
    for (size_t at = 0; at + size <= raw.size(); at += size)
        frames.emplace_back(raw.begin() + at, raw.begin() + at + size);
    return frames;
}

// The first audio stream as interleaved stereo floats at 48 kHz.
inline std::vector<float> decodeAudio(const std::string& path) {
    const std::string raw =
        commandOutput("ffmpeg -nostdin -v error -i '" + path + "' -map 0:a:0 -f f32le -ac 2 -ar 48000 -");
    std::vector<float> samples(raw.size() / sizeof(float));
    std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
    return samples;
}

// The first audio stream's length in seconds as the container records it (MP4's edit list, which
// FFmpeg's AAC decoder does not cut to), else the decoded length.
inline double audioSeconds(const std::string& path) {
    const std::string recorded =
        commandOutput("ffprobe -v error -select_streams a:0 -show_entries stream=duration "
                      "-of csv=p=0 '" +
                      path + "'");
    try {
        return std::stod(recorded);
    } catch (const std::exception&) {
        return decodeAudio(path).size() / 2 / 48000.0;
    }
}

// The first frame whose centre pixel is white (grey above 200); the size of the list when none is.
inline size_t firstWhiteFrame(const std::vector<std::vector<uint8_t>>& frames, int width, int height) {
    for (size_t i = 0; i < frames.size(); ++i)
        if (frames[i][static_cast<size_t>(height / 2) * width + width / 2] > 200) return i;
    return frames.size();
}

// The first stereo frame whose left sample reaches `level` of the loudest (a lossy codec rings a
// little before a click, well below a third).
inline size_t firstLoudSample(const std::vector<float>& stereo, float level = 1 / 3.0f) {
    float peak = 0;
    for (float v : stereo)
        peak = std::max(peak, std::abs(v));
    for (size_t i = 0; i < stereo.size(); i += 2)
        if (peak > 0 && std::abs(stereo[i]) >= peak * level) return i / 2;
    return stereo.size() / 2;
}
