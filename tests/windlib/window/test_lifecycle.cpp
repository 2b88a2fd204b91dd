// A program on the toolkit, run for real under its own X server: found by its title,
// closed by a window-manager delete request through its clean-up function, kept open when
// that refuses, and ended with the fatal message when the server goes away. Also the
// installer's start-up failure without a display.
#include <gtest/gtest.h>

#include <string>

#include "support/run_program.h"
#include "support/wm_delete.h"
#include "support/xvfb_fixture.h"

namespace {

const char kDemoTitle[] = "Toolkit Demo";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

unsigned long WaitForWindow(const std::string& display) {
    unsigned long id = 0;
    WaitFor([&] {
        std::vector<unsigned long> ids = FindWindowsByTitle(display, kDemoTitle);
        if (!ids.empty()) id = ids.front();
        return id != 0;
    });
    return id;
}

} // namespace

TEST(ToolkitProgram, DeleteRequestEndsTheLoopWithStatusZero) {
    XvfbServer server;
    ASSERT_TRUE(server.ok());
    BackgroundProgram demo({VT_TOOLKIT_DEMO}, {"DISPLAY=" + server.display()});
    unsigned long window = WaitForWindow(server.display());
    ASSERT_NE(window, 0u) << demo.output();
    ASSERT_TRUE(WaitFor([&] { return Contains(demo.output(), "mapped"); }));
    ASSERT_TRUE(SendWmDelete(server.display(), window));
    EXPECT_EQ(demo.wait(), 0) << demo.output();
    EXPECT_TRUE(Contains(demo.output(), "cleanup accepted\nloop ended"));
}

TEST(ToolkitProgram, RefusingCleanupKeepsTheWindowOpen) {
    XvfbServer server;
    ASSERT_TRUE(server.ok());
    BackgroundProgram demo({VT_TOOLKIT_DEMO, "-refuse"}, {"DISPLAY=" + server.display()});
    unsigned long window = WaitForWindow(server.display());
    ASSERT_NE(window, 0u) << demo.output();
    ASSERT_TRUE(SendWmDelete(server.display(), window));
    ASSERT_TRUE(WaitFor([&] { return Contains(demo.output(), "cleanup refused"); }));
    EXPECT_TRUE(demo.running());
    EXPECT_EQ(FindWindowsByTitle(server.display(), kDemoTitle).size(), 1u);
    ASSERT_TRUE(SendWmDelete(server.display(), window));
    EXPECT_EQ(demo.wait(), 0) << demo.output();
}

TEST(ToolkitProgram, LostServerGivesFatalMessageAndStatusOne) {
    XvfbServer server;
    ASSERT_TRUE(server.ok());
    BackgroundProgram demo({VT_TOOLKIT_DEMO}, {"DISPLAY=" + server.display()});
    ASSERT_TRUE(WaitFor([&] { return Contains(demo.output(), "mapped"); })) << demo.output();
    server.kill();
    EXPECT_EQ(demo.wait(), 1);
    EXPECT_TRUE(Contains(demo.output(), "toolkit_demo: fatal: X: Connection to server lost.\n"))
        << demo.output();
    EXPECT_FALSE(Contains(demo.output(), "loop ended"));
}

TEST(InstallerStartup, NoDisplayPrintsTheFailureLinesAndExitsOne) {
    ProgramOptions options;
    options.unsetEnv.push_back("DISPLAY");
    ProgramResult r = RunProgram({SetupProgram()}, options);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "setup failed to start up in GUI mode\n"
                     "Check that your DISPLAY environment variable is set appropriately, or\n"
                     "enter the display name on the command line with 'setup -display xxx'\n"
                     "This program is only available in GUI mode, so you must have an X server\n"
                     "To install without a window, run: setup -nodisplay -install [-target_dir "
                     "directory] [-answers answer_file]\n");
}

TEST(InstallerStartup, SilentDisplayNamesItselfInTheFailureLines) {
    // A display number no server listens on: its socket does not exist.
    ProgramResult r = RunProgram({SetupProgram(), "-display", ":4093"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Contains(r.err, "setup failed to start up in GUI mode\nUnknown display: :4093\n"))
        << r.err;
    EXPECT_TRUE(Contains(r.err, "This program is only available in GUI mode"));
}
