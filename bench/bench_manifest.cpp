// What the undo records and the checks before an installation cost, alone, on the
// install benchmark's set (200 archives, 20,000 files). Every archive goes the way the
// engine will send it: inflated outside gtar (here by gzip -dc into this process), read
// through the tar scanner, each member handed to the manifest recorder, then written into
// "tar -xf -". Printed, as medians: the bare pipeline; the manifest's own time (scanning,
// recording, the final rewrite) against it (target: at most 5%); the rollback of the
// 20,000-file run against it (target: under 10%); the checksum pass (target: at most
// 10%); and, for information, a run over an existing installation with its rollback and
// the writing of the distribution's lists.
// Run: bench_manifest [runs], in $TMPDIR (default /tmp).
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "setup/discovery/distribution_sums.h"
#include "setup/engine/install_manifest.h"
#include "setup/engine/preflight.h"
#include "setup/engine/tar_members.h"
#include "setup/engine/uninstall.h"

extern char** environ;

namespace {

double ClockMs(clockid_t clock) {
    struct timespec now;
    clock_gettime(clock, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

double MonotonicMs() {
    return ClockMs(CLOCK_MONOTONIC);
}

// The manifest's share, elapsed and on the processor (of this thread: gzip and tar run
// beside it), so that a busy machine shows in the one and not the other.
struct Share {
    double wall = 0, cpu = 0;
};

class ShareClock {
public:
    explicit ShareClock(Share* share)
        : share_(share), wall_(MonotonicMs()), cpu_(ClockMs(CLOCK_THREAD_CPUTIME_ID)) {}
    ~ShareClock() {
        share_->wall += MonotonicMs() - wall_;
        share_->cpu += ClockMs(CLOCK_THREAD_CPUTIME_ID) - cpu_;
    }

private:
    Share* share_;
    double wall_, cpu_;
};

// Starts argv with one end of a pipe as its standard input (fd 0) or output (fd 1).
pid_t Spawn(const std::vector<const char*>& argv, int pipeEnd, int asFd, int otherEnd) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnd, asFd);
    posix_spawn_file_actions_addclose(&actions, pipeEnd);
    posix_spawn_file_actions_addclose(&actions, otherEnd);
    std::vector<char*> args;
    for (const char* arg : argv) args.push_back(const_cast<char*>(arg));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// One archive: gzip -dc | this process | tar -xf -. With a recorder, every member is
// recorded before tar sees it and the time that takes is added to *manifestMs.
bool Expand(const std::string& archive, const std::string& target, ManifestRecorder* recorder,
            Share* manifest) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return false;
    pid_t gzip = Spawn({"gzip", "-dc", archive.c_str()}, in[1], 1, in[0]);
    pid_t tar = Spawn({"tar", "-C", target.c_str(), "-xf", "-"}, out[0], 0, out[1]);
    close(in[1]);
    close(out[0]);
    TarMemberScanner scanner;
    bool ok = gzip > 0 && tar > 0;
    std::vector<char> buffer(1 << 16);
    for (ssize_t got; ok && (got = read(in[0], buffer.data(), buffer.size())) > 0;) {
        // Every member whose header ends in this piece is recorded before tar gets any of it.
        if (recorder) {
            ShareClock clock(manifest);
            for (size_t at = 0, used = 0; ok && at < static_cast<size_t>(got); at += used) {
                TarMemberScanner::Status status =
                    scanner.Feed(buffer.data() + at, static_cast<size_t>(got) - at, &used);
                if (status == TarMemberScanner::kMember)
                    ok = recorder->BeforeMember(scanner.member());
                ok = ok && status != TarMemberScanner::kBad;
            }
        }
        for (ssize_t done = 0; ok && done < got;) {
            ssize_t written = write(out[1], buffer.data() + done, static_cast<size_t>(got - done));
            ok = written > 0;
            done += written > 0 ? written : 0;
        }
    }
    close(in[0]);
    close(out[1]);
    int gzipStatus = 0, tarStatus = 0;
    if (gzip > 0) waitpid(gzip, &gzipStatus, 0);
    if (tar > 0) waitpid(tar, &tarStatus, 0);
    return ok && gzipStatus == 0 && tarStatus == 0;
}

struct RunCost {
    Cost whole;
    Share manifest;
};

// All archives into `target`; with a recorder the run is recorded and ended as `outcome`.
RunCost Install(const std::vector<std::string>& archives, const std::string& target,
                ManifestRecorder* recorder, RunOutcome outcome) {
    RunCost cost;
    Shell("mkdir -p '" + target + "'");
    sync(); // the previous run's writes are not this run's cost
    Stopwatch watch;
    if (recorder) {
        ManifestRun run;
        run.target = target;
        run.program = "bench_manifest";
        run.targetHeldFiles = TargetHoldsFiles(target);
        ShareClock clock(&cost.manifest);
        if (!recorder->StartRun(run)) fprintf(stderr, "%s\n", recorder->error().c_str());
    }
    for (const std::string& archive : archives) {
        if (recorder) {
            ShareClock clock(&cost.manifest);
            recorder->BeginArchive(archive);
        }
        if (!Expand(archive, target, recorder, &cost.manifest))
            fprintf(stderr, "expanding %s failed\n", archive.c_str());
        if (recorder) {
            ShareClock clock(&cost.manifest);
            recorder->EndArchive();
        }
    }
    if (recorder) {
        ShareClock clock(&cost.manifest);
        if (!recorder->EndRun(outcome)) fprintf(stderr, "%s\n", recorder->error().c_str());
    }
    cost.whole = watch.Read();
    return cost;
}

Cost TimedRollback(const std::string& manifest) {
    sync();
    Stopwatch watch;
    RollbackResult result = RollBackRun(manifest);
    Cost cost = watch.Read();
    if (!result.failed.empty()) fprintf(stderr, "%s\n", RollbackSummary(result).c_str());
    return cost;
}

std::vector<std::string> Archives(const std::string& root) {
    std::vector<std::string> archives;
    for (const std::string& relative : DistributionArchives(root))
        archives.push_back(root + "/" + relative);
    return archives;
}

void Clear(const std::string& dir) {
    Shell("chmod -R u+w '" + dir + "' 2>/dev/null; rm -rf '" + dir + "'");
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 3;
    if (runs < 1) runs = 1;
    std::string scratch = MakeScratchDir("bench_manifest");
    std::string root = scratch + "/dist";
    if (scratch.empty() || !MakeInstallBenchSet(root)) {
        fprintf(stderr, "could not make the distribution\n");
        return 1;
    }
    std::vector<std::string> archives = Archives(root);
    printf("%zu archives in %s\n", archives.size(), root.c_str());

    Stopwatch writing;
    std::vector<std::string> problems;
    if (!WriteDistributionSums(root, "gzip", &problems)) fprintf(stderr, "lists not written\n");
    double writeMs = writing.Read().wall;

    std::vector<double> bareWall, bareCpu, manifestWall, manifestCpu, rollbackWall, rollbackCpu;
    std::vector<double> recordedWall, removeWall, removeCpu, checksumWall, checksumCpu;
    std::vector<double> overManifest, overRollback;
    for (int run = 0; run < runs; run++) {
        std::string target = scratch + "/target";
        RunCost bare = Install(archives, target, nullptr, RunOutcome::kSucceeded);
        bareWall.push_back(bare.whole.wall);
        bareCpu.push_back(bare.whole.Cpu());
        sync();
        Stopwatch removing; // what removing the tree costs at all: the floor of a rollback
        Clear(target);
        Cost removed = removing.Read();
        removeWall.push_back(removed.wall);
        removeCpu.push_back(removed.Cpu());

        ManifestRecorder recorder;
        RunCost recorded = Install(archives, target, &recorder, RunOutcome::kCancelled);
        recordedWall.push_back(recorded.whole.wall);
        manifestWall.push_back(recorded.manifest.wall);
        manifestCpu.push_back(recorded.manifest.cpu);
        Cost rollback = TimedRollback(recorder.manifestPath());
        rollbackWall.push_back(rollback.wall);
        rollbackCpu.push_back(rollback.Cpu());

        // Over an existing installation every file is kept aside, then put back.
        Install(archives, target, nullptr, RunOutcome::kSucceeded);
        ManifestRecorder over;
        overManifest.push_back(
            Install(archives, target, &over, RunOutcome::kCancelled).manifest.wall);
        overRollback.push_back(TimedRollback(over.manifestPath()).wall);
        Clear(target);

        sync();
        Stopwatch hashing;
        IntegrityCheck check = CheckIntegrity(root, archives);
        Cost hashed = hashing.Read();
        checksumWall.push_back(hashed.wall);
        checksumCpu.push_back(hashed.Cpu());
        if (!check.Passed()) fprintf(stderr, "%s\n", check.problems.front().c_str());
        printf("run %d: pipeline %.0f ms (cpu %.0f), manifest %.1f ms (cpu %.1f), rollback %.1f ms "
               "(cpu %.1f; rm -rf %.1f, cpu %.1f), checksums %.1f ms; over an installation: "
               "manifest %.1f ms, rollback %.1f ms\n",
               run + 1, bareWall.back(), bareCpu.back(), manifestWall.back(), manifestCpu.back(),
               rollbackWall.back(), rollbackCpu.back(), removeWall.back(), removeCpu.back(),
               checksumWall.back(), overManifest.back(), overRollback.back());
        fflush(stdout);
    }
    double wall = Median(bareWall), cpu = Median(bareCpu);
    printf("install pipeline (gzip -dc | scanner | tar -xf -): %.0f ms, cpu %.0f ms "
           "(recorded: %.0f ms)\n",
           wall, cpu, Median(recordedWall));
    printf("manifest into an empty target: %.1f ms = %.2f%% elapsed, cpu %.1f ms = %.2f%% "
           "(target <= 5%%)\n",
           Median(manifestWall), 100 * Median(manifestWall) / wall, Median(manifestCpu),
           100 * Median(manifestCpu) / cpu);
    printf("rollback of the 20,000-file run: %.1f ms = %.2f%% elapsed, cpu %.1f ms = %.2f%% "
           "(target < 10%%)\n",
           Median(rollbackWall), 100 * Median(rollbackWall) / wall, Median(rollbackCpu),
           100 * Median(rollbackCpu) / cpu);
    printf("  rm -rf of the same tree: %.1f ms = %.2f%% elapsed, cpu %.1f ms = %.2f%%\n",
           Median(removeWall), 100 * Median(removeWall) / wall, Median(removeCpu),
           100 * Median(removeCpu) / cpu);
    printf("checksum pass over %zu archives: %.1f ms = %.2f%% elapsed, cpu %.1f ms = %.2f%% "
           "(target <= 10%%)\n",
           archives.size(), Median(checksumWall), 100 * Median(checksumWall) / wall,
           Median(checksumCpu), 100 * Median(checksumCpu) / cpu);
    printf("over an existing installation: manifest %.1f ms (every file kept aside), rollback "
           "%.1f ms\n",
           Median(overManifest), Median(overRollback));
    printf("writing info/checksums.txt and info/sizes.txt: %.0f ms\n", writeMs);
    Clear(scratch);
    return 0;
}
