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

// Starts Xvfb on a free display and names it in `display` (":N"); -1 when it did not answer.
pid_t StartXvfb(std::string* display);
void StopXvfb(pid_t xvfb);
