// Helpers for the rollback tests of the real program, with and without a window: an
// earlier installation of the demo distribution to install over, utilities that pause at a
// chosen archive or manual until the test lets them go (or stops the run), and the ten
// moments at which a run is stopped.
#pragma once

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "setup/engine/test_manifest_support.h"
#include "support/dist_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

// The demo distribution the build makes beside the program.
inline std::string DemoDistribution() {
    return BuildDir() + "/bin/dist";
}

// Where a run is stopped: the archive (or online-help manual) whose name ends so. Eight of
// the thirteen archives the demo distribution installs by default, then both manuals.
inline std::vector<std::string> StopMoments() {
    return {"arm/linux86_docs.tgz",           "arm/linux86_tools.tgz",
            "mips/linux86_tools.tgz",         "ppc/linux86_tools.tgz",
            "alltargets/linux86_tools.tgz",   "mips/allhosts_docs.tgz",
            "alltargets/allhosts_docs.tgz",   "alltargets/allhosts_tools.tgz",
            "manuals/getting_started.tar.gz", "manuals/reference.tar.gz"};
}

// Utilities in `util`: gtar and helpInstall that, for the archive or manual whose name ends
// in the contents of `dir`/pause_at (gtar's archive is the one the log names last), write their
// process number to `dir`/paused and wait for `dir`/go; otherwise (and afterwards) they do the real
// work. helpInstall runs the one the distribution installed, as the engine would without it.
inline void WritePausingTools(const std::string& util, const std::string& dir) {
    // gtar reads its archive on standard input: which one it is, the run's log has just said.
    std::string pause = "for last do :; done\n"
                        "[ \"$last\" = - ] && last=$(grep 'Expanding: ' .setup/install.log | "
                        "tail -n 1)\nat=$(cat " +
                        dir + "/pause_at 2>/dev/null)\n" +
                        "case \"$last\" in *\"$at\") if [ -n \"$at\" ]; then echo $$ > " + dir +
                        "/paused.tmp && mv " + dir + "/paused.tmp " + dir +
                        "/paused; while [ ! -e " + dir + "/go ]; do sleep 0.05; done; fi;; esac\n";
    std::string tar = FindOnPath("tar"), gzip = FindOnPath("gzip");
    ShellStatus("mkdir -p '" + util + "' && ln -sf " + gzip + " '" + util + "/gzip'");
    WriteFile(util + "/gtar", "#!/bin/sh\n" + pause + "exec " + tar + " \"$@\"\n", 0755);
    WriteFile(util + "/helpInstall",
              "#!/bin/sh\n" + pause + "exec ./helpInstall -gtar " + tar + " -gzip " + gzip +
                  " \"$@\"\n",
              0755);
}

// The process number a pausing utility wrote, once it did (0 after 30 s).
inline pid_t PausedUtility(const std::string& dir) {
    for (int tries = 0; tries < 600; tries++) {
        pid_t pid = static_cast<pid_t>(atoi(ReadFile(dir + "/paused").c_str()));
        if (pid > 0) return pid;
        usleep(50000);
    }
    return 0;
}

// Puts `target` back to a copy of `earlier` and sets where the pausing tools of `dir` stop
// the next run; returns the listing the run must leave behind.
inline std::string PrepareMoment(const std::string& earlier, const std::string& target,
                                 const std::string& dir, const std::string& moment) {
    ShellStatus("rm -rf '" + target + "' '" + dir + "/paused' && cp -a '" + earlier + "' '" +
                target + "'");
    WriteFile(dir + "/pause_at", moment);
    return Listing(target);
}

// True once no process of the group led by `leader` is left (within 10 s).
inline bool GroupGone(pid_t leader) {
    for (int tries = 0; tries < 200; tries++) {
        if (kill(-leader, 0) != 0 && errno == ESRCH) return true;
        usleep(50000);
    }
    return false;
}

// The demo distribution installed into `dir` without a window, then changed the way a
// user changes an installation: a file edited and made private, one of the user's own
// beside the installed ones, and an older time on a directory.
inline bool MakeEarlierInstallation(const std::string& dir) {
    ProgramResult run = RunProgram({SetupProgram(), "-nodisplay", "-install", "-source_dir",
                                    DemoDistribution(), "-target_dir", dir});
    return run.status == 0 &&
           ShellStatus("cd '" + dir + "' && chmod u+w doc/README.txt && echo edited > " +
                       "doc/README.txt && chmod 0600 doc/README.txt && echo mine > arm/bin/mine " +
                       "&& touch -d '2001-02-03 04:05:06' doc/arm doc/README.txt") == 0;
}
