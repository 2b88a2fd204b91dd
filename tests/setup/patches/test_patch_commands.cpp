// The patch commands end to end: the real program packs files into a patch and installs
// it, and refuses damaged or hostile patches and bad inputs without writing anything.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "setup/patches/test_iff_bytes.h"
#include "setup/setup_entry.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {
std::string Report(const std::string& info, const std::string& lines) {
    return std::string(60, '-') + "\n" + info + "\nFiles in this patch:\n" + lines + "\n";
}
std::string ReadFailure(int status) {
    return "Failed to read archive.  Error number: " + std::to_string(status) + ".\n" +
           kSetupHelpText + "\n";
}
int Mode(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode) : -1;
}

class PatchCommands : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir / "file1", "one\n", 0644);
        mkdir((dir / "sub").c_str(), 0755);
        WriteFile(dir / "sub/file2", "two", 0755);
    }
    ProgramResult Setup(std::vector<std::string> args) {
        args.insert(args.begin(), {SetupProgram(), "-nodisplay"});
        ProgramOptions options;
        options.workingDir = dir.path();
        return RunProgram(args, options);
    }
    ProgramResult Install(const std::string& patch, const std::string& target = "T") {
        return Setup({"-install_patch", patch, "-target_dir", dir / target});
    }
    ProgramResult InstallBytes(const std::string& bytes) {
        WriteFile(dir / "crafted", bytes);
        return Install("crafted");
    }
    ScopedTempDir dir;
};

TEST_F(PatchCommands, InstallReproducesEveryFileReadOnlyAndAppendsAReport) {
    ProgramResult made =
        Setup({"-create_patch", "p", "file1", "info one", "sub/file2", "-patch_info", "the patch"});
    EXPECT_EQ(made.status, 1);
    EXPECT_EQ(made.err, "");
    for (int round = 1; round <= 2; round++) {
        ProgramResult installed = Install("p");
        EXPECT_EQ(installed.status, 1);
        EXPECT_EQ(installed.err, "");
    }
    EXPECT_EQ(ReadFile(dir / "T/file1"), "one\n");
    EXPECT_EQ(ReadFile(dir / "T/sub/file2"), "two");
    EXPECT_EQ(Mode(dir / "T/file1"), S_IFREG | 0444);
    EXPECT_EQ(Mode(dir / "T/sub/file2"), S_IFREG | 0555);
    std::string block = Report("the patch", "file1: info one\nsub/file2\n");
    EXPECT_EQ(ReadFile(dir / "T/patch_information.txt"), block + block);
}

TEST_F(PatchCommands, PatchInformationDecidesWhereTheFileListStarts) {
    struct Case {
        std::vector<std::string> args;
        std::string report;
    } cases[] = {
        {{"-patch_info", "I", "file1", "(null)", "sub/file2", "(NULL)"},
         Report("I", "file1\nsub/file2\n")},
        {{"file1", "-patch_info", "I", "sub/file2"}, Report("I", "sub/file2\n")},
        {{"file1"}, Report("", "file1\n")},
        {{"file1", "-target_dir", "X", "sub/file2", "-patch_info", "I"},
         Report("I", "file1\nsub/file2\n")},
        {{"-patch_info", "nothing"}, Report("nothing", "")},
        // Options after the information still leave it closing the list.
        {{"file1", "sub/file2", "-patch_info", "I", "-source_dir", ".", "-nodisplay"},
         Report("I", "file1\nsub/file2\n")},
    };
    int n = 0;
    for (Case& c : cases) {
        std::string patch = "p" + std::to_string(++n), target = "T" + std::to_string(n);
        c.args.insert(c.args.begin(), {"-create_patch", patch});
        ASSERT_EQ(Setup(c.args).status, 1);
        ASSERT_EQ(Install(patch, target).status, 1);
        EXPECT_EQ(ReadFile(dir / target + "/patch_information.txt"), c.report) << n;
    }
    EXPECT_FALSE(PathExists(dir / "T2/file1"));
    EXPECT_FALSE(PathExists(dir / "T5/file1"));
}

TEST_F(PatchCommands, ArchiveBytesFollowTheFormatOnEveryHost) {
    WriteFile(dir / "abc", "hello", 0644); // odd name and contents: both padded
    ASSERT_EQ(Setup({"-create_patch", "p", "abc", "-patch_info", "x"}).status, 1);
    EXPECT_EQ(ReadFile(dir / "p"), PatchBytes("x", FileForm("abc", "(null)", 0100644, "hello")));
}

