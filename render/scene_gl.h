#pragma once
#include "timeline/scene.h"
#include "timeline/scene_geometry.h"

// The OpenGL half of drawing one running scene record whose current values
// (progress, typeUpdate, objUpdate or imgUpdate) have already been computed
// for this frame. Every function expects the frame's conventions: the matrix
// mode is GL_PROJECTION and holds the frustum and the camera transform.

// The blend, wireframe and environment-mapping switches of a record, turned
// on before it is drawn and off afterwards.
void sceneSwitchesOn(const CScene& s);
void sceneSwitchesOff(const CScene& s);

// Switches on, the drawing by kind and type, switches off.
void drawScene(const CScene& s);

// A model: colour, translate, rotate, scale, then Show3DS, with the matrix and
// the colour saved around it.
void objectPass(const CScene& s);
// The colour and the transforms of a model onto the current matrix.
void objectColorAndTransform(const CScene& s);

// A textured 2D layer in window pixels, screen W x H = einit's screen size.
void imagePass(const CScene& s);

// Within a frame (between begin and end) consecutive image layers drawn with
// the same state are queued and drawn as one array of quads; anything else
// drawn, and the end, draws the queue first. Outside, every layer is drawn at
// once.
void beginImageBatching();
void endImageBatching();
void flushImageLayers();

// Loads the perspective frustum onto the projection matrix, then the camera.
void loadPerspective();
