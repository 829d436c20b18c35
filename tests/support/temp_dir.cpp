#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempShow::TempShow() {
    char pattern[] = "/tmp/tamarack-test-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    root = pattern;
    std::filesystem::create_directory(root + "/data");
}

TempShow::~TempShow() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

void TempShow::write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(data(name), std::ios::binary);
    f << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}
