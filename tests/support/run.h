#pragma once
#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct RunResult {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// A program (empty: tamarack) started in the background in `cwd` (empty: the current folder) with
// extra NAME=VALUE environment entries, its output going to temporary files (stdout to `outPath`).
class Started {
  public:
    Started(const std::vector<std::string>& args, const std::string& cwd = "",
            const std::vector<std::string>& env = {}, const std::string& outPath = "",
            const std::string& program = "")
        : outName(outPath), ownOut(outPath.empty()) {
        char outTemplate[] = "/tmp/tamarack-out-XXXXXX", errTemplate[] = "/tmp/tamarack-err-XXXXXX";
        const int outFd =
            ownOut ? mkstemp(outTemplate) : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = mkstemp(errTemplate);
        if (ownOut) outName = outTemplate;
        errName = errTemplate;
        pid = fork();
        if (pid == 0) {
            dup2(outFd, 1);
            dup2(errFd, 2);
            if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
            for (const std::string& e : env)
                putenv(const_cast<char*>(e.c_str()));
            std::string bin = program.empty() ? TAMARACK_BIN : program;
            std::vector<char*> argv{bin.data()};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(bin.c_str(), argv.data());
            _exit(127);
        }
        close(outFd);
        close(errFd);
    }
    ~Started() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            wait();
        }
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    std::string errSoFar() const { return readFile(errName); }
    void signal(int sig) const {
        if (pid > 0) kill(pid, sig);
    }
    // Waits for the end.
    RunResult wait() {
        int st = 0;
        waitpid(pid, &st, 0);
        pid = -1;
        RunResult r{WIFEXITED(st) ? WEXITSTATUS(st) : -1, ownOut ? readFile(outName) : "", readFile(errName)};
        if (ownOut) unlink(outName.c_str());
        unlink(errName.c_str());
        return r;
    }

  private:
    pid_t pid = -1;
    std::string outName, errName;
    bool ownOut = true;
};

// Runs the real tamarack binary with the arguments, as Started, and waits.
inline RunResult runTamarack(const std::vector<std::string>& args, const std::string& cwd = "",
                             const std::vector<std::string>& env = {}) {
    return Started(args, cwd, env).wait();
}

// The same for any program, given by its path.
inline RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& cwd = "", const std::vector<std::string>& env = {}) {
    return Started(args, cwd, env, "", program).wait();
}
