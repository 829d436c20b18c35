#pragma once
#include "base/vector.h"

class CBezier;

// Cubic Bezier curves through four control points: start, first handle,
// second handle, end.

// The point at parameter t (0: the start, 1: the end).
VECTOR PBez3D(VECTOR* control, float t);

// Fills out[0] .. out[n-1] with n points evenly spaced in the parameter from
// 0 to 1. Writes nothing when n is 0 or less.
void CompBez(VECTOR* control, int n, VECTOR* out);

// Draws the Bezier effect of its record (the renderer's global scene1): its
// time and values brought up to the clock, then the sheaf of curves.
void drawBezier(CBezier& s);
