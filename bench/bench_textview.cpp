// Appending coloured lines to a text browser on a real X server, the way the installer's
// progress view is written: each line added with addColoredText and addJustLineBreak, the
// view scrolled to its last line and the window repainted in between. Prints the time of
// 10,000 and of 100,000 lines against their targets (0.3 s and 3 s), their ratio, how much
// slower the last tenth of the larger run is than its first (linear: about 1), the peak
// memory, and the time of a full repaint at the larger size. Uses $DISPLAY, or its own Xvfb.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "shared/indgen.h"
#include "windlib/config/config_options.h"
#include "windlib/textview/simplebrowser.h"
#include "windlib/textview/wtextview.h"
#include "windlib/wabout.h"
#include "windlib/wevent.h"
#include "windlib/window/wcolwind.h"
#include "windlib/window/wscrollbar.h"
#include "windlib/wstartup.h"
#include "windlib/wtimer.h"
#include "windlib/wutility.h"
#include "windlib/x11/xcolors.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"
#include "windlib/x11/xwindow.h"

namespace {

pid_t xvfb = -1;

const double kSmallTarget = 0.3; // seconds for 10,000 lines
const double kLargeTarget = 3.0; // ... and for 100,000
const double kMostGrowth = 3.0;  // the last tenth of the lines against the first

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Starts a private Xvfb and names it in DISPLAY; false when it did not answer.
bool StartOwnXvfb() {
    std::string display;
    xvfb = StartXvfb(&display);
    if (xvfb < 0) return false;
    setenv("DISPLAY", display.c_str(), 1);
    return true;
}

// Runs the window loop until the window has no dirty area left.
void Settle(ColWind* window) {
    for (int i = 0; i < 10000; ++i) {
        WEventAll(0);
        long wait = 0;
        ExtraProcess_Wait(&wait);
        WSync();
        if (WWindowIsViewable(window->window) && dirtyTracker->isClean(window->window)) return;
        WYield(10, false);
    }
}

struct Appended {
    double seconds;    // the whole run, painted
    double firstTenth; // the first tenth of the lines
    double lastTenth;  // the last tenth
};

Appended AppendLines(ColWind* window, WTextView* view, SimpleBrowser* browser, int count) {
    unsigned long colours[3] = {WAllocateColor(0, 0, 65535), WAllocateColor(65535, 0, 0),
                                WAllocateColor(0, 0, 0)};
    browser->clear();
    Settle(window);
    char line[128];
    auto start = std::chrono::steady_clock::now();
    Appended result = {0, 0, 0};
    double ninthTenth = 0;
    for (int i = 0; i < count; ++i) {
        snprintf(line, sizeof line, "gtar: x ./usr/local/vt/bin/tools/component-%06d.o", i);
        browser->addColoredText(line, colours[i % 3], (unsigned long)-1, -1);
        browser->addJustLineBreak();
        view->scrollToLine(view->getLineCount(), false);
        WEventProcessSafeEvents(0);
        if (i + 1 == count / 10) result.firstTenth = Seconds(start);
        if (i + 1 == count - count / 10) ninthTenth = Seconds(start);
    }
    result.lastTenth = Seconds(start) - ninthTenth;
    Settle(window);
    result.seconds = Seconds(start);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    gen_init(argv[0], 0, 0);
    if (!getenv("DISPLAY") && !StartOwnXvfb()) {
        fprintf(stderr, "bench_textview: no DISPLAY and Xvfb did not start\n");
        return 1;
    }
    abSetup("bench_textview", "Benchmark", "About", nullptr);
    init_prior_to_gui(&argc, argv);
    if (!WGUIInit(&argc, argv, nullptr, false, false, 20003)) return 1;
    cfg_SetEverythingToDefaults();

    ColWind* window = cwxCreatexy(640, 480, 0, "Text view benchmark", nullptr, nullptr, nullptr, -1,
                                  -1, "ORBITPIC");
    WTextView* view =
        WTextView::makeWTextView(window, 5, 5, 600, 440, nullptr, nullptr, "tvProgress");
    WScrollBar* vbar = new WScrollBar(window, true, 605, 5, 440);
    WScrollBar* hbar = new WScrollBar(window, false, 5, 445, 600);
    view->setVScroller(vbar);
    view->setHScroller(hbar);
    SimpleBrowser* browser = new SimpleBrowser(view, false);
    browser->setMargin(2);
    WWindowShow(window->window);
    Settle(window);

    double small = AppendLines(window, view, browser, 10000).seconds;
    printf("10000 lines: %.3f s (target at most %.1f s)\n", small, kSmallTarget);
    fflush(stdout);
    Appended large = AppendLines(window, view, browser, 100000);
    printf("100000 lines: %.3f s (target at most %.1f s)\n", large.seconds, kLargeTarget);
    printf("ratio: %.2f (about 10 when linear)\n", large.seconds / small);
    // A cost per line that grows with the lines shows as a last tenth slower than the first.
    double growth = large.lastTenth / large.firstTenth;
    printf("last 10000 of the 100000 against the first 10000: %.2f (linear: at most %.1f)\n",
           growth, kMostGrowth);
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    printf("peak resident size: %ld MB\n", usage.ru_maxrss / 1024);

    // Repaints come at most once a frame: each one is timed after a frame's pause, so that
    // the figure is the painting and not the wait for the frame.
    double painting = 0;
    for (int i = 0; i < 100; ++i) {
        usleep(XDirtyTracker::kFrameMs * 1000);
        auto start = std::chrono::steady_clock::now();
        view->Invalidate();
        Settle(window);
        painting += Seconds(start);
    }
    printf("full repaint at 100000 lines: %.3f ms\n", painting * 10.0);

    delete browser;
    cwDestroy(window);
    WDrawExit();
    cleanup_after_gui();
    StopXvfb(xvfb);
    bool met = growth <= kMostGrowth && small <= kSmallTarget && large.seconds <= kLargeTarget;
    return met ? 0 : 2;
}
