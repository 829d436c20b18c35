#include "support/run.h"

#include "support/temp_dir.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

RunResult runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                     const std::vector<std::string>& env) {
    return Started(args, cwd, env, "", program).wait();
}

RunResult runTamarack(const std::vector<std::string>& args, const std::string& cwd,
                      const std::vector<std::string>& env) {
    return Started(args, cwd, env).wait();
}

Started::Started(const std::vector<std::string>& args, const std::string& cwd,
                 const std::vector<std::string>& env, const std::string& outPath,
                 const std::string& program) {
    char outTemplate[] = "/tmp/tamarack-out-XXXXXX";
    char errTemplate[] = "/tmp/tamarack-err-XXXXXX";
    ownOut = outPath.empty();
    const int outFd =
        ownOut ? mkstemp(outTemplate) : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = mkstemp(errTemplate);
    outName = ownOut ? outTemplate : outPath;
    errName = errTemplate;
    pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        dup2(errFd, 2);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(127);
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv;
        std::string bin = program.empty() ? TAMARACK_BIN : program;
        argv.push_back(bin.data());
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(bin.c_str(), argv.data());
        _exit(127);
    }
    close(outFd);
    close(errFd);
}

Started::~Started() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        wait();
    }
}

std::string Started::errSoFar() const {
    return readFile(errName);
}

void Started::signal(int sig) const {
    if (pid > 0) kill(pid, sig);
}

RunResult Started::wait() {
    RunResult r;
    int st = 0;
    waitpid(pid, &st, 0);
    pid = -1;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = ownOut ? readFile(outName) : "";
    r.err = readFile(errName);
    if (ownOut) unlink(outName.c_str());
    unlink(errName.c_str());
    return r;
}
