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

double MonotonicMs() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

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
            double* manifestMs) {
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
        for (size_t at = 0, used = 0; ok && at < static_cast<size_t>(got); at += used) {
            used = static_cast<size_t>(got) - at;
            if (recorder) {
                double start = MonotonicMs();
                TarMemberScanner::Status status = scanner.Feed(buffer.data() + at, used, &used);
                if (status == TarMemberScanner::kMember)
                    ok = recorder->BeforeMember(scanner.member());
                ok = ok && status != TarMemberScanner::kBad;
                *manifestMs += MonotonicMs() - start;
            }
            for (size_t done = 0; ok && done < used;) {
                ssize_t written = write(out[1], buffer.data() + at + done, used - done);
                ok = written > 0;
                done += written > 0 ? static_cast<size_t>(written) : 0;
            }
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
    double wallMs = 0, manifestMs = 0;
};

// All archives into `target`; with a recorder the run is recorded and ended as `outcome`.
RunCost Install(const std::vector<std::string>& archives, const std::string& target,
                ManifestRecorder* recorder, RunOutcome outcome) {
    RunCost cost;
    Shell("mkdir -p '" + target + "'");
    sync(); // the previous run's writes are not this run's cost
    double start = MonotonicMs();
    if (recorder) {
        ManifestRun run;
        run.target = target;
        run.program = "bench_manifest";
        run.targetHeldFiles = TargetHoldsFiles(target);
        double before = MonotonicMs();
        if (!recorder->StartRun(run)) fprintf(stderr, "%s\n", recorder->error().c_str());
        cost.manifestMs += MonotonicMs() - before;
    }
    for (const std::string& archive : archives) {
        if (recorder) recorder->BeginArchive(archive);
        if (!Expand(archive, target, recorder, &cost.manifestMs))
            fprintf(stderr, "expanding %s failed\n", archive.c_str());
        double before = MonotonicMs();
        if (recorder) recorder->EndArchive();
        cost.manifestMs += MonotonicMs() - before;
    }
    if (recorder) {
        double before = MonotonicMs();
        if (!recorder->EndRun(outcome)) fprintf(stderr, "%s\n", recorder->error().c_str());
        cost.manifestMs += MonotonicMs() - before;
    }
    cost.wallMs = MonotonicMs() - start;
    return cost;
}

double TimedRollback(const std::string& manifest) {
    sync();
    double start = MonotonicMs();
    RollbackResult result = RollBackRun(manifest);
    double ms = MonotonicMs() - start;
    if (!result.failed.empty()) fprintf(stderr, "%s\n", RollbackSummary(result).c_str());
    return ms;
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

    std::vector<double> bare, recorded, manifest, rollback, checksums, overOld, overOldRollback;
    for (int run = 0; run < runs; run++) {
        std::string target = scratch + "/target";
        bare.push_back(Install(archives, target, nullptr, RunOutcome::kSucceeded).wallMs);
        Clear(target);

        ManifestRecorder recorder;
        RunCost cost = Install(archives, target, &recorder, RunOutcome::kCancelled);
        recorded.push_back(cost.wallMs);
        manifest.push_back(cost.manifestMs);
        rollback.push_back(TimedRollback(recorder.manifestPath()));

        // Over an existing installation every file is kept aside, then put back.
        Install(archives, target, nullptr, RunOutcome::kSucceeded);
        ManifestRecorder over;
        overOld.push_back(Install(archives, target, &over, RunOutcome::kCancelled).manifestMs);
        overOldRollback.push_back(TimedRollback(over.manifestPath()));
        Clear(target);

        sync();
        Stopwatch hashing;
        IntegrityCheck check = CheckIntegrity(root, archives);
        checksums.push_back(hashing.Read().wall);
        if (!check.Passed()) fprintf(stderr, "%s\n", check.problems.front().c_str());
        printf("run %d: pipeline %.0f ms, recorded %.0f ms (manifest %.1f ms), rollback %.1f ms, "
               "checksums %.1f ms; over an installation: manifest %.1f ms, rollback %.1f ms\n",
               run + 1, bare.back(), recorded.back(), manifest.back(), rollback.back(),
               checksums.back(), overOld.back(), overOldRollback.back());
        fflush(stdout);
    }
    double base = Median(bare);
    printf("install pipeline (gzip -dc | scanner | tar -xf -): %.0f ms; recorded: %.0f ms\n", base,
           Median(recorded));
    printf("manifest into an empty target: %.1f ms = %.2f%% of the pipeline (target <= 5%%)\n",
           Median(manifest), 100 * Median(manifest) / base);
    printf("rollback of the 20,000-file run: %.1f ms = %.2f%% of the install (target < 10%%)\n",
           Median(rollback), 100 * Median(rollback) / Median(recorded));
    printf("checksum pass over %zu archives: %.1f ms = %.2f%% of the pipeline (target <= 10%%)\n",
           archives.size(), Median(checksums), 100 * Median(checksums) / base);
    printf("over an existing installation: manifest %.1f ms (every file kept aside), rollback "
           "%.1f ms\n",
           Median(overOld), Median(overOldRollback));
    printf("writing info/checksums.txt and info/sizes.txt: %.0f ms\n", writeMs);
    Clear(scratch);
    return 0;
}
