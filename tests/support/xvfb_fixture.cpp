// The Xvfb fixture (see xvfb_fixture.h). Xvfb writes its display number to the descriptor
// given with -displayfd once it accepts connections; we then also wait until a client can
// connect, because a loaded machine may still be slow to answer.
#include "support/xvfb_fixture.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/run_program.h"

namespace {

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string ReadNumber(int fd, int timeoutMs) {
    std::string text;
    long long deadline = NowMs() + timeoutMs;
    while (NowMs() < deadline) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buffer[32];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, (size_t)n);
        if (text.find('\n') != std::string::npos) break;
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

bool Answers(const std::string& name) {
    Display* d = XOpenDisplay(name.c_str());
    if (!d) return false;
    XCloseDisplay(d);
    return true;
}

} // namespace

XvfbServer::XvfbServer(const std::string& screen0) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (fds[1] != 3) {
            dup2(fds[1], 3);
            close(fds[1]);
        }
        int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        setpgid(0, 0);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen0.c_str(), "-screen", "1",
               "640x480x8", "-nolisten", "tcp", "-noreset", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    pid_ = pid;
    std::string number = ReadNumber(fds[0], 20000);
    close(fds[0]);
    if (number.empty()) {
        kill();
        return;
    }
    display_ = ":" + number;
    if (!WaitFor([this] { return Answers(display_); }, 20000)) {
        kill();
        display_.clear();
    }
}

XvfbServer::~XvfbServer() {
    stop();
}

void XvfbServer::stop() {
    if (pid_ <= 0) return;
    // A server that is asked to end removes its lock file and socket; one that is killed
    // leaves them for the next server to clean up.
    ::kill(pid_, SIGTERM);
    long long deadline = NowMs() + 3000;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (NowMs() > deadline) {
            kill();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

void XvfbServer::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

XvfbServer& SharedXvfb() {
    static XvfbServer* server = new XvfbServer();
    static bool registered = false;
    if (!registered) {
        registered = true;
        atexit([] { server->stop(); });
    }
    return *server;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    long long deadline = NowMs() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (NowMs() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& argv,
                                     const std::vector<std::string>& env) {
    char path[] = "/tmp/vt_bgprog_XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return;
    outPath_ = path;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        close(fd);
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        for (const std::string& entry : env) putenv(strdup(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fd);
    pid_ = pid;
}

BackgroundProgram::~BackgroundProgram() {
    if (running()) {
        ::kill(pid_, SIGKILL);
        wait(5000);
    }
    if (!outPath_.empty()) unlink(outPath_.c_str());
}

std::string BackgroundProgram::output() const {
    std::ifstream in(outPath_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool BackgroundProgram::running() {
    if (pid_ <= 0 || status_ >= 0) return false;
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return false;
    }
    return true;
}

int BackgroundProgram::wait(int timeoutMs) {
    WaitFor([this] { return !running(); }, timeoutMs);
    return status_;
}

std::vector<unsigned long> FindWindowsByTitle(const std::string& display,
                                              const std::string& title) {
    ProgramOptions options;
    options.extraEnv.push_back("DISPLAY=" + display);
    options.timeoutSeconds = 20;
    ProgramResult r = RunProgram({"xdotool", "search", "--name", title}, options);
    std::vector<unsigned long> ids;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty()) ids.push_back(std::stoul(line));
    return ids;
}
