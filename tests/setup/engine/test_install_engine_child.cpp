// The commands the engine runs: both streams shown as they arrive, no spinning while a
// child is quiet, every child reaped, a cancel killing the running child and skipping the
// rest, and the online-help commands.
#include <sys/resource.h>
#include <sys/wait.h>

#include "setup/engine/test_install_engine_support.h"
#include "shared/libcxxutil/ut_idle.h"

namespace {
InstallOptions& o = installOptions;

bool NoChildLeft() {
    int status;
    return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

double CpuSeconds() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string Joined(const std::vector<std::string>& pieces) {
    std::string all;
    for (const std::string& piece : pieces) all += piece;
    return all;
}

// Sets cancelRequested when it fires, as a confirmed Cancel does.
struct CancelTimer : TimerListener {
    void handleTimer(long long) override { installOptions.cancelRequested = true; }
    bool isTimerSafe() override { return true; }
};

using ChildTest = EngineTest;

TEST_F(ChildTest, StreamsShowInPiecesQuietChildCostsNoProcessorAndEveryChildIsReaped) {
    const std::string talk = tmp / "talk", linger = tmp / "linger";
    WriteFile(talk, "#!/bin/sh\necho warning >&2\nhead -c 100000 /dev/zero | tr '\\0' x\n", 0755);
    WriteFile(linger, "#!/bin/sh\nexec >&- 2>&-\nsleep 0.3\n", 0755);
    for (int registry : {0, 1}) {
        debugFlag[kSwitchUseFDRegistry] = registry;
        view = RecordingView();
        o.cancelRequested = o.cancelled = false;
        Capture([&] { ExecAndDisplayCommand(talk.c_str()); });
        EXPECT_EQ(Joined(view.Texts("M")), std::string(100000, 'x'));
        EXPECT_EQ(Joined(view.Texts("E")), "warning\n");
        for (const std::string& piece : view.Texts("M")) EXPECT_LE(piece.size(), 1999u);
        // A child that closes its output and goes on running is still waited for.
        Capture([&] { ExecAndDisplayCommand(linger.c_str()); });
        EXPECT_TRUE(NoChildLeft());

        CancelTimer timer;
        getIdleNotifier()->addTimerListener(&timer, 500);
        double before = CpuSeconds();
        Capture([] { ExecAndDisplayCommand("sleep 30"); });
        getIdleNotifier()->removeTimerListener(&timer);
        EXPECT_LT(CpuSeconds() - before, 0.15) << "the wait spins";
        EXPECT_EQ(view.Texts("EProcess ").size(), 1u);
        EXPECT_TRUE(o.cancelled && NoChildLeft());
    }
}

TEST_F(ChildTest, CancelWhileAnArchiveExpandsKillsItAndSkipsTheRest) {
    // A gtar that reports its process number and takes its time over one archive.
    WriteSlowGtar(util, FindOnPath("tar"), log, "slow.txt",
                  "    echo \"started $$\" >&2\n"
                  "    trap 'kill $! 2>/dev/null; exit 143' TERM; sleep 30 & wait $!");
    ASSERT_EQ(symlink(FindOnPath("gzip").c_str(), (util + "/gzip").c_str()), 0);
    dist.Archive(
        "ppc/linux86_tools.tgz",
        {{"helpInstall", "#!/bin/sh\n", 0755}, {"manuals/a.tar.gz", "m"}, {"bin/tool", "t"}});
    dist.Archive("ppc/allhosts_tools.tgz", {{"slow.txt", "s"}})
        .HostTools("linux86")
        .InstallType("ide");
    Prepare();
    o.keepPartial = true; // what was expanded stays, to be looked at
    std::string pid;
    view.onLine = [&](const std::string& line) {
        if (line.compare(0, 9, "Estarted ") != 0) return;
        pid = line.substr(9, line.size() - 10);
        o.cancelRequested = true;
    };
    Install();

    EXPECT_TRUE(view.Has("EProcess " + pid + " killed.")) << pid;
    EXPECT_TRUE(NoChildLeft());
    EXPECT_EQ(Commands().size(), 3u); // alltargets/allhosts_tools.tgz never started
    EXPECT_EQ(ModesBelow(target)["bin/tool"] & 0200, 0200); // no read-only pass
    EXPECT_FALSE(view.Has("MInstalling online help files."));
    EXPECT_EQ(view.Report(), "EThe installation has been cancelled.\nManually remove "
                             "files created during the installation process.");
    EXPECT_TRUE(view.finished && o.installFinished);
}

using OnlineHelpTest = EngineTest;

TEST_F(OnlineHelpTest, OneCommandPerManualShowingBothStreamsPreferringTheUtilities) {
    // Distributions whose tools bring a helpInstall and these files below manuals/.
    auto install = [&](DistFixture& d, const std::vector<std::string>& manuals) {
        DistFiles files = {
            {"helpInstall",
             "#!/bin/sh\necho \"$0 $*\" >> " + log + "\necho \"for $7\"\necho \"about $7\" >&2\n",
             0755}};
        for (const std::string& m : manuals) files.push_back({"manuals/" + m, "m"});
        d.HostTools("linux86", files).InstallType("ide");
        ASSERT_TRUE(d.Build());
        Discover(d.root());
        o.targetDir = gen_copy((d.root() + "_installed").c_str());
        view = RecordingView();
        Install();
        EXPECT_EQ(view.Texts("MInstalling online help files.").size(), 1u);
        EXPECT_EQ(view.Report(), "IInstallation Completed");
    };
    install(dist, {"b.tar.gz", "a.tar.gz", "notes.txt"});
    const std::string prefix = "./helpInstall -gtar " + std::string(o.gtarPath) + " -gzip " +
                               o.gzipPath + " -noverbose manuals manuals/";
    EXPECT_EQ(Commands(), std::vector<std::string>({prefix + "a.tar.gz", prefix + "b.tar.gz"}));
    EXPECT_EQ(Joined(view.Texts("Mfor ")), "for manuals/a.tar.gz\nfor manuals/b.tar.gz\n");
    EXPECT_EQ(Joined(view.Texts("E")), "about manuals/a.tar.gz\nabout manuals/b.tar.gz\n");

    WriteRecordingTool(util, "helpInstall", "/bin/true", log);
    DistFixture second(tmp / "second"), bare(tmp / "bare");
    install(second, {"c.tar.gz"});
    EXPECT_EQ(Commands().back(), util + "/helpInstall -noverbose manuals manuals/c.tar.gz");
    install(bare, {"notes.txt"}); // the message, and nothing to run
    EXPECT_EQ(Commands().size(), 3u);
}

} // namespace
