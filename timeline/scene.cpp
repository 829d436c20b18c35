#include "timeline/scene.h"

// PLACEHOLDER: the timing operations land with the timeline work.
CBezier scene1;

void CScene::copy(const CScene&) {}
bool CScene::isRunning() const { return false; }
void CScene::timeUpdate() {}
void CScene::typeUpdate() {}
void CScene::objUpdate() {}
void CScene::imgUpdate() {}
