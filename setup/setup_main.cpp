// The installer's entry point, and the one place that decides how the program runs. main
// starts the runtime, builds the page table and reads the command line, then either ends
// early (help, patches, uninstalling) or runs one of four modes: the wizard window, command-line
// mode (catalogs), the unattended installation (-install) or the listing (-list). Every mode
// discovers the distribution the same way; the wizard and the unattended run then reach
// the same engine (DoInstall) with the same fields set. Start at main, then ChooseRunMode.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "setup/answer_file.h"
#include "setup/components.h"
#include "setup/discovery/distribution_listing.h"
#include "setup/engine/install_console.h"
#include "setup/engine/install_engine.h"
#include "setup/engine/install_log.h"
#include "setup/engine/install_undo.h"
#include "setup/engine/uninstall.h"
#include "setup/install_options.h"
#include "setup/patches/iff_archive_read.h"
#include "setup/patches/iff_archive_write.h"
#include "setup/setup_entry.h"
#include "setup/wizard/setup_mainwindow.h"
#include "shared/indgen.h"
#include "windlib/config/config_files.h"
#include "windlib/config/config_options.h"
#include "windlib/devenv_hooks.h"
#include "windlib/wabout.h"
#include "windlib/wstartup.h"
#include "windlib/wutility.h"
#include "windlib/x11/xdrawlib.h"
#include "xswitch/xswitch.h"

namespace {

enum RunMode { kRunWizard, kRunCommandLine, kRunInstall, kRunList };

// The status of a run stopped by bad answers: nothing was written.
const int kBadAnswers = 2;

// -install and -list never open a window, with -nodisplay or without it.
RunMode ChooseRunMode(InstallOptions& o) {
    if (o.listRequested || o.installRequested) o.noDisplay = true;
    if (o.listRequested) return kRunList;
    if (o.installRequested) return kRunInstall;
    return o.noDisplay ? kRunCommandLine : kRunWizard;
}

// Switches that would reach for services a stand-alone installer does not have.
void SwitchOffServiceSwitches() {
    setXSwitch("MRUService", false);
    setXSwitch("ServiceRouter", false);
    setXSwitch("WindowManager", false);
}

// While the toolkit starts, a failure to start (no display, no fonts) ends the program
// through the exit hook after the toolkit's own report; this one adds where to go from
// there.
GenExitHook exitBeforeGui = nullptr;

[[noreturn]] void ExitPointingAtUnattendedMode(int status) {
    fprintf(stderr,
            "To install without a window, run: %s -nodisplay -install [-target_dir directory] "
            "[-answers answer_file]\n",
            gen_getprogname());
    fflush(stderr);
    exitBeforeGui(status);
    _Exit(status); // an exit hook that returns must not bring us back
}

void StartToolkit(int* argc, char** argv) {
    exitBeforeGui = gen_exit;
    gen_exit = ExitPointingAtUnattendedMode;
    init_prior_to_gui(argc, argv);
    SwitchOffServiceSwitches();
    if (WGUIInit(argc, argv, nullptr, false, false, 20003) != 1) gen_exit(1);
    gen_exit = exitBeforeGui;
    cfg_SetEverythingToDefaults();
    Orbit_VC_Module::DisableVersionControl();
    shr_ReadConfigFiles(gen_getprogname());
}

[[noreturn]] void StopForBadAnswers(const std::string& problem) {
    SetupReportErrorNoExit(problem.c_str());
    gen_exit(kBadAnswers);
    _Exit(kBadAnswers);
}

// The answer file of -answers on top of the defaults; `check` runs the wizard's rules as
// well. Bad answers end the program here, before anything is written.
void ApplyAnswers(bool check) {
    const InstallOptions& o = installOptions;
    AnswerSources sources;
    std::string problem, note;
    if (o.answersFile && !ApplyAnswerFile(o.answersFile, &sources, &problem))
        StopForBadAnswers(problem);
    bool passed = true;
    if (check)
        KeepingTargetTime(o.targetDir, [&] { passed = CheckAnswers(sources, &problem, &note); });
    if (!passed) StopForBadAnswers(problem);
    if (!note.empty()) InstallLogLine('N', note.c_str());
    if (o.recordAnswersFile && !WriteAnswerFile(o.recordAnswersFile, &problem))
        StopForBadAnswers(problem);
}

// -uninstall: what the records of -target_dir list comes out again. Needs no distribution
// and no window, and asks nothing: the summary says what was removed and what was kept.
[[noreturn]] void RunUninstall() {
    const char* target = installOptions.targetDir;
    if (!target || !*target)
        SetupReportErrorAndExit("-uninstall needs -target_dir to say which installation is to "
                                "be removed.");
    UninstallResult result = Uninstall(target);
    std::string summary = UninstallSummary(result);
    fprintf(result.failed.empty() ? stdout : stderr, "%s\n", summary.c_str());
    fflush(stdout);
    fflush(stderr);
    gen_exit(result.ExitStatus());
    _Exit(result.ExitStatus());
}

int RunUnattendedInstall() {
    ApplyAnswers(true);
    if (installOptions.recordOnly && installOptions.recordAnswersFile) return 0;
    ConsoleProgressView console(isatty(STDOUT_FILENO) == 1);
    theProgressView = &console;
    int status = DoInstall(nullptr, 0);
    theProgressView = nullptr;
    return status;
}

int RunWizard() {
    // Given answers fill the pages; the wizard checks each page as the user leaves it, and
    // records the answers itself when Install is pressed.
    if (installOptions.answersFile) {
        AnswerSources sources;
        std::string problem;
        if (!ApplyAnswerFile(installOptions.answersFile, &sources, &problem))
            StopForBadAnswers(problem);
    }
    theMainWindow = new MainWindow;
    DoWindowLoop();
    // Closing the window from outside releases the object itself and clears the pointer.
    delete theMainWindow;
    WDrawExit();
    cleanup_after_gui();
    return installOptions.exitStatus;
}

} // namespace

int main(int argc, char** argv) {
    gen_init(argv[0], 0, 0);
    abSetup("Veltrane Installer", "Installation", "About the Veltrane Installer", nullptr);
    InitializeSegments();
    installOptions.GetCommandLineArguments(argv, argc);
    InstallLogSetCommandLine(argc, argv);

    if (installOptions.showHelp) SetupDisplayHelp();
    if (installOptions.createPatchRequested) {
        CreatePatch(argv, argc);
        gen_exit(1);
    }
    if (installOptions.installPatchRequested) {
        InstallPatch();
        gen_exit(1);
    }
    if (installOptions.uninstallRequested) {
        installOptions.noDisplay = true; // never a window: errors go to standard error
        RunUninstall();
    }

    RunMode mode = ChooseRunMode(installOptions);
    SwitchOffServiceSwitches();
    if (mode == kRunWizard) StartToolkit(&argc, argv);

    installOptions.SetDefaults(argv, argc);

    int status = 0;
    switch (mode) {
    case kRunWizard:
        status = RunWizard();
        break;
    case kRunInstall:
        status = RunUnattendedInstall();
        break;
    case kRunList:
        fputs(DistributionListing().c_str(), stdout);
        fflush(stdout);
        break;
    case kRunCommandLine:
        if (installOptions.answersFile || installOptions.recordAnswersFile) ApplyAnswers(true);
        gen_printf("Running in nodisplay mode.  If -save_catalogs was passed in information "
                   "will be saved for future installations.");
        break;
    }
    if (status != 0) gen_exit(status);
    return 0;
}
