#pragma once
#include <string>

// A show folder in /tmp with a data/ directory, removed with its contents
// when the object goes.
class TempShow {
  public:
    TempShow();
    ~TempShow();
    TempShow(const TempShow&) = delete;
    TempShow& operator=(const TempShow&) = delete;

    const std::string& dir() const { return root; }
    std::string data(const std::string& name) const { return root + "/data/" + name; }
    // Writes data/NAME with the given bytes.
    void write(const std::string& name, const std::string& bytes) const;
    void script(const std::string& text) const { write("script.txt", text); }

  private:
    std::string root;
};

std::string readFile(const std::string& path);
