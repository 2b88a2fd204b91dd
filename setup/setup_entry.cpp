// The installer's entry services and its command-line parser. Every message goes to
// standard error in command-line mode and to an alert box in wizard mode.
#include "setup/setup_entry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "setup/install_options.h"
#include "shared/indgen.h"
#include "windlib/dialog/wyesno.h"
#include "windlib/wevent.h"
#include "windlib/wtimer.h"

// One line of the text a line of the source.
// clang-format off
const char kSetupHelpText[] =
    "\n"
    "The following command-line options are supported\n"
    "    -help\n"
    "        display this message\n"
    "    -nodisplay\n"
    "        run in command-line mode - this is supported\n"
    "\tfor the generation of catalog files, for the\n"
    "\tcreation and installation of patches and, with\n"
    "\t-install, for installing without a window\n"
    "\ton windows, you can pass this switch, but no\n"
    "\tinformation will be displayed on the command\n"
    "\tline, so any failures will be silent\n"
    "    -save_catalogs\n"
    "        generate catalog files which can be used by future\n"
    "\tinstallations\n"
    "    -source_dir directory\n"
    "        specify the directory containing the distribution\n"
    "\tset to install from\n"
    "    -target_dir directory\n"
    "        specify the directory in which tools will be\n"
    "\tinstalled\n"
    "    -util_dir directory\n"
    "        specify the directory containing the archiving,\n"
    "\textraction, and decoding utilities required by\n"
    "\tthis program\n"
    "    -create_patch patch_file_name file1 [file info]\n"
    "    file2 [file info]...\n"
    "        create a veltrane archive named\n"
    "\t\"patch_file_name\" containing the listed files\n"
    "\toptionally, you can provide an information string\n"
    "\tafter each file name\n"
    "    -patch_info \"patch information\"\n"
    "        information to be associated with the patch\n"
    "\tthis should be placed right after the name of the\n"
    "\tpatch file on the command line\n"
    "    -install_patch patch_file_name\n"
    "        install the patch indicated by patch_file_name\n"
    "\tyou must also pass -target_dir to specify where\n"
    "\tthe patch should be installed\n"
    "    -install\n"
    "        install without a window what the wizard would\n"
    "\tinstall by default, or what the answer file says;\n"
    "\tthe exit status is 0 only when everything was\n"
    "\tinstalled, and a log is kept in the installation\n"
    "\tdirectory under .setup/install.log\n"
    "    -answers answer_file\n"
    "        take the installation options from answer_file\n"
    "\t(one \"key = value\" a line, as -record_answers\n"
    "\twrites it); options on the command line win\n"
    "    -record_answers answer_file\n"
    "        when Install is pressed in the wizard, write the\n"
    "\tchosen options to answer_file (and install)\n"
    "    -record_only\n"
    "        with -record_answers, write the answer file and\n"
    "\tend without installing anything\n"
    "    -list\n"
    "        list what this distribution offers: hosts, install\n"
    "\ttypes, content kinds, targets, boards and items,\n"
    "\tby the names an answer file uses\n"
    "    -scan_timeout seconds\n"
    "        stop examining an archive of the distribution\n"
    "\tonce it has taken this long (60 unless given)\n"
    "    -jobs number\n"
    "        inflate up to this many archives at once, ahead of\n"
    "\tthe one being extracted (1: one at a time; by\n"
    "\tdefault one a processor, at most 8)\n"
    "    -buffer_mb megabytes\n"
    "        memory for archives inflated ahead (256 unless\n"
    "\tgiven)\n"
    "    -keep_partial\n"
    "        when an installation without a window is stopped,\n"
    "\tkeep what it has written instead of removing it\n"
    "    -rollback_on_error\n"
    "        when an archive of an installation without a\n"
    "\twindow fails, remove what the installation has\n"
    "\twritten\n"
    "    -uninstall\n"
    "        remove what the installations recorded in the\n"
    "\tdirectory given with -target_dir wrote there;\n"
    "\tfiles changed since are kept and named";
// clang-format on

const char kSetupVersion[] = VT_SETUP_VERSION;

void SetupDisplayHelp() {
    fprintf(stderr, "%s\n", kSetupHelpText);
    fflush(stderr);
    gen_exit(1);
    _Exit(1); // an exit hook that returns must not bring us back
}

void SetupReportErrorNoExit(const char* message) {
    if (installOptions.noDisplay) {
        fprintf(stderr, "%s\n", message);
        fflush(stderr);
    } else {
        wAlert(message, 0);
    }
}

void SetupReportErrorAndExit(const char* message) {
    SetupReportErrorNoExit(message);
    SetupDisplayHelp();
}

bool VerifyCancelInstall() {
    if (!wYesNo("Do you really want to cancel this installation?", 1, 0)) return false;
    installOptions.cancelRequested = true;
    return true;
}

void DoWindowLoop() {
    do {
        WEventAll(0);
        long waitMs = 0;
        if (ExtraProcess_Wait(&waitMs) != 1)
            SetupReportErrorAndExit("The timer and process registry failed.");
        WYield(waitMs - 10, false);
    } while (!NoMoreWindows());
}

