#pragma once
#include "assets/xm_writer.h"

#include <string>

// A module of three orders of 64 rows at speed 6, tempo 125 (a row is
// 120 ms), with speed 3 from order 1 row 8 and tempo 150 from order 2 row 0:
// order 1 starts at 7680 ms, its row 8 at 8640, order 2 at 12000 and its rows
// last 50 ms.
inline std::string changingModule() {
    xm::Module m;
    m.name = "changes";
    m.channels = 2;
    m.instruments.push_back(xm::kick());
    for (int p = 0; p < 3; ++p) {
        xm::Pattern pattern(64, 2);
        for (int r = 0; r < 64; r += 8)
            pattern.play(r, 0, xm::note("C-4"), 1);
        m.patterns.push_back(pattern);
    }
    m.patterns[1].at(8, 1).effect = 0xF;
    m.patterns[1].at(8, 1).param = 3;
    m.patterns[2].at(0, 1).effect = 0xF;
    m.patterns[2].at(0, 1).param = 150;
    m.order = {0, 1, 2};
    return xm::encode(m);
}
