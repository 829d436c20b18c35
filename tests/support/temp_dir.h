#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

// A show folder in /tmp with a data/ directory, removed with its contents at the end.
class TempShow {
  public:
    TempShow() {
        char pattern[] = "/tmp/tamarack-test-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        root = pattern;
        std::filesystem::create_directory(root + "/data");
    }
    ~TempShow() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    TempShow(const TempShow&) = delete;
    TempShow& operator=(const TempShow&) = delete;

    const std::string& dir() const { return root; }
    std::string data(const std::string& name) const { return root + "/data/" + name; }
    // Writes data/NAME with the given bytes.
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream(data(name), std::ios::binary) << bytes;
    }
    void script(const std::string& text) const { write("script.txt", text); }

  private:
    std::string root;
};

inline std::string readFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}
