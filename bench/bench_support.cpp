#include "bench/bench_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

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

namespace {

void WriteStagedFile(const std::string& path, const std::string& contents, mode_t mode) {
    FILE* file = fopen(path.c_str(), "w");
    if (!file) return;
    fwrite(contents.data(), 1, contents.size(), file);
    fclose(file);
    chmod(path.c_str(), mode);
}

void StageBenchArchive(const std::string& stage, int n) {
    std::string t = "targets/t" + std::to_string(n % 20), own = "pkg" + std::to_string(n);
    std::string mkdir = "mkdir -p";
    for (const std::string& dir : {std::string("bin"), std::string("lib"), t + "/include",
                                   t + "/lib", own + "/a/b", own + "/c", own + "/doc"})
        mkdir += " '" + stage + "/" + dir + "'";
    Shell(mkdir);
    std::string tag = std::to_string(n) + "_";
    for (int k = 0; k < 5; k++) {
        WriteStagedFile(stage + "/bin/tool_" + tag + std::to_string(k), "#!/bin/sh\n", 0755);
        WriteStagedFile(stage + "/lib/lib" + tag + std::to_string(k) + ".a", "archive", 0644);
    }
    for (int k = 0; k < 20; k++) {
        std::string name = tag + std::to_string(k);
        WriteStagedFile(stage + "/" + t + "/include/h" + name + ".h", "/* header */\n", 0644);
        WriteStagedFile(stage + "/" + t + "/lib/o" + name + ".o", std::string(512, 'o'), 0644);
    }
    for (int k = 0; k < 10; k++) {
        std::string name = std::to_string(k);
        WriteStagedFile(stage + "/" + own + "/a/s" + name + ".c", "int x;\n", 0644);
        WriteStagedFile(stage + "/" + own + "/a/b/s" + name + ".c", "int y;\n", 0644);
        WriteStagedFile(stage + "/" + own + "/c/c" + name, "c", 0600);
        WriteStagedFile(stage + "/" + own + "/doc/d" + name + ".txt", "doc", 0444);
        WriteStagedFile(stage + "/" + own + "/f" + name, "f", 0664);
    }
}

} // namespace

bool MakeInstallBenchSet(const std::string& root) {
    std::string pack = "set -e\nmkdir -p '" + root + "/alltargets'\n";
    for (int n = 0; n < kInstallBenchArchives; n++) {
        std::string stage = root + ".stage/" + std::to_string(n);
        StageBenchArchive(stage, n);
        char archive[64];
        snprintf(archive, sizeof archive, "alltargets/linux86_bsp_n%03d.tgz", n);
        pack += "tar -C '" + stage + "' -czf '" + root + "/" + archive + "' .\n";
    }
    pack += "rm -rf '" + root + ".stage'\n";
    std::string script = root + ".sh";
    WriteStagedFile(script, pack, 0644);
    return Shell("/bin/sh '" + script + "'");
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

// ---- The toolchain-like set ------------------------------------------------------------

namespace {

// Raise when the set's making changes, so that older cached sets are not used.
constexpr int kToolchainSetVersion = 1;
constexpr int kToolchainArchives = 24;
constexpr int kToolchainFilesPerArchive = 250;
static_assert(kToolchainArchives * kToolchainFilesPerArchive == 6000, "the set's file count");
constexpr double kSmallestFile = 500, kLargestFile = 500000;
// Out of 256 pieces, how many are runs of random bytes; the rest are recurring idioms.
// Tuned so that gzip -6 gives about 3:1.
constexpr unsigned kRandomRunShare = 10;
constexpr int kIdioms = 512;
const char* const kToolchainDirs[] = {"bin",         "lib",     "lib/gcc",
                                      "include/sys", "libexec", "share/doc"};

// Bytes that compress like object code: recurring idioms (instruction sequences, records of
// symbol and relocation tables), the common ones picked more often, between short runs of
// random bytes (addresses, immediates).
class ObjectCode {
public:
    ObjectCode() {
        std::mt19937_64 random(1);
        for (std::string& idiom : idioms_) {
            idiom.resize(16 + random() % 112);
            for (char& c : idiom) c = static_cast<char>(random());
        }
    }

    std::string Make(size_t size, uint64_t seed) const {
        std::mt19937_64 random(seed);
        std::string bytes;
        while (bytes.size() < size) {
            uint64_t r = random();
            if ((r & 0xff) < kRandomRunShare) {
                for (uint64_t n = 8 + (r >> 8) % 56; n > 0; n -= std::min<uint64_t>(n, 8)) {
                    uint64_t word = random();
                    bytes.append(reinterpret_cast<const char*>(&word), std::min<uint64_t>(n, 8));
                }
            } else {
                bytes += idioms_[((r >> 8) % kIdioms) * ((r >> 20) % kIdioms) / kIdioms];
            }
        }
        bytes.resize(size);
        return bytes;
    }

private:
    std::string idioms_[kIdioms];
};

bool MakeToolchainArchive(const std::string& root, int n, const std::string& archive,
                          const ObjectCode& code, std::mt19937_64* sizes) {
    std::string stage = root + "/stage", top = "tc" + std::to_string(n);
    std::string mkdir = "rm -rf '" + stage + "' && mkdir -p";
    for (const char* dir : kToolchainDirs) mkdir += " '" + stage + "/" + top + "/" + dir + "'";
    if (!Shell(mkdir)) return false;
    std::uniform_real_distribution<double> logSize(std::log(kSmallestFile), std::log(kLargestFile));
    for (int k = 0; k < kToolchainFilesPerArchive; k++) {
        size_t size = static_cast<size_t>(std::exp(logSize(*sizes)));
        std::string path =
            stage + "/" + top + "/" + kToolchainDirs[k % 6] + "/f" + std::to_string(k) + ".o";
        if (!WriteText(path, code.Make(size, static_cast<uint64_t>(n) * 1000 + k))) return false;
    }
    return Shell("tar -C '" + stage + "' -cf - . | gzip -6 > '" + archive + "' && rm -rf '" +
                 stage + "'");
}

} // namespace

std::vector<std::string> ToolchainSet(std::string* root) {
    const char* tmp = getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/vt_toolchain_set_v" +
                      std::to_string(kToolchainSetVersion);
    if (root) *root = dir;
    std::vector<std::string> archives;
    for (int n = 0; n < kToolchainArchives; n++) {
        char name[64];
        snprintf(name, sizeof name, "/alltargets/linux86_bsp_tc%02d.tgz", n);
        archives.push_back(dir + name);
    }
    std::string stamp = dir + "/complete";
    if (access(stamp.c_str(), F_OK) == 0) return archives;

    printf("making the toolchain-like set in %s (once)\n", dir.c_str());
    fflush(stdout);
    if (!Shell("rm -rf '" + dir + "' && mkdir -p '" + dir + "/alltargets'")) return {};
    ObjectCode code;
    std::mt19937_64 sizes(kToolchainSetVersion);
    for (int n = 0; n < kToolchainArchives; n++)
        if (!MakeToolchainArchive(dir, n, archives[n], code, &sizes)) return {};
    if (!WriteText(stamp, "")) return {};
    return archives;
}
