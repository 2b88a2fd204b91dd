// The toolkit brought up inside the test process against the shared Xvfb server, the way a
// program brings it up (abSetup, init_prior_to_gui, WGUIInit), and taken down after each
// test so the next starts clean. Pump runs the real window loop until a condition holds.
// Header-only: the support library does not link the toolkit, the test binaries do.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "shared/indgen.h"
#include "support/run_program.h"
#include "support/xvfb_fixture.h"
#include "windlib/config/config_options.h"
#include "windlib/wabout.h"
#include "windlib/wapplication.h"
#include "windlib/wevent.h"
#include "windlib/window/wcolwind.h"
#include "windlib/wstartup.h"
#include "windlib/wtimer.h"
#include "windlib/wutility.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xdrawlib.h"

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the toolkit on `display` (screen 0 of the shared server when empty), with
    // extra toolkit options; false when it did not come up.
    bool StartToolkit(const std::string& display = std::string(),
                      const std::vector<std::string>& options = {});
    // Runs the window loop (WEventAll, ExtraProcess_Wait, a short WYield) until `done`
    // holds or `timeoutMs` passes; true when it held.
    bool Pump(const std::function<bool()>& done, int timeoutMs = 10000);
    // Lets the server catch up and the loop handle what it sent.
    void Settle();

    bool started_ = false;
};

// Runs a command with DISPLAY set (xdotool); its exit status.
int RunOnDisplay(const std::string& display, const std::vector<std::string>& argv);

inline void ToolkitTest::SetUp() {
    static bool once = false;
    if (!once) {
        once = true;
        gen_init("toolkit_tests", 0, 0);
    }
    abReset();
    abSetup("Toolkit Tests", "Tests", "About the Toolkit Tests", nullptr);
    ASSERT_TRUE(SharedXvfb().ok()) << "Xvfb did not start";
}

inline bool ToolkitTest::StartToolkit(const std::string& displayName,
                                      const std::vector<std::string>& options) {
    std::vector<std::string> words = {"toolkit_tests", "-display",
                                      displayName.empty() ? SharedXvfb().display() : displayName};
    words.insert(words.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    argv.push_back(nullptr);
    int argc = (int)words.size();
    init_prior_to_gui(&argc, argv.data());
    started_ = WGUIInit(&argc, argv.data(), nullptr, false, false, 20003);
    cfg_SetEverythingToDefaults();
    return started_;
}

inline void ToolkitTest::TearDown() {
    if (!display) return;
    // Windows go without asking their clean-up functions.
    if (GApplication* app = getAppInst()) {
        for (ColWind* w = app->cwGetList(); w; w = app->cwGetList()) {
            w->cleanupFn = nullptr;
            cwDestroy(w);
        }
    }
    WDrawExit();
    WGUIDestroy();
    started_ = false;
}

inline bool ToolkitTest::Pump(const std::function<bool()>& done, int timeoutMs) {
    return WaitFor(
        [&] {
            WEventAll(0);
            long wait = 0;
            ExtraProcess_Wait(&wait);
            if (done()) return true;
            WYield(wait < 20 ? wait : 20, false);
            return done();
        },
        timeoutMs);
}

inline void ToolkitTest::Settle() {
    for (int i = 0; i < 5; ++i) {
        WSync();
        Pump([] { return false; }, 30);
    }
}

inline int RunOnDisplay(const std::string& displayName, const std::vector<std::string>& argv) {
    ProgramOptions options;
    options.extraEnv.push_back("DISPLAY=" + displayName);
    options.timeoutSeconds = 20;
    return RunProgram(argv, options).status;
}
