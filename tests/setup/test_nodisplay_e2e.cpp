// The real program in command-line mode: `setup -nodisplay [-source_dir D]
// [-save_catalogs]` on fixture distributions, with the real tar and gzip.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "setup/setup_entry.h"
#include "support/dist_fixture.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {
const std::string kDoneLine = "Running in nodisplay mode.  If -save_catalogs was passed in "
                              "information will be saved for future installations.\n";

class NodisplayTest : public testing::Test {
protected:
    ProgramResult RunSetup(std::vector<std::string> args, const ProgramOptions& options = {}) {
        args.insert(args.begin(), {SetupProgram(), "-nodisplay"});
        return RunProgram(args, options);
    }
    // The error text, then the help text, on standard error.
    static std::string Fatal(const std::string& message) {
        return message + "\n" + kSetupHelpText + "\n";
    }

    ScopedTempDir tmp;
    DistFixture dist{tmp / "dist"};
};

TEST_F(NodisplayTest, MissingDistributionStopsWithMessageAndHelp) {
    std::string empty = tmp / "empty";
    ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
    ProgramResult run = RunSetup({"-source_dir", empty});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Fatal("There are no distribution archives in " + empty + "."));
    EXPECT_EQ(run.out, "");
}

TEST_F(NodisplayTest, DistributionWithoutInstallTypeIsIncomplete) {
    dist.HostTools("linux86").Target("ppc");
    ASSERT_TRUE(dist.Build());
    ProgramResult run = RunSetup({"-source_dir", dist.root()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, Fatal("The distribution set is incomplete."));
}

TEST_F(NodisplayTest, MissingUtilitiesAreNamed) {
    dist.Basic();
    ASSERT_TRUE(dist.Build());
    std::string nothing = tmp / "nothing";
    ASSERT_EQ(mkdir(nothing.c_str(), 0755), 0);
    ProgramOptions noPath;
    noPath.extraEnv = {"PATH=" + nothing};
    ProgramResult run = RunSetup({"-source_dir", dist.root(), "-util_dir", nothing}, noPath);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("Could not find gtar and gzip."), 0u) << run.err;
    EXPECT_NE(run.err.find("These programs must be in your path for this program to run "
                           "properly.\n" +
                           std::string(kSetupHelpText)),
              std::string::npos)
        << run.err;
}

TEST_F(NodisplayTest, SaveCatalogsScansOnceAndLaterRunsReadTheCatalogs) {
    std::string util = tmp / "util", log = tmp / "gtar.log";
    WriteRecordingTool(util, "gtar", FindOnPath("tar"), log);
    ASSERT_EQ(symlink(FindOnPath("gzip").c_str(), (util + "/gzip").c_str()), 0);
    DistItem board = Bsp("board", "Board [Reference Board]", {"bsp_lib"});
    board.target = "arm";
    DistItem lib = Bsp("lib", "Support Library");
    lib.target = "ppc", lib.part = "_tools", lib.form = MemberForm::Flat;
    dist.Basic().Target("arm").Item(board).Item(lib).Item(Addon("tool", "Flash Tool"));
    ASSERT_TRUE(dist.Build());

    ProgramResult run = RunSetup({"-source_dir", dist.root(), "-util_dir", util, "-save_catalogs"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, kDoneLine);
    EXPECT_FALSE(PathExists(log)); // the scan reads the archives itself
    EXPECT_EQ(ReadFile(dist.path("info/bsplist.txt")),
              "BEGIN bsp\nbsp_board\nReference Board\n0\n1\nbsp_lib\nEND bsp\n"
              "BEGIN bsp\nbsp_lib\nSupport Library\n0\n15\nEND bsp\nEND FILE");
    EXPECT_EQ(ReadFile(dist.path("info/addonlist.txt")),
              "BEGIN addon\naddon_tool\nFlash Tool\n0\n20\nEND addon\nEND FILE");

    // The catalogs replace the scan: damaged item archives go unnoticed.
    for (const DistItem* item : {&board, &lib}) dist.File(item->ArchivePath(), "damaged");
    run = RunSetup({"-source_dir", dist.root(), "-util_dir", util});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, kDoneLine);
}

TEST_F(NodisplayTest, DemoDistributionBesideTheProgramIsComplete) {
    ProgramResult run = RunSetup({});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, kDoneLine);
    EXPECT_FALSE(PathExists(BuildDir() + "/bin/dist/info/bsplist.txt"));
}
} // namespace
