#pragma once
// Helpers of tamarack-bench: clocks, medians, a temporary show folder, the
// workloads' files and child runs.
#include <functional>
#include <string>
#include <vector>

double nowMs();
double median(std::vector<double> v);

// A folder in /tmp, removed with its contents when the object goes.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    void write(const std::string& name, const std::string& bytes) const;
};

// A photo-like JPEG (smooth colour fields with fine detail) of w x h.
std::string benchJpeg(int w, int h, int seed = 0);
// A torus of nu x nv cells (2 nu nv textured triangles) naming `texture`.
void writeModel(const std::string& path, const std::string& texture, int nu, int nv);

// The path of this program, for running it again.
std::string selfPath();
// Runs this program with `args` and reads the one number it prints.
bool runChild(const std::string& self, const std::string& args, double& value);

// In a fresh process: the JPEGs of DIR/data decoded to RGB one after another
// on this thread, each into a fresh buffer, plus reading the model file's
// bytes; prints the milliseconds.
int startupFloor(const std::string& dir);
