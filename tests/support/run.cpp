#include "support/run.h"

#include "support/temp_dir.h"

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                     const std::vector<std::string>& env) {
    char outName[] = "/tmp/tamarack-out-XXXXXX";
    char errName[] = "/tmp/tamarack-err-XXXXXX";
    int outFd = mkstemp(outName);
    int errFd = mkstemp(errName);
    RunResult r;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        dup2(errFd, 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv;
        std::string bin = program;
        argv.push_back(bin.data());
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(bin.c_str(), argv.data());
        _exit(127);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    close(outFd);
    close(errFd);
    r.out = readFile(outName);
    r.err = readFile(errName);
    unlink(outName);
    unlink(errName);
    return r;
}

RunResult runTamarack(const std::vector<std::string>& args, const std::string& cwd,
                      const std::vector<std::string>& env) {
    return runProgram(TAMARACK_BIN, args, cwd, env);
}
