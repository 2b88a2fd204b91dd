// The installer's command line: the option walk with its substring rule, the help text
// and the order in which help, patch creation and patch installation win. The parser is
// checked in process; the exits through the real program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "setup/install_options.h"
#include "shared/indgen.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

// The help text as users see it, written out here independently of the program.
const char kExpectedHelp[] =
    "\nThe following command-line options are supported\n"
    "    -help\n        display this message\n"
    "    -nodisplay\n        run in command-line mode - this is supported\n"
    "\tfor the generation of catalog files, for the\n\tcreation and installation of patches and, "
    "with\n\t-install, for installing without a window\n"
    "\ton windows, you can pass this switch, but no\n\tinformation will be displayed on the "
    "command\n\tline, so any failures will be silent\n"
    "    -save_catalogs\n        generate catalog files which can be used by future\n"
    "\tinstallations\n"
    "    -source_dir directory\n        specify the directory containing the distribution\n"
    "\tset to install from\n"
    "    -target_dir directory\n        specify the directory in which tools will be\n"
    "\tinstalled\n"
    "    -util_dir directory\n        specify the directory containing the archiving,\n"
    "\textraction, and decoding utilities required by\n\tthis program\n"
    "    -create_patch patch_file_name file1 [file info]\n    file2 [file info]...\n"
    "        create a veltrane archive named\n\t\"patch_file_name\" containing the listed "
    "files\n\toptionally, you can provide an information string\n\tafter each file name\n"
    "    -patch_info \"patch information\"\n        information to be associated with the "
    "patch\n\tthis should be placed right after the name of the\n\tpatch file on the command "
    "line\n"
    "    -install_patch patch_file_name\n        install the patch indicated by "
    "patch_file_name\n\tyou must also pass -target_dir to specify where\n\tthe patch should be "
    "installed\n"
    "    -install\n        install without a window what the wizard would\n\tinstall by "
    "default, or what the answer file says;\n\tthe exit status is 0 only when everything was\n"
    "\tinstalled, and a log is kept in the installation\n\tdirectory under "
    ".setup/install.log\n"
    "    -answers answer_file\n        take the installation options from answer_file\n"
    "\t(one \"key = value\" a line, as -record_answers\n\twrites it); options on the command "
    "line win\n"
    "    -record_answers answer_file\n        when Install is pressed in the wizard, write "
    "the\n\tchosen options to answer_file (and install)\n"
    "    -record_only\n        with -record_answers, write the answer file and\n\tend without "
    "installing anything\n"
    "    -list\n        list what this distribution offers: hosts, install\n\ttypes, content "
    "kinds, targets, boards and items,\n\tby the names an answer file uses\n"
    "    -scan_timeout seconds\n        stop examining an archive of the distribution\n"
    "\tonce it has taken this long (60 unless given)\n"
    "    -jobs number\n        inflate up to this many archives at once, ahead of\n"
    "\tthe one being extracted (1: one at a time; by\n\tdefault one a processor, at most 8)\n"
    "    -buffer_mb megabytes\n        memory for archives inflated ahead (256 unless\n"
    "\tgiven)\n"
    "    -keep_partial\n        when an installation without a window is stopped,\n"
    "\tkeep what it has written instead of removing it\n"
    "    -rollback_on_error\n        when an archive of an installation without a\n"
    "\twindow fails, remove what the installation has\n\twritten\n"
    "    -uninstall\n        remove what the installations recorded in the\n"
    "\tdirectory given with -target_dir wrote there;\n\tfiles changed since are kept and "
    "named\n";

class CommandLine : public ::testing::Test {
protected:
    void TearDown() override {
        installOptions.createPatchRequested = installOptions.installPatchRequested = false;
    }
    // Parses the words as the program's arguments (after a program path of its own).
    InstallOptions& Parse(std::vector<std::string> words) {
        words.insert(words.begin(), "/opt/veltrane/bin/setup");
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(&w[0]);
        argv.push_back(nullptr);
        installOptions.GetCommandLineArguments(argv.data(), static_cast<int>(words.size()));
        return installOptions;
    }
};

TEST_F(CommandLine, AnArgumentContainingAnOptionWordActsAsThatOption) {
    for (const char* word : {"-nodisplay", "--nodisplay", "nodisplay", "x-nodisplay-y"})
        EXPECT_TRUE(Parse({word}).noDisplay) << word;
    EXPECT_FALSE(Parse({"-NoDisplay"}).noDisplay) << "words are compared with case";

    InstallOptions& o = Parse({"-target_directory", "/opt/x//y/", "-save_catalogs"});
    EXPECT_STREQ(o.targetDir, "/opt/x/y/");
    EXPECT_TRUE(o.saveCatalogs);

    // Only the first word in table order acts: this is source_dir, not nodisplay.
    o = Parse({"-source_dir_nodisplay", "dist"});
    EXPECT_STREQ(o.sourceDir, "dist");
    EXPECT_FALSE(o.noDisplay);
}

