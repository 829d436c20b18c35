#include "render/camera.h"

#include <GL/gl.h>

CCamera camera;

void CCamera::init() {
    position = {0, 0, 0};
    rotation = {0, 0, 0};
}

void CCamera::add(VECTOR* target, const VECTOR* delta) {
    target->x += delta->x;
    target->y += delta->y;
    target->z += delta->z;
}

void CCamera::translate(float x, float y, float z, bool relative) {
    translate(VECTOR{x, y, z}, relative);
}

void CCamera::translate(VECTOR v, bool relative) {
    if (relative)
        add(&position, &v);
    else
        position = v;
}

void CCamera::rotate(float x, float y, float z, bool relative) {
    rotate(VECTOR{x, y, z}, relative);
}

void CCamera::rotate(VECTOR v, bool relative) {
    if (relative)
        add(&rotation, &v);
    else
        rotation = v;
}

void CCamera::render() {
    glRotatef(-rotation.x, 0, 1, 0);
    glRotatef(-rotation.y, 1, 0, 0);
    glRotatef(-rotation.z, 0, 0, 1);
    glTranslatef(-position.x, -position.y, -position.z);
}
