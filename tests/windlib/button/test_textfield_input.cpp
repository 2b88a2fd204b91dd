// Text fields under real input: typing and editing keys reach the focused field, Return
// goes to the post-event function of a field that wants it and otherwise to the window's
// default button (Escape to its Cancel button), cut/copy/paste go through the X selection
// (another program can read what was copied, a paste takes what another program owns, and
// a middle click pastes the primary selection), directory names complete while they are
// typed, a dialog's first field with a verify function checks the dialog's answer, and a
// long text that gets shorter scrolls back into view.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "shared/gen_hooks.h"
#include "support/temp_dir.h"
#include "tests/windlib/button/button_test_window.h"
#include "windlib/button/wbutton.h"
#include "windlib/button/wtextfield.h"
#include "windlib/config/config_tables.h"
#include "windlib/window/wmodal.h"
#include "windlib/x11/xdirty.h"
#include "windlib/x11/xfonts.h"
#include "windlib/x11/xselection.h"

namespace {

std::vector<long> postedKeys;
void Posted(TextField*, xinLibSt* event) {
    postedKeys.push_back(event->d);
}

std::vector<std::string> pressed;
void Pressed(Button* b, xinLibSt*) {
    pressed.push_back(b->label);
}

std::string Value(TextField* field) {
    char* v = field->getValue();
    std::string s = v;
    gen_free(v);
    return s;
}

// What another program reads from the clipboard, over a connection of its own; `wait`
// runs the window loop (which answers the request) until its condition holds.
std::string ForeignRead(const std::string& displayName,
                        const std::function<bool(const std::function<bool()>&)>& wait) {
    Display* d = XOpenDisplay(displayName.c_str());
    if (!d) return "<no display>";
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    Atom property = XInternAtom(d, "TEST_PASTE", False);
    XConvertSelection(d, clipboard, XInternAtom(d, "UTF8_STRING", False), property, w, CurrentTime);
    XFlush(d);
    std::string result = "<no answer>";
    wait([&] {
        XEvent e;
        if (!XCheckTypedWindowEvent(d, w, SelectionNotify, &e)) return false;
        if (e.xselection.property == None) {
            result = "<refused>";
            return true;
        }
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, w, property, 0, 1024, True, AnyPropertyType, &type, &format, &n,
                           &after, &data);
        result.assign(reinterpret_cast<char*>(data), n);
        XFree(data);
        return true;
    });
    XCloseDisplay(d);
    return result;
}

class TextFieldInput : public WidgetWindowTest {
protected:
    void SetUp() override {
        WidgetWindowTest::SetUp();
        postedKeys.clear();
        pressed.clear();
        field = tfCreate(window_, 10, 20, 300, 22, nullptr, "", -1, -1, nullptr);
        field->setPostEvent(Posted);
    }
    void Focus(TextField* f) {
        ClickAt(f->boxX() + 5, f->y + f->height / 2);
        ASSERT_TRUE(Pump([&] { return window_->focus == f; }));
    }
    TextField* field = nullptr;
};

TEST_F(TextFieldInput, TypedTextAndEditingKeysReachTheFocusedField) {
    Show();
    Focus(field);
    Type("hello world");
    ASSERT_TRUE(Pump([&] { return Value(field) == "hello world"; }));
    Key("BackSpace");
    Key("ctrl+Left");
    Type("big ");
    ASSERT_TRUE(Pump([&] { return Value(field) == "hello big worl"; }));
    EXPECT_FALSE(postedKeys.empty());
    EXPECT_TRUE(field->flags & kTfChanged);
}

