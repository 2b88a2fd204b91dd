// Key symbols into key codes, the request-name table, and what the X error handler does:
// the first protocol error is reported and the program goes on, the second ends it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "support/toolkit_fixture.h"
#include "windlib/x11/xdisplay.h"
#include "windlib/x11/xerrors.h"
#include "windlib/x11/xevents.h"

namespace {

TEST(KeyCodes, LatinOneIsItselfAndFunctionKeysAreShifted) {
    EXPECT_EQ(WKeyCodeOf(XK_a), 'a');
    EXPECT_EQ(WKeyCodeOf(XK_eacute), 0xe9);
    EXPECT_EQ(WKeyCodeOf(XK_Return), 0x10D);
    EXPECT_EQ(WKeyCodeOf(XK_Escape), 0x11B);
    EXPECT_EQ(WKeyCodeOf(XK_Meta_L), 487);
    EXPECT_EQ(WKeyCodeOf(XK_Alt_L), 489);
    EXPECT_EQ(WKeyCodeOf(XK_ISO_Left_Tab), 0);
    EXPECT_EQ(WKeyCodeOf(XK_Greek_alpha), 0);
}

TEST(RequestNames, KnownCodesAndTheGaps) {
    EXPECT_STREQ(WXRequestName(1), "X_CreateWindow");
    EXPECT_STREQ(WXRequestName(42), "X_SetInputFocus");
    EXPECT_STREQ(WXRequestName(119), "X_GetModifierMapping");
    EXPECT_STREQ(WXRequestName(127), "X_NoOperation");
    EXPECT_STREQ(WXRequestName(120), "");
    EXPECT_STREQ(WXRequestName(0), "");
    EXPECT_STREQ(WXRequestName(128), "");
}

class XErrors : public ToolkitTest {};

void SendBadRequest() {
    XMapWindow(display, (Window)0x7ffffff0);
    XSync(display, False);
}

TEST_F(XErrors, FirstErrorIsReportedSecondEndsTheProgram) {
    // The dying child must not share our connection to the server.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(StartToolkit());
    testing::internal::CaptureStderr();
    SendBadRequest();
    std::string first = testing::internal::GetCapturedStderr();
    EXPECT_EQ(WXErrorCount(), 1);
    EXPECT_NE(first.find("has encountered an X Window System error: (3) BadWindow"),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("Request Major code 8 (X_MapWindow)"), std::string::npos);
    EXPECT_EXIT(SendBadRequest(), testing::ExitedWithCode(1), "Request Major code 8");
}

} // namespace
