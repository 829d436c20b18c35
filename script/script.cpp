#include "script/script.h"

// PLACEHOLDER: the loader lands with the script work.
CScript script;

void CScript::reset() { *this = CScript(); }
void CScript::init(const char*) {}
void CScript::defineInit() {}
void CScript::optionParse() {}
