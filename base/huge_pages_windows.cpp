#include "base/huge_pages.h"

// Windows has no transparent huge pages: large pages go only to programs
// holding the lock-pages privilege, and its allocator has no tunable to ask
// for them. Nothing to do.
void useHugePages(char** /*argv*/) {}
