#include "timeline/scene.h"

// PLACEHOLDER: the Bezier effect lands with the render work.
void CBezier::Bezier() {}
