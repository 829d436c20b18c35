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
// Runs this program with `args` and reads the numbers it prints, as many as
// `values` holds.
bool runChild(const std::string& self, const std::string& args, std::vector<double>& values);

// Minor page faults of this process so far, and its peak resident memory in MiB.
long minorFaults();
double peakRssMb();

// Processes that keep the CPUs busy (one busy loop each) while the object lives.
struct BusyLoops {
    std::vector<int> pids;
    explicit BusyLoops(int count);
    ~BusyLoops();
};

// A photo-like JPEG as benchJpeg makes it, but from tables along the rows and
// columns, so that pictures of hundreds of megapixels are made in seconds.
std::string bigJpeg(int w, int h);

// In a fresh process: the JPEGs of DIR/data decoded to RGB one after another
// on this thread, each into a fresh buffer, plus reading the model file's
// bytes; prints the milliseconds.
int startupFloor(const std::string& dir);
// In a fresh process: the JPEG `path` decoded whole to RGB on this thread into
// one buffer of its size; prints the milliseconds and the peak memory in MiB.
int bigPhotoFloor(const std::string& path);
