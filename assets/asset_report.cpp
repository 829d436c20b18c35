#include "assets/asset_report.h"

#include <cstdio>

AssetReport assetReport;

void AssetReport::add(const std::string& path, Diagnostic::Severity severity, const std::string& message) {
    if (print) std::fprintf(stderr, "tamarack: %s: %s\n", path.c_str(), message.c_str());
    Diagnostic d;
    d.severity = severity;
    d.file = path;
    d.message = message;
    diagnostics.push_back(d);
}
