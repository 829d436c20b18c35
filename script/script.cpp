#include "script/script.h"

CScript script;

void CScript::reset() {
    *this = CScript();
}
