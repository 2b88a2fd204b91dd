// What the dialogs do without anyone at the screen: no display (alerts printed, questions
// answered), the scripting switches, NeverEverShowADialog ending the program, the error
// reporter's bookkeeping and the alerting message hook. No X server.
#include <gtest/gtest.h>

#include "shared/indgen.h"
#include "windlib/dialog/orbiterror.h"
#include "windlib/dialog/wdialog.h"
#include "windlib/dialog/wyesno.h"
#include "windlib/x11/xdisplay.h"
#include "xswitch/xswitch.h"

namespace {

class SwitchOn {
public:
    explicit SwitchOn(int index) : index_(index), old_(debugFlag[index]) { debugFlag[index] = 1; }
    ~SwitchOn() { debugFlag[index_] = old_; }

private:
    int index_;
    unsigned char old_;
};

std::string Printed(const std::function<void()>& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

int Message(int code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = wAlert_domessage(code, format, args);
    va_end(args);
    return result;
}

const char* const kLines[] = {"Which?", nullptr};
const char* const kLabels[] = {"First", "Second", nullptr};

class NoDisplay : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(display, nullptr); }
};

TEST_F(NoDisplay, AlertsArePrintedAndQuestionsTakeTheFirstAnswer) {
    EXPECT_EQ(Printed([] { wAlert("Disk full", 0); }), "Disk full\n");
    EXPECT_EQ(Printed([] { wAlert("Two\nlines\n", 0); }), "Two\nlines\n");
    EXPECT_EQ(Printed([] { wAlert(nullptr, 0); }), "<Empty Error Message>\n");
    EXPECT_EQ(wButtonDialogue(kLines, kLabels, 1, 0, 0, "T"), 0);
    EXPECT_EQ(wYesNo("Go?", 0, 0), 1);
    EXPECT_EQ(wYesNoCancel("Go?", -1, 0, nullptr), 1);
}

TEST_F(NoDisplay, ScriptingSwitchesAnswerTheDefault) {
    {
        SwitchOn batch(kSwitchBatchDialogs);
        EXPECT_EQ(wYesNo("Go?", 0, 0), 0);
        EXPECT_EQ(wYesNoCancel("Go?", 7, 0, nullptr), 7);
        EXPECT_EQ(wButtonDialogue(kLines, kLabels, 1, 0, 0, "T"), 1);
    }
    SwitchOn fixes(kSwitchDashRunFixes);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Printed([] { wAlert("Logged only", 0); }), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ALERT: Logged only\n");
    EXPECT_EQ(wYesNo("Go?", 0, 0), 0);
}

TEST(NeverEverShowADialog, EveryDialogEndsTheProgramWithItsText) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SwitchOn never(kSwitchNeverEverShowADialog);
    EXPECT_EXIT(wAlert("Disk full", 0), testing::ExitedWithCode(100), "^FATAL: Disk full\n$");
    EXPECT_EXIT(wYesNo("Go on?", 1, 0), testing::ExitedWithCode(100), "^FATAL: Go on\\?\n$");
    EXPECT_EXIT(wYesNoCancel("Save?", 1, 0, "T"), testing::ExitedWithCode(100), "^FATAL: Save");
    EXPECT_EQ(Printed([] { wAlert("", 0); }), "\n"); // an empty alert would show nothing
}

TEST_F(NoDisplay, OrbitErrorKeepsTheFirstSeriousLevelAndMutesAroundReports) {
    static int mutes = 0, unmutes = 0;
    OrbitErrorMuteHook = [] { ++mutes; };
    OrbitErrorUnmuteHook = [] { unmutes += mutes; };
    OrbitErrorForget();
    EXPECT_EQ(Printed([] { EXPECT_EQ(OrbitError(0, "fine %d", 1), 1); }), "fine 1\n");
    EXPECT_EQ(OrbitErrorLastLevel(), 0);
    OrbitErrorForget();
    Printed([] { EXPECT_EQ(OrbitError(1, "minor"), 0); });
    Printed([] { OrbitError(3, "serious"); }); // replaces level 1
    Printed([] { OrbitError(2, "later"); });   // kept out by level 3
    EXPECT_EQ(OrbitErrorLastLevel(), 3);
    OrbitErrorText(3, ""); // nothing to show: no muting either
    EXPECT_EQ(mutes, 4);
    EXPECT_EQ(unmutes, 1 + 2 + 3 + 4); // each unmute after its own mute
    OrbitErrorMuteHook = OrbitErrorUnmuteHook = nullptr;
    OrbitErrorForget();
}

TEST_F(NoDisplay, MessageHookShowsPrefixedTextAndCounts) {
    int warnings = gen_error_count[4], errors = gen_error_count[3], any = gen_any_error;
    EXPECT_EQ(Printed([] { EXPECT_EQ(Message(4, "low on %s", "disk"), 4); }),
              "warning: low on disk\n");
    EXPECT_EQ(Printed([] { EXPECT_EQ(Message(103, "cannot open %s\n", "x"), 3); }),
              "error: cannot open x\n");
    EXPECT_EQ(gen_error_count[4], warnings + 1);
    EXPECT_EQ(gen_error_count[3], errors + 1);
    EXPECT_EQ(gen_any_error, any + 1);
    EXPECT_EQ(Printed([] { Message(6, "plain"); }), "plain\n");
    gen_raruve_error_msgs = 1;
    EXPECT_EQ(Printed([] { Message(2, "gone"); }), "ERROR: FATAL: gone\n");
    EXPECT_EQ(Printed([] { Message(0, "zero"); }), "ERROR: zero\n");
    gen_raruve_error_msgs = 0;
}

} // namespace
