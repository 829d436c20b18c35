#pragma once
#include "base/diagnostic.h"

#include <string>
#include <vector>

// Problems met while loading assets. Each is printed on stderr as
// "tamarack: data/NAME: MESSAGE" (unless printing is off, as in --check, which
// prints them its own way) and kept for the checks and the authoring mode.
class AssetReport {
  public:
    bool print = true;
    std::vector<Diagnostic> diagnostics;

    void add(const std::string& path, Diagnostic::Severity severity, const std::string& message);
    void clear() { diagnostics.clear(); }
};

extern AssetReport assetReport;
