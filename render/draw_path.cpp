#include "render/draw_path.h"

DrawPath drawPath = DrawPath::Arrays;
