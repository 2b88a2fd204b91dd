// Inflating the toolchain-like set (bench_support's ToolchainSet): "gzip -dc" and
// "igzip -dc" of every archive against the inflate pipeline with -jobs 1 and with the
// default, first into /dev/null, then each archive into its own "tar -xf -" (against the
// "tar -xzf" loop). Every measurement runs in a child of its own, so that its peak memory
// is its own; prints the median of the runs for elapsed and processor time, and the peak.
// Run: TMPDIR=/dev/shm bench_inflate [runs [budget MiB]], default 5 runs and -buffer_mb 256.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "setup/engine/inflate_pipeline.h"

namespace {

struct Figures {
    std::vector<double> wall, cpu;
    long peakKiB = 0;
    bool failed = false;
};

// Runs `work` in a child and adds its elapsed time, its processor time (its own children
// included) and its peak resident memory; the work's exit status 0 means it went well.
void Measure(const std::function<int()>& work, Figures* figures) {
    fflush(stdout);
    timeval start, end;
    gettimeofday(&start, nullptr);
    pid_t child = fork();
    if (child == 0) _exit(work());
    int status = 0;
    rusage usage;
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
        figures->failed = true;
        return;
    }
    gettimeofday(&end, nullptr);
    figures->wall.push_back((end.tv_sec - start.tv_sec) * 1000.0 +
                            (end.tv_usec - start.tv_usec) / 1000.0);
    figures->cpu.push_back((usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0);
    figures->peakKiB = std::max(figures->peakKiB, usage.ru_maxrss);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) figures->failed = true;
}

// Starts "tar -xf -" in `target` reading from the returned descriptor (non-blocking).
pid_t StartTar(const std::string& target, int* input) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[0], 0);
        close(fds[0]);
        close(fds[1]);
        execlp("tar", "tar", "-C", target.c_str(), "-xf", "-", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[0]);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    *input = fds[1];
    return pid;
}

// Writes what it can of the piece; waits for room only when the pipe is full.
bool WritePiece(InflatePipeline& pipeline, int fd, const InflatePipeline::Piece& piece) {
    ssize_t n = write(fd, piece.data, piece.size);
    if (n > 0) pipeline.Consumed(static_cast<size_t>(n));
    if (n >= 0 || errno == EINTR) return true;
    if (errno != EAGAIN) return false;
    pollfd room = {fd, POLLOUT, 0};
    poll(&room, 1, -1);
    return true;
}

// The pipeline as the engine will drive it: each archive into /dev/null (empty target) or
// into a "tar -xf -" of its own, sleeping on the descriptor when nothing is ready.
size_t budgetBytes = kDefaultInflateBudget;

int RunPipeline(const std::vector<std::string>& archives, int jobs, const std::string& target) {
    InflateLimits limits;
    limits.jobs = jobs;
    limits.budgetBytes = budgetBytes;
    InflatePipeline pipeline(archives, limits);
    std::string error;
    if (!pipeline.Start(&error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    int failures = 0;
    for (size_t k = 0; k < archives.size(); k++) {
        int fd = devNull;
        pid_t tar = target.empty() ? -1 : StartTar(target, &fd);
        InflatePipeline::Piece piece;
        std::string message;
        InflatePipeline::Step step;
        while ((step = pipeline.Next(&piece, &message)) == InflatePipeline::kPiece ||
               step == InflatePipeline::kNotYet) {
            if (step == InflatePipeline::kPiece && !WritePiece(pipeline, fd, piece)) break;
            pollfd ready = {pipeline.Descriptor(), POLLIN, 0};
            if (step == InflatePipeline::kNotYet) poll(&ready, 1, -1);
        }
        if (step != InflatePipeline::kEnded) {
            fprintf(stderr, "%s\n", message.empty() ? "tar stopped reading" : message.c_str());
            failures++;
        }
        if (tar > 0) {
            close(fd);
            int status;
            waitpid(tar, &status, 0);
            failures += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        }
        pipeline.NextArchive();
    }
    return failures == 0 ? 0 : 1;
}

std::string Joined(const std::vector<std::string>& archives) {
    std::string all;
    for (const std::string& archive : archives) all += " '" + archive + "'";
    return all;
}

void Print(const char* name, const Figures& f) {
    printf("%-34s %8.0f ms %8.0f ms cpu %7.1f MiB peak%s\n", name, Median(f.wall), Median(f.cpu),
           f.peakKiB / 1024.0, f.failed ? "  (FAILED)" : "");
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    if (argc > 2) budgetBytes = static_cast<size_t>(atol(argv[2])) << 20;
    std::vector<std::string> archives = ToolchainSet();
    if (archives.empty()) {
        fprintf(stderr, "bench_inflate: the toolchain-like set could not be made\n");
        return 1;
    }
    long compressed = 0;
    for (const std::string& archive : archives) {
        struct stat status;
        if (stat(archive.c_str(), &status) == 0) compressed += status.st_size;
    }
    std::string scratch = MakeScratchDir("bench_inflate");
    if (scratch.empty()) return 1;
    const int jobs = DefaultInflateJobs();
    const std::string all = Joined(archives), target = scratch + "/target";
    printf("%zu archives, %.1f MB compressed; %d runs each, medians; default jobs %d, budget "
           "%zu MiB\n",
           archives.size(), compressed / 1e6, runs, jobs, budgetBytes >> 20);

    auto shell = [](const std::string& script) {
        return [script] { return Shell(script) ? 0 : 1; };
    };
    const bool haveIgzip = Shell("command -v igzip >/dev/null 2>&1");
    std::string jobsName = "pipeline -jobs " + std::to_string(jobs);
    struct Row {
        std::string name;
        std::function<int()> work;
        bool extracts; // into an empty target, made afresh outside the measurement
    };
    std::vector<Row> rows = {
        {"gzip -dc > /dev/null", shell("for a in" + all + "; do gzip -dc \"$a\"; done >/dev/null"),
         false},
        {"igzip -dc > /dev/null",
         shell("for a in" + all + "; do igzip -dc \"$a\"; done >/dev/null"), false},
        {"pipeline -jobs 1 > /dev/null", [&] { return RunPipeline(archives, 1, ""); }, false},
        {jobsName + " > /dev/null", [&] { return RunPipeline(archives, jobs, ""); }, false},
        {"tar -xzf loop",
         shell("for a in" + all + "; do tar -C '" + target + "' -xzf \"$a\" || exit 1; done"),
         true},
        {"igzip -dc | tar -xf - loop",
         shell("for a in" + all + "; do igzip -dc \"$a\" | tar -C '" + target +
               "' -xf - || exit 1; done"),
         true},
        {"pipeline -jobs 1 | tar -xf -", [&] { return RunPipeline(archives, 1, target); }, true},
        {jobsName + " | tar -xf -", [&] { return RunPipeline(archives, jobs, target); }, true},
    };
    int failed = 0;
    for (const Row& row : rows) {
        if (!haveIgzip && row.name.find("igzip") != std::string::npos) continue;
        Figures figures;
        for (int run = 0; run < runs; run++) {
            if (row.extracts && !Shell("rm -rf '" + target + "' && mkdir '" + target + "'"))
                figures.failed = true;
            Measure(row.work, &figures);
        }
        Print(row.name.c_str(), figures);
        failed += figures.failed;
    }
    Shell("rm -rf '" + scratch + "'");
    return failed == 0 ? 0 : 1;
}
