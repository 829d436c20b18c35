#include "script/script.h"

// PLACEHOLDER: the interpreter lands with the timeline work.
void CScript::parse() {}
