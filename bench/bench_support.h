// What the benchmarks share: stopwatches over elapsed and processor time, medians and the
// comparison of a measured program against the bare work it stands for, a scratch
// directory in $TMPDIR, shell commands, and a private X server.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Elapsed time and processor time, of this process and of its (reaped) children, in
// milliseconds. On a shared machine the processor times are the steadier figures.
struct Cost {
    double wall = 0, own = 0, children = 0;
    double Cpu() const { return own + children; }
};

class Stopwatch {
public:
    Stopwatch();
    Cost Read() const;

private:
    double wall_, own_, children_;
};

double Median(std::vector<double> values);

// Runs of a program and of the bare work it stands for, side by side. Print gives the
// median of each, the ratio of the medians and the median of each run's own ratio.
class Comparison {
public:
    void Add(const Cost& measured, const Cost& bare);
    // Adds run `run` (0 first) whose installations went to the two targets: prints it with
    // the files each left and how many can still be written, then removes both targets.
    void AddRun(int run, const char* measuredName, const Cost& measured,
                const std::string& measuredTarget, const Cost& bare, const std::string& bareTarget);
    void Print(const char* measuredName, double target) const;

private:
    std::vector<double> wall_, cpu_, bareWall_, bareCpu_, wallRatio_, cpuRatio_;
};

// Runs `command` with /bin/sh; true when it exits with status 0.
bool Shell(const std::string& command);
bool WriteText(const std::string& path, const std::string& text);
// A new directory in $TMPDIR (default /tmp) named after `prefix`; "" when it cannot be made.
// It goes, with everything in it, when the process exits, however main ends: after the
// exit-time handlers that the toolkit registers later (its settings file among them).
std::string MakeScratchDir(const char* prefix);
// The install benchmarks' distribution below `root`: kInstallBenchArchives item archives of
// the "bsp" set, alltargets/linux86_bsp_nNNN.tgz, of 100 files each (20,000 in all). Each
// puts 5 files into the shared bin/ and lib/, 40 into a per-target directory it shares
// with nine others and 50 into a tree of its own, with a mix of modes, some read-only.
constexpr int kInstallBenchArchives = 200;
bool MakeInstallBenchSet(const std::string& root);
// Makes `util` a utilities directory whose gtar and gzip are the machine's tar and gzip.
bool LinkUtilities(const std::string& util);
// The number of files below `target` and how many of them can still be written.
void CountFiles(const std::string& target, long* files, long* writable);
// Writes into `log` what this process prints on standard output, until Restore.
class StdoutToFile {
public:
    explicit StdoutToFile(const std::string& log);
    ~StdoutToFile() { Restore(); }
    void Restore();

private:
    int saved_ = -1;
};

// The toolchain-like set: 24 archives of 250 files each (6,000 files), sizes log-uniform
// from 500 B to 500 KB (about 430 MB unpacked), compressing about 3:1 under gzip -6 like
// object code. Made with tar and gzip on first use and kept for later runs in
// $TMPDIR/vt_toolchain_set_v<version>, as alltargets/linux86_bsp_tcNN.tgz below that
// directory (*root when given). Returns the archives in list order; empty on failure.
std::vector<std::string> ToolchainSet(std::string* root = nullptr);

// Starts Xvfb on a free display and names it in `display` (":N"); -1 when it did not answer.
pid_t StartXvfb(std::string* display);
void StopXvfb(pid_t xvfb);
