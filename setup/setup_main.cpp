// The installer's entry point. main starts the runtime, builds the page table, reads the
// command line, and then either ends early (help, patches), runs command-line mode, or
// brings the toolkit up and runs the wizard window until no window is left.
#include "setup/components.h"
#include "setup/patches/iff_archive_read.h"
#include "setup/patches/iff_archive_write.h"
#include "setup/install_options.h"
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
// Switches that would reach for services a stand-alone installer does not have.
void SwitchOffServiceSwitches() {
    setXSwitch("MRUService", false);
    setXSwitch("ServiceRouter", false);
    setXSwitch("WindowManager", false);
}
} // namespace

int main(int argc, char** argv) {
    gen_init(argv[0], 0, 0);
    abSetup("Veltrane Installer", "Installation", "About the Veltrane Installer", nullptr);
    InitializeSegments();
    installOptions.GetCommandLineArguments(argv, argc);

    if (installOptions.showHelp) SetupDisplayHelp();
    if (installOptions.createPatchRequested) {
        CreatePatch(argv, argc);
        gen_exit(1);
    }
    if (installOptions.installPatchRequested) {
        InstallPatch();
        gen_exit(1);
    }

    SwitchOffServiceSwitches();
    if (!installOptions.noDisplay) {
        init_prior_to_gui(&argc, argv);
        SwitchOffServiceSwitches();
        if (WGUIInit(&argc, argv, nullptr, false, false, 20003) != 1) gen_exit(1);
        cfg_SetEverythingToDefaults();
        Orbit_VC_Module::DisableVersionControl();
        shr_ReadConfigFiles(gen_getprogname());
    }

    installOptions.SetDefaults(argv, argc);

    if (!installOptions.noDisplay) {
        theMainWindow = new MainWindow;
        DoWindowLoop();
        // Closing the window from outside releases the object itself and clears the pointer.
        delete theMainWindow;
        WDrawExit();
        cleanup_after_gui();
    } else {
        gen_printf("Running in nodisplay mode.  If -save_catalogs was passed in information "
                   "will be saved for future installations.");
    }
    return 0;
}
