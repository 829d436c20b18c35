#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

// An OpenGL context without anything on screen: SDL's `offscreen` video driver
// and a framebuffer object of the frame's size, read back top row first.
class Offscreen {
  public:
    SDL_Window* window = nullptr;
    void* context = nullptr;
    unsigned fbo = 0, colorBuffer = 0, depthBuffer = 0;
    int width = 0, height = 0;
    // The last open() or resize() was refused because the size is larger
    // than this OpenGL draws (its largest viewport or renderbuffer).
    bool tooLarge = false;

    // Opens the context and binds the framebuffer; on failure returns false
    // with the reason in err.
    bool open(int w, int h, std::string& err);
    // A framebuffer of another size in the same context (the textures stay);
    // a size larger than the OpenGL draws leaves the frame as it was.
    bool resize(int w, int h, std::string& err);
    void close();
    // The frame as 8-bit RGB, width * height * 3 bytes, top row first.
    void readRGB(std::vector<uint8_t>& out) const;
    void readRGB(uint8_t* out) const; // into width * height * 3 bytes

    ~Offscreen() { close(); }

  private:
    bool packInvert = false;              // GL_MESA_pack_invert: rows read top first
    mutable std::vector<uint8_t> flipRow; // else: one row, for flipping
};
