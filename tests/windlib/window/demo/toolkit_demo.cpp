// A small program on the toolkit for the window tests: it starts the toolkit the way the
// installer does, opens one window titled "Toolkit Demo" and runs the window loop until no
// window is left. With -refuse its clean-up function refuses the first close request; with
// -fonts it only tells which kind of face its text and button fonts are and ends. It
// reports on standard output what a test waits for ("mapped", "cleanup refused", ...).
#include <cstdio>
#include <cstring>

#include "shared/indgen.h"
#include "windlib/config/config_options.h"
#include "windlib/wabout.h"
#include "windlib/wevent.h"
#include "windlib/window/wcolwind.h"
#include "windlib/wstartup.h"
#include "windlib/wtimer.h"
#include "windlib/wutility.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xfonts.h"

namespace {

bool refuseOnce = false;
bool reportFonts = false;

int Cleanup(ColWind*) {
    if (refuseOnce) {
        refuseOnce = false;
        printf("cleanup refused\n");
        fflush(stdout);
        return 0;
    }
    printf("cleanup accepted\n");
    fflush(stdout);
    return 1;
}

int Event(xinLibSt* event, ColWind*) {
    if (event->kind == kXinMap && event->a) {
        printf("mapped\n");
        fflush(stdout);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    gen_init(argv[0], 0, 0);
    abSetup("Toolkit Demo", "Test", "About the Toolkit Demo", nullptr);
    for (int i = 1; i < argc; ++i)
        if (strcmp(argv[i], "-refuse") == 0)
            refuseOnce = true;
        else if (strcmp(argv[i], "-fonts") == 0)
            reportFonts = true;
    init_prior_to_gui(&argc, argv);
    if (!WGUIInit(&argc, argv, nullptr, false, false, 20003)) gen_exit(1);
    cfg_SetEverythingToDefaults();
    if (reportFonts) {
        printf("text %s, button %s, line height %d\n", WFontIsXft(0) ? "xft" : "core",
               WFontIsXft(bfont_num) ? "xft" : "core", font_h);
        WDrawExit();
        cleanup_after_gui();
        return 0;
    }
    ColWind* window = cwCreatexy(300, 200, 0, "Toolkit Demo", nullptr, Cleanup, Event, -1, -1);
    if (!window) gen_exit(1);
    do {
        WEventAll(0);
        long wait = 0;
        if (ExtraProcess_Wait(&wait) != 1) gen_errorexit(1, "The registry failed.");
        WYield(wait - 10, false);
    } while (!NoMoreWindows());
    WDrawExit();
    cleanup_after_gui();
    printf("loop ended\n");
    return 0;
}
