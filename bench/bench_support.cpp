#include "bench/bench_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

double NowMs() {
    timeval now;
    gettimeofday(&now, nullptr);
    return now.tv_sec * 1000.0 + now.tv_usec / 1000.0;
}

double CpuMs(int who) {
    rusage usage;
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace

Stopwatch::Stopwatch()
    : wall_(NowMs()), own_(CpuMs(RUSAGE_SELF)), children_(CpuMs(RUSAGE_CHILDREN)) {}

Cost Stopwatch::Read() const {
    return Cost{NowMs() - wall_, CpuMs(RUSAGE_SELF) - own_, CpuMs(RUSAGE_CHILDREN) - children_};
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Comparison::Add(const Cost& measured, const Cost& bare) {
    wall_.push_back(measured.wall), cpu_.push_back(measured.Cpu());
    bareWall_.push_back(bare.wall), bareCpu_.push_back(bare.Cpu());
    wallRatio_.push_back(measured.wall / bare.wall);
    cpuRatio_.push_back(measured.Cpu() / bare.Cpu());
}

void Comparison::AddRun(int run, const char* measuredName, const Cost& measured,
                        const std::string& measuredTarget, const Cost& bare,
                        const std::string& bareTarget) {
    Add(measured, bare);
    long files = 0, writable = 0, bareFiles = 0, bareWritable = 0;
    CountFiles(measuredTarget, &files, &writable);
    CountFiles(bareTarget, &bareFiles, &bareWritable);
    printf("run %d: %s %.0f ms, cpu %.0f ms own + %.0f ms children (%ld files, %ld writable); "
           "shell %.0f ms, cpu %.0f ms (%ld files, %ld writable)\n",
           run + 1, measuredName, measured.wall, measured.own, measured.children, files, writable,
           bare.wall, bare.Cpu(), bareFiles, bareWritable);
    fflush(stdout);
    Shell("chmod -R u+w '" + measuredTarget + "' '" + bareTarget + "' && rm -rf '" +
          measuredTarget + "' '" + bareTarget + "' && sync");
}

void Comparison::Print(const char* measuredName, double target) const {
    double w = Median(wall_), bw = Median(bareWall_), c = Median(cpu_), bc = Median(bareCpu_);
    printf("%s: %.0f ms (cpu %.0f ms)\nshell loop: %.0f ms (cpu %.0f ms)\n", measuredName, w, c, bw,
           bc);
    printf("ratio of the medians: %.3f elapsed, %.3f cpu (target <= %.2f)\n", w / bw, c / bc,
           target);
    printf("median of the runs' ratios: %.3f elapsed, %.3f cpu\n", Median(wallRatio_),
           Median(cpuRatio_));
}

bool Shell(const std::string& command) {
    return system(command.c_str()) == 0;
}

bool WriteText(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "w");
    if (!f) return false;
    bool written = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && written;
}

namespace {
// Never freed: exit-time handlers read it.
std::vector<std::string>* scratchDirs = nullptr;

void RemoveScratchDirs() {
    for (const std::string& dir : *scratchDirs)
        Shell("chmod -R u+w '" + dir + "' 2>/dev/null; rm -rf '" + dir + "'");
}
} // namespace

std::string MakeScratchDir(const char* prefix) {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "_XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        perror(pattern.c_str());
        return "";
    }
    if (!scratchDirs) {
        scratchDirs = new std::vector<std::string>;
        atexit(RemoveScratchDirs);
    }
    scratchDirs->push_back(pattern);
    return pattern;
}

bool LinkUtilities(const std::string& util) {
    return Shell("mkdir -p '" + util + "' && ln -s \"$(command -v tar)\" '" + util +
                 "/gtar' && ln -s \"$(command -v gzip)\" '" + util + "/gzip'");
}

void CountFiles(const std::string& target, long* files, long* writable) {
    std::string command =
        "find '" + target + "' -type f | wc -l; find '" + target + "' -type f -perm /222 | wc -l";
    FILE* pipe = popen(command.c_str(), "r");
    *files = *writable = -1;
    if (pipe && fscanf(pipe, "%ld %ld", files, writable) != 2) *files = -1;
    if (pipe) pclose(pipe);
}

StdoutToFile::StdoutToFile(const std::string& log) {
    fflush(stdout);
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    saved_ = dup(1);
    dup2(fd, 1);
    close(fd);
}

void StdoutToFile::Restore() {
    if (saved_ < 0) return;
    fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
    saved_ = -1;
}

pid_t StartXvfb(std::string* display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 3);
        int null = open("/dev/null", O_RDWR);
        dup2(null, 1);
        dup2(null, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    struct pollfd p = {fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 20000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
        StopXvfb(pid);
        return -1;
    }
    *display = ":" + number;
    return pid;
}

void StopXvfb(pid_t xvfb) {
    if (xvfb <= 0) return;
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
}