TEST_F(CommandLine, DirectoryValuesAreExpandedAndAMissingValueLeavesTheFieldNull) {
    setenv("HOME", "/home/tester", 1);
    InstallOptions& o = Parse({"-util_dir", "~/bin", "-target_dir", "rel/dir"});
    EXPECT_STREQ(o.utilDir, "/home/tester/bin");
    EXPECT_EQ(std::string(o.targetDir), std::string(gen_getcwd()) + "/rel/dir");

    o = Parse({"-nodisplay", "-source_dir"});
    EXPECT_EQ(o.sourceDir, nullptr);
    EXPECT_TRUE(o.noDisplay);
    // A second parse resets what the first one set.
    o = Parse({"-help"});
    EXPECT_EQ(o.utilDir, nullptr);
    EXPECT_FALSE(o.noDisplay);
    EXPECT_TRUE(o.showHelp);
}

TEST_F(CommandLine, PatchInformationIsTakenWhereverTheWalkStands) {
    InstallOptions& o = Parse({"-create_patch", "p.vta", "-patch_info", "fixes", "file1"});
    EXPECT_TRUE(o.createPatchRequested);
    EXPECT_STREQ(o.createPatchFile, "p.vta");
    EXPECT_STREQ(o.patchInfo, "fixes");

    // A value that itself contains the word makes the next argument the information.
    o = Parse({"-source_dir", "/d/patch_info", "second"});
    EXPECT_STREQ(o.sourceDir, "/d/patch_info");
    EXPECT_STREQ(o.patchInfo, "second");

    o = Parse({"-install_patch", "q", "-patch_info"});
    EXPECT_TRUE(o.installPatchRequested);
    EXPECT_STREQ(o.installPatchFile, "q");
    EXPECT_EQ(o.patchInfo, nullptr);
}

TEST_F(CommandLine, UnattendedOptionsMatchOnlyAsWholeWordsAndComeFirst) {
    setenv("HOME", "/home/tester", 1);
    InstallOptions& o = Parse({"--install", "-answers", "~/vt.answers", "-record_answers", "/r/a",
                               "-record_only", "-list", "-target_dir", "/opt/vt"});
    EXPECT_TRUE(o.installRequested && o.recordOnly && o.listRequested);
    EXPECT_STREQ(o.answersFile, "/home/tester/vt.answers");
    EXPECT_STREQ(o.recordAnswersFile, "/r/a");
    EXPECT_TRUE(o.targetDirGiven);

    // Never a part of a longer word: -install_patch stays the patch option and
    // -record_answers never sets the answers to read.
    o = Parse({"-install_patch", "p.vta", "-record_answers", "rec", "-installer", "-list_all",
               "install"});
    EXPECT_FALSE(o.installRequested || o.listRequested || o.targetDirGiven);
    EXPECT_TRUE(o.installPatchRequested);
    EXPECT_STREQ(o.installPatchFile, "p.vta");
    EXPECT_EQ(o.answersFile, nullptr);
    EXPECT_NE(o.recordAnswersFile, nullptr);

    // Their values are taken as they stand, even when they contain an option word.
    o = Parse({"-answers", "nodisplay_help.answers"});
    EXPECT_FALSE(o.noDisplay || o.showHelp);
    EXPECT_NE(std::string(o.answersFile).find("nodisplay_help.answers"), std::string::npos);
}

class CommandLineProgram : public ::testing::Test {
protected:
    ProgramResult Run(std::vector<std::string> args, const std::string& program = SetupProgram()) {
        args.insert(args.begin(), program);
        ProgramOptions options;
        options.workingDir = dir.path();
        options.unsetEnv = {"DISPLAY"};
        return RunProgram(args, options);
    }
    ScopedTempDir dir;
};

TEST_F(CommandLineProgram, HelpWritesTheTextToStandardErrorAndExitsWithOne) {
    ProgramResult r = Run({"-help"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kExpectedHelp);

    // Help wins even after a patch request, and nothing is created.
    WriteFile(dir / "file1", "one");
    r = Run({"-create_patch", "p", "file1", "-help"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kExpectedHelp);
    EXPECT_FALSE(PathExists(dir / "p"));

    // So does a file name that merely contains the word.
    WriteFile(dir / "helpful", "two");
    r = Run({"-create_patch", "p", "helpful"});
    EXPECT_EQ(r.err, kExpectedHelp);
    EXPECT_FALSE(PathExists(dir / "p"));
}

TEST_F(CommandLineProgram, CreatingAPatchWinsOverInstallingOne) {
    WriteFile(dir / "file1", "one");
    ProgramResult r = Run({"-nodisplay", "-create_patch", "p", "file1", "-install_patch", "p",
                           "-target_dir", dir / "T"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(PathExists(dir / "p"));
    EXPECT_FALSE(PathExists(dir / "T"));
}

TEST_F(CommandLineProgram, AProgramPathContainingNodisplaySelectsCommandLineMode) {
    // Argument 0 is examined like every other argument.
    std::string link = dir / "nodisplay-setup";
    ASSERT_EQ(symlink(SetupProgram().c_str(), link.c_str()), 0);
    ProgramResult r = Run({}, link);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Running in nodisplay mode.  If -save_catalogs was passed in information "
                     "will be saved for future installations.\n");
}

} // namespace
