#pragma once

// How the engine submits its work. Arrays is the show's way: the Bezier
// effect computed into arrays each frame, models drawn from arrays built at
// load, image quads from a small array, and textures decoded on worker
// threads with a mip chain of our own. Immediate is the reference way: one
// call per vertex, textures decoded one after another and their mip chains
// built by GLU. Both give the same picture; the benchmark and the picture
// tests switch between them at run time.
enum class DrawPath { Immediate, Arrays };

extern DrawPath drawPath;
