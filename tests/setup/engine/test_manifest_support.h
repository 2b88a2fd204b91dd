// Helpers for the manifest, rollback and uninstall tests: an installation the way the
// engine will run it (a real tar stream read through the scanner, each member handed to
// the recorder before a real "tar -xf -" sees its header), and a listing of a tree with
// types, modes, times, link targets and checksums to compare trees by.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "setup/engine/install_manifest.h"
#include "setup/engine/tar_members.h"
#include "support/temp_dir.h"

// Pipes the tar stream that `producer` (a shell command) writes into "tar -xf -" run in
// `target`, telling `recorder` (when given) about every member first. True when the
// scanner, the recorder and both commands were content.
inline bool PipeArchive(const std::string& producer, const std::string& target,
                        ManifestRecorder* recorder) {
    signal(SIGPIPE, SIG_IGN); // a tar that gives up shows in its status, not as our death
    FILE* from = popen(producer.c_str(), "r");
    FILE* to = popen(("cd '" + target + "' && tar -xf -").c_str(), "w");
    if (!from || !to) return false;
    TarMemberScanner scanner;
    bool ok = true;
    char buffer[7000]; // not a multiple of the block size, so headers straddle reads
    for (size_t got; ok && (got = fread(buffer, 1, sizeof buffer, from)) > 0;) {
        for (size_t at = 0, used = 0; ok && at < got; at += used) {
            TarMemberScanner::Status status = scanner.Feed(buffer + at, got - at, &used);
            if (status == TarMemberScanner::kBad) ok = false;
            if (status == TarMemberScanner::kMember && recorder)
                ok = recorder->BeforeMember(scanner.member());
            if (ok) ok = fwrite(buffer + at, 1, used, to) == used;
        }
    }
    int produced = pclose(from), extracted = pclose(to);
    return ok && produced == 0 && extracted == 0;
}

// Runs one archive of the files below `stage` into `target` as one section of the run.
inline bool InstallStage(const std::string& stage, const std::string& target,
                         ManifestRecorder* recorder) {
    if (recorder) recorder->BeginArchive(stage + ".tgz");
    bool ok = PipeArchive("tar -C '" + stage + "' -cf - .", target, recorder);
    return (!recorder || recorder->EndArchive()) && ok;
}

// Every path below `dir` except .setup, sorted, one line each: path, type, mode, time,
// size, link target, and the checksum of a file's contents.
inline std::string Listing(const std::string& dir) {
    ScopedTempDir scratch;
    std::string out = scratch / "listing";
    const std::string skip = "find . -path ./.setup -prune -o ";
    // Directory sizes are left out: some file systems never shrink a directory again.
    ShellStatus("cd '" + dir + "' && { " + skip + "-type d -printf '%p %y %m %T@\\n'; " + skip +
                "! -type d -printf '%p %y %m %T@ %s %l\\n'; " + skip +
                "-type f -exec sha256sum {} +; } | LC_ALL=C sort > '" + out + "'");
    return ReadFile(out);
}

// `text` as one shell word, whatever bytes it holds.
inline std::string QuoteForShell(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A small tmpfs mounted on `dir` for the length of a test, where the system lets us mount.
class ScopedTmpfs {
public:
    ScopedTmpfs(const std::string& dir, const std::string& options) : dir_(dir) {
        mounted_ = geteuid() == 0 && ShellStatus("mkdir -p '" + dir + "' && mount -t tmpfs -o " +
                                                 options + " tmpfs '" + dir + "' 2>/dev/null") == 0;
    }
    ~ScopedTmpfs() {
        if (mounted_) ShellStatus("umount '" + dir_ + "'");
    }
    bool mounted() const { return mounted_; }

private:
    std::string dir_;
    bool mounted_ = false;
};

// Makes `dir` with the given shell commands run inside it.
inline void Stage(const std::string& dir, const std::string& commands) {
    ShellStatus("mkdir -p '" + dir + "' && cd '" + dir + "' && " + commands);
}