// A text too long for the box is scrolled so that its end shows; as it gets shorter it
// comes back into view instead of leaving blank space after its end.
TEST_F(TextFieldInput, ShortenedTextScrollsBackIntoView) {
    Show();
    Focus(field);
    std::string text = "/opt/veltrane/toolchains/powerpc-eabi/4.2/linux86/bin";
    Type(text);
    ASSERT_TRUE(Pump([&] { return Value(field) == text; }));
    ASSERT_TRUE(Pump([&] { return dirtyTracker->isClean(window_->window); }));
    int scrolled = field->scroll;
    ASSERT_GT(scrolled, WTextWidth("linux86/bin", -1, field->FontNumber()));
    ASSERT_EQ(Xdo({"key", "--repeat", "4", "--delay", "20", "BackSpace"}), 0);
    ASSERT_TRUE(Pump([&] { return Value(field) == text.substr(0, text.size() - 4); }));
    ASSERT_TRUE(Pump([&] { return dirtyTracker->isClean(window_->window); }));
    EXPECT_EQ(field->scroll, scrolled - WTextWidth("/bin", -1, field->FontNumber()));
    ASSERT_EQ(Xdo({"key", "--repeat", "40", "--delay", "10", "BackSpace"}), 0);
    ASSERT_TRUE(Pump([&] { return Value(field).size() == text.size() - 44; }));
    ASSERT_TRUE(Pump([&] { return dirtyTracker->isClean(window_->window); }));
    EXPECT_EQ(field->scroll, 0);
}

TEST_F(TextFieldInput, ReturnGoesToThePostEventWhenWantedElseToTheDefaultButton) {
    Button* ok = btCreate(window_, 10, 80, 80, 24, nullptr, nullptr, "OK", Pressed, nullptr,
                          nullptr, nullptr, 0, false, false, kBtPush);
    btCreate(window_, 100, 80, 80, 24, nullptr, nullptr, "Cancel", Pressed, nullptr, nullptr,
             nullptr, 0, false, false, kBtPush);
    btSetDefault(ok);
    tfSetWantsReturn(field, true);
    Show();
    Focus(field);
    Key("Return");
    ASSERT_TRUE(Pump([] { return !postedKeys.empty() && postedKeys.back() == kKeyReturn; }));
    Settle();
    EXPECT_TRUE(pressed.empty());
    EXPECT_EQ(window_->focus, field);

    tfSetWantsReturn(field, false);
    postedKeys.clear();
    Key("Return");
    ASSERT_TRUE(Pump([] { return pressed.size() == 1; }));
    EXPECT_EQ(pressed[0], "OK");
    EXPECT_TRUE(postedKeys.empty());

    Key("Escape");
    ASSERT_TRUE(Pump([] { return pressed.size() == 2; }));
    EXPECT_EQ(pressed[1], "Cancel");
}

TEST_F(TextFieldInput, CutCopyAndPasteGoThroughTheXSelection) {
    TextField* other = tfCreate(window_, 10, 60, 300, 22, nullptr, "", -1, -1, nullptr);
    field->setValue("alpha beta", true, false);
    Show();
    Focus(field);
    Key("ctrl+a");
    Key("ctrl+c");
    ASSERT_TRUE(Pump([] { return WSelectionOwned(kSelectionClipboard); }));
    auto pump = [&](const std::function<bool()>& done) { return Pump(done); };
    EXPECT_EQ(ForeignRead(SharedXvfb().display(), pump), "alpha beta");

    Focus(other);
    Key("ctrl+v");
    ASSERT_TRUE(Pump([&] { return Value(other) == "alpha beta"; }));

    Focus(field);
    Key("ctrl+a");
    Key("ctrl+x");
    ASSERT_TRUE(Pump([&] { return Value(field).empty(); }));

    // A secure field gives nothing away.
    tfSetSecure(other, true);
    other->select(0, other->length);
    other->runEditCommand(kTfEditCopy);
    EXPECT_EQ(ForeignRead(SharedXvfb().display(), pump), "alpha beta");
}

TEST_F(TextFieldInput, ADoubleClickedWordIsWhatAMiddleClickPastes) {
    TextField* other = tfCreate(window_, 10, 60, 300, 22, nullptr, "", -1, -1, nullptr);
    field->setValue("alpha beta", true, false);
    Show();
    ASSERT_EQ(Xdo({"mousemove", "--window", Win(), std::to_string(field->boxX() + 5),
                   std::to_string(field->y + field->height / 2), "click", "--repeat", "2",
                   "--delay", "40", "1"}),
              0);
    ASSERT_TRUE(Pump([] { return WSelectionOwned(kSelectionPrimary); }));
    ClickAt(other->boxX() + 5, other->y + other->height / 2, 2);
    ASSERT_TRUE(Pump([&] { return Value(other) == "alpha"; }));
}

