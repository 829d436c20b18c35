// tamarack-make_3ds OUT_DIR: writes the show's models into OUT_DIR.
//   torus.3ds  a torus wearing stripes.jpg
//   knot.3ds   a trefoil knot wearing marble.jpg
// Both are about 2 units across, centred on the origin, so a script places
// them with "translate 0 0 -6" or so and sizes them with "scale".
#include "assets/tds_writer.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tamarack-make_3ds OUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const tds::Mesh meshes[] = {
        tds::torus("torus", "stripes.jpg", 0.72f, 0.28f, 64, 32, 4, 1),
        tds::trefoil("knot", "marble.jpg", 0.3f, 0.16f, 54, 5, 6, 1),
    };
    const char* files[] = {"torus.3ds", "knot.3ds"};
    for (int i = 0; i < 2; ++i) {
        const std::string why = tds::write(dir + "/" + files[i], meshes[i]);
        if (!why.empty()) {
            std::fprintf(stderr, "tamarack-make_3ds: %s: %s\n", files[i], why.c_str());
            return 1;
        }
    }
    return 0;
}
