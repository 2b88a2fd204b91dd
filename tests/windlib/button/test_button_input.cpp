// Buttons and button sets under real input: a click activates, a press released outside
// does not, a dimmed button takes nothing and hands on the focus and the default, check
// boxes toggle while the set button of a radio group stays set, Tab and Shift+Tab move the
// focus, Return activates the focused button between its event-log records, and a held
// button repeats its hold function.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/windlib/button/button_test_window.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wbuttonset.h"
#include "windlib/button/wtextfield.h"

namespace {

std::vector<std::string> calls;
void Clicked(Button* b, xinLibSt*) {
    calls.push_back(b->label);
}

int holds = 0;
void Held(Button*, xinLibSt*) {
    ++holds;
}

std::vector<std::string> logRecords;
void Log(const char* record) {
    logRecords.push_back(record);
}

class ButtonInput : public WidgetWindowTest {
protected:
    void SetUp() override {
        WidgetWindowTest::SetUp();
        calls.clear();
        holds = 0;
        logRecords.clear();
    }
    void TearDown() override {
        btEventLog = nullptr;
        WidgetWindowTest::TearDown();
    }
    Button* Push(const char* label, int x, int y) {
        return btCreate(window_, x, y, 80, 24, nullptr, nullptr, label, Clicked, nullptr, nullptr,
                        nullptr, 0, false, false, kBtPush);
    }
};

TEST_F(ButtonInput, ClickActivatesAndAPressReleasedOutsideDoesNot) {
    Button* ok = Push("OK", 20, 20);
    Show();
    Click(ok);
    ASSERT_TRUE(Pump([] { return calls.size() == 1; }));
    EXPECT_EQ(window_->focus, ok);

    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), "40", "30", "mousedown", "1"}), 0);
    ASSERT_TRUE(Pump([&] { return (ok->flags & kBtDrawnPressed) != 0; }));
    MoveTo(300, 200);
    ASSERT_TRUE(Pump([&] { return !(ok->flags & kBtDrawnPressed); }));
    EXPECT_TRUE(ok->flags & kBtPressed); // still held, shown released
    ASSERT_EQ(Xdo({"mouseup", "1"}), 0);
    ASSERT_TRUE(Pump([&] { return !(ok->flags & kBtPressed); }));
    Settle();
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(ButtonInput, DimmedButtonIgnoresClicksAndHandsOnFocusAndDefault) {
    Button* a = Push("A", 20, 20);
    Button* b = Push("B", 120, 20);
    btSetMayBeDefault(b, true);
    btSetDefault(a);
    cwSetFocus(window_, a);
    btDimIt(a, true, true);
    EXPECT_EQ(window_->focus, b);
    EXPECT_EQ(btGetDefault(window_), b);
    EXPECT_FALSE(a->flags & kBtDefault);
    Show();
    Click(a);
    Settle();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(window_->focus, b); // a click does not give it the focus either
    btDimIt(a, false, true);
    Click(a);
    ASSERT_TRUE(Pump([] { return calls.size() == 1; }));
}

TEST_F(ButtonInput, CheckBoxesToggleAndTheSetRadioButtonStaysSet) {
    const char* checkLabels[] = {"One", "Two", nullptr};
    ButtonSet* checks =
        new ButtonSet(window_, 10, 10, 150, 100, nullptr, checkLabels, nullptr, nullptr, nullptr,
                      nullptr, nullptr, -1, 1, -1, true, false, kBtCheck, 0, false, false);
    const char* radioLabels[] = {"Red", "Green", nullptr};
    BtCallback both[] = {Clicked, Clicked};
    ButtonSet* radios =
        new ButtonSet(window_, 200, 10, 150, 100, nullptr, radioLabels, nullptr, both, nullptr,
                      nullptr, nullptr, -1, 1, -1, true, false, kBtRadio, 0, false, false);
    Button* one = bsBtFIndex(checks, 0);
    Button* red = bsBtFIndex(radios, 0);
    Button* green = bsBtFIndex(radios, 1);
    Show();
    Click(one);
    ASSERT_TRUE(Pump([&] { return btIsItSet(one); }));
    EXPECT_TRUE(checks->changed);
    Click(one);
    ASSERT_TRUE(Pump([&] { return !btIsItSet(one); }));

    Click(red);
    ASSERT_TRUE(Pump([&] { return btIsItSet(red); }));
    Click(green);
    ASSERT_TRUE(Pump([&] { return btIsItSet(green); }));
    EXPECT_FALSE(btIsItSet(red));
    Click(green); // already set: stays set, no toggle
    ASSERT_TRUE(Pump([] { return calls.size() == 3; }));
    EXPECT_TRUE(btIsItSet(green));
    EXPECT_FALSE(btIsItSet(red));
    EXPECT_EQ(calls, (std::vector<std::string>{"Red", "Green", "Green"}));

    // The same rule from the program's side.
    bsToggleButton(radios, 1);
    EXPECT_TRUE(btIsItSet(green));
    bsToggleButton(radios, 0);
    EXPECT_TRUE(btIsItSet(red));
    EXPECT_FALSE(btIsItSet(green));
}

TEST_F(ButtonInput, TabAndShiftTabMoveTheFocus) {
    Button* a = Push("A", 20, 20);
    TextField* field = tfCreate(window_, 20, 60, 200, 22, nullptr, "", -1, -1, nullptr);
    Button* b = Push("B", 20, 100);
    cwSetFocus(window_, a);
    Show();
    Key("Tab");
    ASSERT_TRUE(Pump([&] { return window_->focus == field; }));
    Key("Tab");
    ASSERT_TRUE(Pump([&] { return window_->focus == b; }));
    Key("shift+Tab");
    ASSERT_TRUE(Pump([&] { return window_->focus == field; }));
    Key("shift+Tab");
    ASSERT_TRUE(Pump([&] { return window_->focus == a; }));
}

TEST_F(ButtonInput, ReturnActivatesTheFocusedButtonBetweenLogRecords) {
    btEventLog = Log;
    Button* go = Push("Go on", 20, 20);
    cwSetFocus(window_, go);
    Show();
    Key("Return");
    ASSERT_TRUE(Pump([] { return calls.size() == 1; }));
    EXPECT_EQ(logRecords,
              (std::vector<std::string>{"v3 button begin Go_on", "v3 button end Go_on"}));
    Key("space");
    ASSERT_TRUE(Pump([] { return calls.size() == 2; }));
}

TEST_F(ButtonInput, HeldButtonRepeatsItsHoldFunctionUntilReleased) {
    Button* more = Push("More", 20, 20);
    btSetHoldFunction(more, Held);
    Show();
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), "40", "30", "mousedown", "1"}), 0);
    ASSERT_TRUE(Pump([] { return holds >= 3; }));
    EXPECT_TRUE(calls.empty()); // the activation waits for the release
    ASSERT_EQ(Xdo({"mouseup", "1"}), 0);
    ASSERT_TRUE(Pump([] { return calls.size() == 1; }));
    int after = holds;
    Pump([] { return false; }, 600);
    EXPECT_EQ(holds, after);
}

} // namespace
