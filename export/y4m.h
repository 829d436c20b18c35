#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The YUV4MPEG2 stream of the offline render: 4:2:0 with JPEG chroma siting
// (each chroma sample the mean of its 2 x 2 pixels), full-range BT.601.

// "YUV4MPEG2 W640 H480 F60:1 Ip A1:1 C420jpeg\n"
std::string y4mHeader(int width, int height, int fps);
// The bytes of one frame in the stream: "FRAME\n", then Y, Cb and Cr.
size_t y4mFrameBytes(int width, int height);
// Converts one frame (width * height * 3 RGB bytes, top row first) into
// `out`, y4mFrameBytes() long.
void y4mFrame(const uint8_t* rgb, int width, int height, uint8_t* out);
