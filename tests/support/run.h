#pragma once
#include <string>
#include <vector>

struct RunResult {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the real tamarack binary with the arguments, in the working directory
// `cwd` (empty: the current one), with extra environment entries NAME=VALUE.
RunResult runTamarack(const std::vector<std::string>& args, const std::string& cwd = "",
                      const std::vector<std::string>& env = {});

// The same for any program, given by its path.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& cwd = "", const std::vector<std::string>& env = {});
