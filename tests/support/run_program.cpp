// Child-process runner for end-to-end tests (see run_program.h).
#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {
void DrainInto(int fd, std::string* text, bool* open) {
    char buffer[65536];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
        text->append(buffer, n);
    else if (n == 0 || (errno != EAGAIN && errno != EINTR))
        *open = false;
}
} // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, const ProgramOptions& options) {
    ProgramResult result;
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) return result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        setpgid(0, 0);
        if (!options.workingDir.empty() && chdir(options.workingDir.c_str()) != 0) _exit(126);
        for (const std::string& name : options.unsetEnv) unsetenv(name.c_str());
        for (const std::string& entry : options.extraEnv) putenv(strdup(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!options.input.empty() && write(in[1], options.input.data(), options.input.size()) < 0) {
        // the child has gone already: its status says why
    }
    close(in[1]);
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    fcntl(err[0], F_SETFL, O_NONBLOCK);

    bool outOpen = true, errOpen = true;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    while (outOpen || errOpen) {
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        poll(fds, 2, 200);
        if (outOpen && fds[0].revents) DrainInto(out[0], &result.out, &outOpen);
        if (errOpen && fds[1].revents) DrainInto(err[0], &result.err, &errOpen);
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

std::string BuildDir() {
    const char* fromEnv = getenv("VT_BINARY_DIR");
    return fromEnv && *fromEnv ? fromEnv : VT_BINARY_DIR;
}

std::string SetupProgram() {
    return BuildDir() + "/bin/setup";
}

pid_t StartProgram(const std::vector<std::string>& argv, const std::string& out, bool ownGroup) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    if (ownGroup) setpgid(0, 0);
    int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) _exit(127);
    dup2(fd, 1);
    dup2(fd, 2);
    unsetenv("DISPLAY");
    std::vector<char*> words;
    for (const std::string& a : argv) words.push_back(const_cast<char*>(a.c_str()));
    words.push_back(nullptr);
    execv(words[0], words.data());
    _exit(127);
}