TEST_F(PatchCommands, BadInputsAreRefusedWithoutAnArchive) {
    WriteFile(dir / "p", "precious");
    ProgramResult result = Setup({"-create_patch", "p", "file1"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(
        result.err.find(
            "Can not create an archive that already exists.  Please delete p.\n\nThe following"),
        0u);
    EXPECT_EQ(ReadFile(dir / "p"), "precious");

    WriteFile(dir / "huge", "");
    ASSERT_EQ(truncate((dir / "huge").c_str(), 0x90000000L), 0); // sparse, never read
    // Names the installing side would refuse are refused when the patch is made.
    std::string absolute = dir / "file1";
    std::string parent = "../" + dir.path().substr(dir.path().rfind('/') + 1) + "/file1";
    for (const char* input : {"sub", "missing", "huge", absolute.c_str(), parent.c_str()}) {
        result = Setup({"-create_patch", "q", "file1", "i", input});
        EXPECT_EQ(result.status, 1) << input;
        EXPECT_NE(result.err.find(input), std::string::npos) << result.err;
        EXPECT_FALSE(PathExists(dir / "q")) << input;
    }
    result = Setup({"-install_patch", "p"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("-target_dir"), std::string::npos);
}

TEST_F(PatchCommands, DamagedPatchesStopAndInstallNothing) {
    std::string good =
        PatchBytes("i", FileForm("a", "", 0100644, "x") + FileForm("b", "", 0100644, "y"));
    struct Case {
        std::string bytes;
        int status;
    };
    std::vector<Case> cases = {
        {"", -4},
        {"This is not an archive.", -4},
        {Group("FORM", "VTA ", Chunk("VTFI", "i")), -9}, // no patch information first
        {PatchBytes("i", FileForm("a", "", 0100644, "x") +
                             Group("FORM", "VTF ", Chunk("VTFN", "b") + Chunk("VTFP", "ab"))),
         -8},
        {Group("LIST", "VTA ", ""), -4},
        {Chunk("FORM", "ab"), -8}, // too short for its own subtype
    };
    for (size_t length = 0; length < good.size(); length++)
        cases.push_back({good.substr(0, length), length < 8 ? -4 : -9});
    for (const Case& c : cases) {
        ProgramResult result = InstallBytes(c.bytes);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, ReadFailure(c.status)) << c.bytes.size();
        EXPECT_FALSE(PathExists(dir / "T")) << c.bytes.size();
    }
}

TEST_F(PatchCommands, HostileEntriesRefuseTheWholePatch) {
    mkdir((dir / "T").c_str(), 0755);
    mkdir((dir / "outside").c_str(), 0755);
    ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "T/link").c_str()), 0);
    struct Case {
        std::string form;
        std::string message;
    } cases[] = {
        {FileForm("/tmp/x", "", 0644, "x"), "file 2, \"/tmp/x\", has an absolute name."},
        {FileForm("a/../../x", "", 0644, "x"), "file 2, \"a/../../x\", has a \"..\" component"},
        {FileForm("link/x", "", 0644, "x"), "file 2, \"link/x\", would be written through a "
                                            "symbolic link, and a patch never follows one."},
        {Group("FORM", "VTF ", Chunk("VTFC", "x")), "file 2 has no name."},
        {Group("FORM", "VTF ", Chunk("VTFN", "c")), "file 2, \"c\", has no contents."},
    };
    for (const Case& c : cases) {
        ProgramResult result = InstallBytes(PatchBytes("", FileForm("ok", "", 0644, "x") + c.form));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err.find("Can not install the patch crafted: " + c.message), 0u)
            << result.err;
        EXPECT_FALSE(PathExists(dir / "T/ok"));
        EXPECT_FALSE(PathExists(dir / "T/patch_information.txt"));
        EXPECT_FALSE(PathExists(dir / "outside/x"));
    }
}

TEST_F(PatchCommands, ChunksComeInAnyOrderAndModesOnlyMakeReadOnlyPlainFiles) {
    std::string shuffled = Group("FORM", "VTF ",
                                 Chunk("VTFC", "z") + Chunk("XTRA", "?") +
                                     Chunk("VTFP", Le32(0100600)) + Chunk("VTFN", "odd/order"));
    std::string device = FileForm("dev", "(Null)", 020000 | 06000 | 0755, "c");
    ASSERT_EQ(InstallBytes(PatchBytes("P", device + shuffled + Chunk("ENDS", "") +
                                               FileForm("never", "", 0644, "n")))
                  .status,
              1);
    EXPECT_EQ(Mode(dir / "T/dev"), S_IFREG | 0555);
    EXPECT_EQ(Mode(dir / "T/odd/order"), S_IFREG | 0400);
    EXPECT_EQ(ReadFile(dir / "T/odd/order"), "z");
    EXPECT_FALSE(PathExists(dir / "T/never"));
    EXPECT_EQ(ReadFile(dir / "T/patch_information.txt"), Report("P", "dev\nodd/order\n"));
}
} // namespace