// Options that match only as a whole argument with one or two leading dashes. They are
// tried before the option words below, whose substring rule would otherwise take
// "-install_patch" for "-install" and "-record_answers" for "-answers". One row an option.
namespace {
void Replace(char** field, char* value) {
    gen_free(*field);
    *field = value;
}

// The value of a numeric option, from 1 to `most`; anything else is reported with the help
// text, like every other command-line error.
int WholeNumber(const char* option, const char* value, long most, const char* unit) {
    char* end = nullptr;
    long number = value ? strtol(value, &end, 10) : 0;
    if (!value || end == value || *end || number < 1 || number > most) {
        fprintf(stderr, "-%s needs a number of %s from 1 to %ld.\n", option, unit, most);
        SetupDisplayHelp();
    }
    return static_cast<int>(number);
}

// The longest -scan_timeout: its milliseconds must fit in a 32-bit long.
constexpr long kLongestScanTimeout = 2000000;
// More inflating threads than this gain nothing (see inflate_pipeline.h).
constexpr long kMostJobs = 8;
// The read-ahead budget stays within what a 32-bit size can count.
constexpr long kMostBufferMb = 4095;

struct WholeWordOption {
    const char* word;
    bool takesValue;
    void (*apply)(InstallOptions& o, const char* value);
};
const WholeWordOption kWholeWordOptions[] = {
    {"install", false, [](InstallOptions& o, const char*) { o.installRequested = true; }},
    {"answers", true,
     [](InstallOptions& o, const char* v) { Replace(&o.answersFile, gen_expand_filename(v)); }},
    {"record_answers", true,
     [](InstallOptions& o, const char* v) {
         Replace(&o.recordAnswersFile, gen_expand_filename(v));
     }},
    {"record_only", false, [](InstallOptions& o, const char*) { o.recordOnly = true; }},
    {"list", false, [](InstallOptions& o, const char*) { o.listRequested = true; }},
    {"scan_timeout", true,
     [](InstallOptions& o, const char* v) {
         o.scanTimeout = WholeNumber("scan_timeout", v, kLongestScanTimeout, "seconds");
     }},
    {"jobs", true,
     [](InstallOptions& o, const char* v) {
         o.inflateJobs = WholeNumber("jobs", v, kMostJobs, "archives");
     }},
    {"buffer_mb", true,
     [](InstallOptions& o, const char* v) {
         o.bufferMb = WholeNumber("buffer_mb", v, kMostBufferMb, "megabytes");
     }},
    {"keep_partial", false, [](InstallOptions& o, const char*) { o.keepPartial = true; }},
    {"rollback_on_error", false,
     [](InstallOptions& o, const char*) { o.rollbackOnError = true; }},
    {"uninstall", false, [](InstallOptions& o, const char*) { o.uninstallRequested = true; }},
};

const WholeWordOption* MatchWholeWordOption(const char* argument) {
    if (argument[0] != '-') return nullptr;
    const char* word = argument[1] == '-' ? argument + 2 : argument + 1;
    for (const WholeWordOption& option : kWholeWordOptions)
        if (strcmp(word, option.word) == 0) return &option;
    return nullptr;
}

// The option words, tried in this order; the first one an argument contains acts.
enum OptionWord {
    kSourceDir,
    kSaveCatalogs,
    kNoDisplay,
    kTargetDir,
    kUtilDir,
    kHelp,
    kCreatePatch,
    kInstallPatch,
    kNumOptionWords
};
const char* const kOptionWords[kNumOptionWords] = {"source_dir",   "save_catalogs", "nodisplay",
                                                   "target_dir",   "util_dir",      "help",
                                                   "create_patch", "install_patch"};

int MatchOptionWord(const char* argument) {
    for (int word = 0; word < kNumOptionWords; word++)
        if (gen_strstr(argument, kOptionWords[word])) return word;
    return -1;
}

// The argument after an option that takes one, or null when it was the last.
const char* TakeValue(char** argv, int argc, int* i) {
    ++*i;
    return *i < argc ? argv[*i] : nullptr;
}
} // namespace

void InstallOptions::GetCommandLineArguments(char** argv, int argc) {
    sourceDir = targetDir = utilDir = patchInfo = nullptr;
    saveCatalogs = noDisplay = showHelp = false;
    answersFile = recordAnswersFile = nullptr;
    installRequested = listRequested = recordOnly = false;
    keepPartial = rollbackOnError = uninstallRequested = false;
    scanTimeout = inflateJobs = bufferMb = 0;

    for (int i = 0; i < argc; i++) {
        if (const WholeWordOption* option = MatchWholeWordOption(argv[i])) {
            option->apply(*this, option->takesValue ? TakeValue(argv, argc, &i) : nullptr);
        } else {
            switch (MatchOptionWord(argv[i])) {
            case kSourceDir:
                Replace(&sourceDir, gen_copy(TakeValue(argv, argc, &i)));
                break;
            case kSaveCatalogs:
                saveCatalogs = true;
                break;
            case kNoDisplay:
                noDisplay = true;
                break;
            case kTargetDir:
                Replace(&targetDir, gen_expand_filename(TakeValue(argv, argc, &i)));
                break;
            case kUtilDir:
                Replace(&utilDir, gen_expand_filename(TakeValue(argv, argc, &i)));
                break;
            case kHelp:
                showHelp = true;
                break;
            case kCreatePatch:
                createPatchRequested = true;
                Replace(&createPatchFile, gen_copy(TakeValue(argv, argc, &i)));
                break;
            case kInstallPatch:
                installPatchRequested = true;
                Replace(&installPatchFile, gen_copy(TakeValue(argv, argc, &i)));
                break;
            default:
                break;
            }
        }
        // Whatever happened above, the argument now at i may carry the patch information.
        if (i < argc && gen_strstr(argv[i], "patch_info"))
            Replace(&patchInfo, gen_copy(TakeValue(argv, argc, &i)));
    }
    targetDirGiven = targetDir != nullptr;
}
