#include "cli/modes.h"
#include "script/script.h"

#include <cstdio>

// -E: the kept lines exactly as loading leaves them for the options pass, one
// per line; the loader's diagnostics go to stderr.
int runPreprocess(const Options& opt) {
    if (!loadScript(opt)) return 1;
    for (const Diagnostic& d : script.diagnostics)
        std::fprintf(stderr, "%s:%d: %s\n", d.file.c_str(), d.line, d.message.c_str());
    for (const std::string& line : script.keptLines) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
    }
    return 0; // main checks that it reached stdout
}
