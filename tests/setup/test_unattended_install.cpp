// The real program installing without a window: `setup -nodisplay -install` on fixture
// distributions with the real tar and gzip. What it prints and where, the log it keeps,
// answer files good and bad, a corrupt archive, a termination signal in the middle of an
// expansion, the progress line on a terminal, and -list.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "setup/test_tree_listing.h"
#include "support/dist_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

int Mode(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

class Unattended : public testing::Test {
protected:
    void SetUp() override {
        WriteRecordingTool(util, "gtar", FindOnPath("tar"), commands);
        ASSERT_EQ(symlink(FindOnPath("gzip").c_str(), (util + "/gzip").c_str()), 0);
    }

    // A distribution with two targets, boards in each, an additional item and a version.
    void TwoTargets() {
        DistItem arm = Bsp("armboard", "ARM Board");
        arm.target = "arm";
        DistItem ppc = Bsp("ppcboard", "PowerPC Board", {"bsp_common"});
        ppc.target = "ppc";
        dist.Version("Test Toolchain 2.1\n")
            .Basic()
            .Archive("arm/linux86_tools.tgz", {{"arm/bin/cc", "arm cc\n", 0755}})
            .Item(arm)
            .Item(ppc)
            .Item(Bsp("common", "Common Code"))
            .Item(Addon("flash", "Flash Tool"));
        ASSERT_TRUE(dist.Build());
    }

    std::vector<std::string> Command(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {SetupProgram(), "-nodisplay", "-install", "-source_dir",
                                         dist.root(),    "-util_dir",  util};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    ProgramResult Install(const std::vector<std::string>& args) const {
        ProgramOptions options;
        options.unsetEnv = {"DISPLAY"};
        return RunProgram(Command(args), options);
    }
    std::string Answers(const std::string& text) const {
        WriteFile(answers, text);
        return answers;
    }
    std::string Log(const std::string& dir) const { return ReadFile(dir + "/.setup/install.log"); }

    ScopedTempDir tmp;
    DistFixture dist{tmp / "dist"};
    std::string util = tmp / "util", commands = tmp / "gtar.log", answers = tmp / "vt.answers";
    std::string target = tmp / "target";
};

TEST_F(Unattended, InstallsWhatTheWizardWouldWithALogAppendedPerRun) {
    TwoTargets();
    ProgramResult run = Install({"-target_dir", target});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // The summary, one line per archive in order, the report, and the log's path last.
    EXPECT_EQ(run.out.find("The following options have been selected:\n\nTools will be installed "
                           "into:\n\t" +
                           target + "\n"),
              0u);
    const std::string archive = "Expanding: " + dist.root();
    EXPECT_TRUE(Contains(run.out, "\n[1/5] " + archive + "/arm/linux86_tools.tgz\n[2/5] " +
                                      archive + "/ppc/linux86_docs.tgz\n[3/5] "))
        << run.out;
    EXPECT_TRUE(EndsWith(run.out, "[5/5] " + archive +
                                      "/alltargets/allhosts_tools.tgz\n"
                                      "Adjusting write permissions.\nInstallation Completed\n"
                                      "Installation log: " +
                                      target + "/.setup/install.log\n"))
        << run.out;
    EXPECT_EQ(Mode(target + "/arm/bin/cc"), 0555);
    EXPECT_NE(Mode(target + "/.setup") & 0200, 0);
    EXPECT_NE(Mode(target + "/.setup/install.log") & 0200, 0) << "the log must stay writable";

    std::string log = Log(target);
    const std::string expandedFirst = dist.root() + "/arm/linux86_tools.tgz";
    const std::vector<std::string> parts = {
        "installation started\nprogram: Veltrane setup ",
        "command line: " + SetupProgram() + " -nodisplay -install -source_dir ",
        "answers:\n    target_dir = " + target +
            "\n    host = linux86\n    types = ide\n    content = docs, tools\n"
            "    targets = arm, ppc\n    boards =\n    items =\n",
        "\n\tx86 Linux\n",
        "[1/5] Expanding: " + expandedFirst + "\n$ " + util +
            "/gtar -xf -\ncommand ended: exit status 0\n",
        "outcome: completed\n==== "};
    for (const std::string& part : parts)
        EXPECT_TRUE(Contains(log, part)) << part << "\nin\n" << log;

    // Answers from a file, on top of the defaults; the directory on the command line wins
    // over the file's, and as it exists now the log says so instead of asking.
    Answers("# edited by hand\n  boards = bsp_ppcboard \nitems=addon_flash,\ntarget_dir = " +
            tmp / "elsewhere" + "\n");
    run = Install({"-answers", answers, "-target_dir", target});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(PathExists(tmp / "elsewhere"));
    for (const char* file : {"ppcboard/readme.txt", "common/readme.txt", "flash/readme.txt"})
        EXPECT_TRUE(PathExists(target + "/" + file)) << file;
    log = Log(target);
    EXPECT_NE(log.find("installation started"), log.rfind("installation started"));
    EXPECT_TRUE(Contains(log, "\nnote: The destination directory already exists."));
    EXPECT_TRUE(Contains(log, "    boards = bsp_ppcboard\n    items = addon_flash\n"));

    // Recorded without installing: the same answers, with the directory of the command line.
    std::string recorded = tmp / "recorded.answers", fresh = tmp / "fresh";
    run = Install(
        {"-answers", answers, "-target_dir", fresh, "-record_answers", recorded, "-record_only"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(PathExists(fresh));
    std::string text = ReadFile(recorded);
    EXPECT_EQ(text.find("# Veltrane setup answers, recorded "), 0u) << text;
    EXPECT_TRUE(Contains(text, " for the distribution\n# \"Test Toolchain 2.1\".\n"));
    EXPECT_TRUE(Contains(text, "\ntarget_dir = " + fresh + "\n"));
    EXPECT_TRUE(Contains(text, "\nboards = bsp_ppcboard\n"));

    // A directory whose expansion is relative ("~user" of no user, cancelled by "..") is
    // kept absolute, so that what is recorded names the same directory when read back.
    Answers("target_dir = ~no_such_user_vt/../rel\n");
    run = Install({"-answers", answers, "-record_answers", recorded, "-record_only"});
    EXPECT_EQ(run.status, 0) << run.err;
    text = ReadFile(recorded);
    size_t at = text.find("\ntarget_dir = /");
    EXPECT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.compare(text.find('\n', at + 1) - 4, 5, "/rel\n"), 0) << text;
}

TEST_F(Unattended, BadAnswersStopWithOneMessageBeforeAnythingIsWritten) {
    TwoTargets();
    WriteFile(tmp / "plain", "a file, not a directory");
    struct Case {
        std::string answers;
        std::string message; // after "<file>:"
    };
    const std::string head = "target_dir = " + target + "\n";
    const Case cases[] = {
        {head + "colour = red\n", "2: unknown key \"colour\"; the keys are: target_dir, host, "
                                  "types, content, targets, boards, items"},
        {"boards = bsp_nothing\n" + head,
         "1: unknown board \"bsp_nothing\"; this distribution has: bsp_armboard, bsp_common, "
         "bsp_ppcboard"},
        {head + "targets = ppc\nboards = bsp_armboard\n",
         "3: board \"bsp_armboard\" is in target \"arm\", which is not selected; the selected "
         "targets are: ppc"},
        {head + "# hosts\n\nhost linux86\n", "4: not a \"key = value\" line: \"host linux86\""},
        {head + "host = solaris2\n",
         "2: this distribution does not offer host \"solaris2\"; this distribution has: linux86"},
        {"target_dir = " + tmp / "plain/sub\n",
         "1: Please choose another directory.  Can not write to " + tmp / "plain/sub."},
        {head + "targets =\n",
         "2: Please select at least one target for installation. This distribution has: arm, ppc."},
    };
    for (const Case& c : cases) {
        ProgramResult run = Install({"-answers", Answers(c.answers)});
        EXPECT_EQ(run.status, 2) << c.answers;
        EXPECT_EQ(run.err, answers + ":" + c.message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(PathExists(target) || PathExists(tmp / "plain/sub")) << c.answers;
    }
    ProgramResult run = Install({"-answers", tmp / "missing.answers", "-target_dir", target});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, tmp / "missing.answers: cannot read the answer file: No such file or "
                             "directory\n");
    EXPECT_FALSE(PathExists(target));
    // The scan reads the archives in the process and nothing was expanded: gtar never ran.
    EXPECT_FALSE(PathExists(commands)) << "something was expanded";
}

TEST_F(Unattended, CorruptArchiveFailsTheRunAfterTheOthersAndIsNamed) {
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    const std::string corrupt = dist.path("ppc/linux86_docs.tgz");
    WriteFile(corrupt, "this is not a gzip'ed tar archive");
    ProgramResult run = Install({"-target_dir", target});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    // Named by the installer; the archives after it were expanded all the same, and made
    // read-only.
    EXPECT_TRUE(Contains(run.err, corrupt + ": not a gzip file\n"));
    EXPECT_TRUE(
        Contains(run.out, "[4/4] Expanding: " + dist.path("alltargets/allhosts_tools.tgz")));
    EXPECT_TRUE(Contains(run.err, "Expanding " + corrupt + " failed.\n"));
    EXPECT_TRUE(EndsWith(run.err, "Installation Completed with errors.\n1 of 4 archives could not "
                                  "be expanded:\n\t" +
                                      corrupt + "\n"))
        << run.err;
    EXPECT_TRUE(Contains(run.out, "Adjusting write permissions.\n"));
    EXPECT_FALSE(Contains(run.out, "Installation Completed"));
    EXPECT_TRUE(EndsWith(run.out, "Installation log: " + target + "/.setup/install.log\n"));
    std::string log = Log(target);
    EXPECT_TRUE(Contains(log, "-xf -\nerror: " + corrupt + ": not a gzip file\n"));
    EXPECT_TRUE(Contains(log, "command ended: exit status 2\n"));
    EXPECT_TRUE(Contains(log, "outcome: Installation Completed with errors.\noutcome: 1 of 4 "
                              "archives could not be expanded:\noutcome: \t" +
                                  corrupt + "\n"));
}

// A run whose gtar sleeps over one archive, started by hand so that it can be signalled.
class SignalledRun {
public:
    SignalledRun(const std::vector<std::string>& argv, const std::string& out)
        : out_(out), pid_(StartProgram(argv, out, true)) {}
    ~SignalledRun() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) kill(-pid_, SIGKILL);
    }
    // The process id the slow gtar printed, once it did.
    pid_t SlowGtar() const {
        for (int tries = 0; tries < 600; tries++) {
            std::string text = ReadFile(out_);
            size_t at = text.find("slow gtar ");
            if (at != std::string::npos && text.find('\n', at) != std::string::npos)
                return static_cast<pid_t>(atoi(text.c_str() + at + 10));
            usleep(50000);
        }
        return -1;
    }
    // The exit status (128 + signal when the signal killed it).
    int Stop(int signal) {
        kill(pid_, signal);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    }

private:
    std::string out_;
    pid_t pid_ = -1;
};

TEST_F(Unattended, TerminationSignalStopsTheCommandAndEndsWithItsStatus) {
    WriteSlowGtar(util, FindOnPath("tar"), "", "ppc_tools.txt",
                  "    echo \"slow gtar $$\"; exec sleep 120");
    dist.Basic().Archive("ppc/linux86_tools.tgz", {{"ppc_tools.txt", "t"}});
    ASSERT_TRUE(dist.Build());
    for (int signal : {SIGTERM, SIGINT}) {
        std::string dir = target + std::to_string(signal), out = dir + ".out";
        SignalledRun run(Command({"-target_dir", dir, "-keep_partial"}), out);
        pid_t gtar = run.SlowGtar();
        ASSERT_GT(gtar, 0) << ReadFile(out);
        EXPECT_EQ(run.Stop(signal), 128 + signal);
        EXPECT_TRUE(kill(gtar, 0) != 0 && errno == ESRCH) << "the expansion outlived the run";
        std::string text = ReadFile(out);
        EXPECT_TRUE(Contains(text, "Process " + std::to_string(gtar) + " killed.\n")) << text;
        EXPECT_TRUE(Contains(text, "The installation has been cancelled.\nManually remove files "
                                   "created during the installation process.\n"))
            << text;
        EXPECT_FALSE(Contains(text, "Adjusting write permissions."));
        EXPECT_TRUE(Contains(Log(dir), std::string("outcome: cancelled by ") +
                                           (signal == SIGTERM ? "SIGTERM" : "SIGINT") + "\n"));
    }
}

TEST_F(Unattended, OnATerminalOneProgressLineIsRedrawnInstead) {
    if (FindOnPath("script").empty()) GTEST_SKIP() << "no script(1) to give the run a terminal";
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    std::string line;
    for (const std::string& word : Command({"-target_dir", target})) line += "'" + word + "' ";
    ProgramOptions options;
    options.unsetEnv = {"DISPLAY"};
    ProgramResult run = RunProgram({"script", "-qec", line, "/dev/null"}, options);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    // The terminal turns line ends into carriage return and line feed.
    EXPECT_TRUE(Contains(run.out, "\rExpanding archive 1 of 4: 0 KiB of ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\rExpanding archive 4 of 4: ")) << run.out;
    EXPECT_FALSE(Contains(run.out, "] Expanding: ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\rAdjusting write permissions.\r\n")) << run.out;
    EXPECT_TRUE(EndsWith(run.out, "Installation log: " + target + "/.setup/install.log\r\n"));
}

TEST_F(Unattended, ListNamesWhatTheDistributionOffersWithoutExtractingAnything) {
    TwoTargets();
    ProgramResult run = RunProgram({SetupProgram(), "-nodisplay", "-save_catalogs", "-source_dir",
                                    dist.root(), "-util_dir", util});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string scans = ReadFile(commands);
    run = RunProgram({SetupProgram(), "-list", "-source_dir", dist.root(), "-util_dir", util});
    EXPECT_EQ(run.status, 0) << run.err;
    // Names first, in columns per section; boards under the target that holds them.
    EXPECT_EQ(run.out.find("Test Toolchain 2.1\nHosts (host):\n    hppa      HP/UX  (not in this "
                           "distribution)\n"),
              0u)
        << run.out;
    for (const char* part :
         {"\n    linux86   x86 Linux  (default)\n",
          "\n    vstartd  Remote Connection Server  (not in this distribution)\n",
          "\nTargets (targets):\n    arm  ARM  (default)\n    ppc  PowerPC  "
          "(default)\n",
          "\n  ppc:\n    bsp_ppcboard  PowerPC Board  (needs bsp_common)\n  "
          "alltargets:\n    bsp_common  Common Code\n",
          "\nAdditional items (items):\n    addon_flash  Flash Tool\n"})
        EXPECT_TRUE(Contains(run.out, part)) << part << "in\n" << run.out;
    EXPECT_EQ(ReadFile(commands), scans) << "the catalogs replace the scan";
}

} // namespace
