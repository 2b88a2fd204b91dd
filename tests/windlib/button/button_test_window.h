// A window on the test server for the widget tests, and real input into it: xdotool moves
// the pointer to an item's coordinates, clicks, types and presses keys; Pump runs the real
// window loop until the effect shows.
#pragma once

#include <string>
#include <vector>

#include "support/toolkit_fixture.h"
#include "windlib/window/gitem.h"
#include "windlib/window/wcolwind.h"
#include "windlib/x11/xwindow.h"
#include "xswitch/xswitch.h"

class WidgetWindowTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        window_ = cwxCreatexy(400, 300, 0, title(), nullptr, nullptr, nullptr, 10, 10, "ORBITPIC");
        ASSERT_NE(window_, nullptr);
    }

    // Each test's window has a title of its own, so xdotool finds the right one.
    const char* title() {
        title_ = std::string("Widgets ") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return title_.c_str();
    }

    void Show() {
        WWindowShow(window_->window);
        ASSERT_TRUE(Pump([&] { return WWindowIsViewable(window_->window); }));
        Settle();
    }

    int Xdo(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunOnDisplay(SharedXvfb().display(), argv);
    }
    std::string Win() { return std::to_string(window_->window); }
    void MoveTo(int x, int y) {
        ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(x), std::to_string(y)}), 0);
    }
    void ClickAt(int x, int y, int button = 1) {
        ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(x), std::to_string(y),
                       "click", std::to_string(button)}),
                  0);
    }
    void Click(GItem* item) { ClickAt(item->x + item->width / 2, item->y + item->height / 2); }
    void Key(const std::string& keys) { ASSERT_EQ(Xdo({"key", "--delay", "30", keys}), 0); }
    void Type(const std::string& text) { ASSERT_EQ(Xdo({"type", "--delay", "30", text}), 0); }

    ColWind* window_ = nullptr;
    std::string title_;
};