TEST_F(TextFieldInput, PasteTakesWhatAnotherProgramOwns) {
    Display* d = XOpenDisplay(SharedXvfb().display().c_str());
    ASSERT_NE(d, nullptr);
    Window owner = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    Atom clipboard = XInternAtom(d, "CLIPBOARD", False);
    XSetSelectionOwner(d, clipboard, owner, CurrentTime);
    XSync(d, False);
    // The other program answers requests on a thread of its own while the field waits.
    std::atomic<bool> stop(false);
    std::thread server([&] {
        while (!stop) {
            XEvent e;
            if (!XCheckTypedWindowEvent(d, owner, SelectionRequest, &e)) {
                usleep(5000);
                continue;
            }
            XSelectionRequestEvent& r = e.xselectionrequest;
            const char text[] = "from\nelsewhere";
            XChangeProperty(d, r.requestor, r.property, XA_STRING, 8, PropModeReplace,
                            (const unsigned char*)text, (int)sizeof text - 1);
            XSelectionEvent reply = {};
            reply.type = SelectionNotify;
            reply.requestor = r.requestor;
            reply.selection = r.selection;
            reply.target = r.target;
            reply.property = r.property;
            reply.time = r.time;
            XSendEvent(d, r.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
            XFlush(d);
        }
    });
    field->setValue("<>", true, false);
    field->moveCaret(1, false);
    field->runEditCommand(kTfEditPaste);
    stop = true;
    server.join();
    XCloseDisplay(d);
    EXPECT_EQ(Value(field), "<from elsewhere>"); // one line: the break became a blank
}

TEST_F(TextFieldInput, DirectoryNamesCompleteWhileTyped) {
    ScopedTempDir dir;
    mkdir((dir / "programs").c_str(), 0755);
    mkdir((dir / "projects").c_str(), 0755);
    cfg_autocomplete = 1;
    tfSetAutoCompleteFunction(field, tf_AutoCompleteDir);
    field->setValue((dir.path() + "/").c_str(), true, false);
    Show();
    Focus(field);
    Key("End");
    Type("pr");
    ASSERT_TRUE(Pump([&] { return Value(field) == dir / "programs"; }));
    EXPECT_TRUE(field->completionPending());
    Type("oj");
    ASSERT_TRUE(Pump([&] { return Value(field) == dir / "projects"; }));
    char* typed = field->getTypedValue();
    EXPECT_EQ(std::string(typed), dir / "proj");
    gen_free(typed);
    Key("Tab"); // accepts, and the focus stays
    ASSERT_TRUE(Pump([&] { return !field->completionPending(); }));
    EXPECT_EQ(field->caret, field->length);
    EXPECT_EQ(window_->focus, field);
}

int verdict = 0;
int Verify(TextField*) {
    return verdict;
}

TEST_F(TextFieldInput, TheFirstVerifyingFieldOfADialogChecksItsAnswer) {
    Dialog* d = dlCreate(200, 100, 0, "Verify", nullptr, nullptr, -1, -1);
    ASSERT_NE(d, nullptr);
    tfCreate(d, 0, 0, 100, 0, nullptr, "", -1, -1, nullptr);
    TextField* first = tfCreate(d, 0, 30, 100, 0, nullptr, "", -1, -1, Verify);
    tfCreate(d, 0, 60, 100, 0, nullptr, "", -1, -1, Verify);
    ASSERT_EQ(d->verifyField, first);
    verdict = 0;
    EXPECT_EQ(d->verify(d, d->verifyField), 0);
    verdict = 1;
    EXPECT_EQ(d->verify(d, d->verifyField), 1);
}

} // namespace
