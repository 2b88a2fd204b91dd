// The selection service against other programs on the server: what we own is given as
// TARGETS, UTF8_STRING, STRING and TEXT and nothing else; another owner's UTF-8 or Latin-1
// is taken as Latin-1; an owner that never answers costs about a second and leaves the
// rest of the queue alone; and the owner window still sees each event as a record.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "shared/gen_hooks.h"
#include "support/toolkit_fixture.h"
#include "windlib/x11/xselection.h"

namespace {

// Another program on the server, with a window of its own that asks for and owns
// selections; a test's toolkit runs in the same process.
class Selections : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_TRUE(StartToolkit());
        d = XOpenDisplay(SharedXvfb().display().c_str());
        ASSERT_NE(d, nullptr);
        w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 1, 1, 0, 0, 0);
    }
    void TearDown() override {
        stop = true;
        if (server.joinable()) server.join();
        if (d) XCloseDisplay(d);
        ToolkitTest::TearDown();
    }
    Atom atom(const char* name) { return XInternAtom(d, name, False); }
    std::string Name(Atom a) {
        char* name = XGetAtomName(d, a);
        std::string s = name ? name : "?";
        if (name) XFree(name);
        return s;
    }

    void Ask(const char* selection, const char* target) {
        XConvertSelection(d, atom(selection), atom(target), atom("TEST_READ"), w, CurrentTime);
        XFlush(d);
    }
    // The last Ask's answer as "<type name>:<bytes>" (property None: "refused"), running
    // the toolkit's loop meanwhile.
    std::string Answer() {
        XEvent e;
        if (!Pump([&] { return XCheckTypedWindowEvent(d, w, SelectionNotify, &e); }))
            return "no answer";
        if (e.xselection.property == None) return "refused";
        Atom type = None;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(d, w, e.xselection.property, 0, 1024, True, AnyPropertyType, &type,
                           &format, &n, &after, &data);
        std::string text = Name(type) + ":";
        for (unsigned long i = 0; format == 32 && i < n; ++i) text += Name(((Atom*)data)[i]) + " ";
        if (format == 8) text.append((const char*)data, n);
        if (data) XFree(data);
        return text;
    }
    std::string Read(const char* selection, const char* target) {
        Ask(selection, target);
        return Answer();
    }
    std::string Fetch(int which) {
        char* text = WSelectionFetch(which);
        std::string s = text ? text : "<none>";
        gen_free(text);
        return s;
    }
    void Own(const char* selection) {
        XSetSelectionOwner(d, atom(selection), w, CurrentTime);
        XSync(d, False);
    }
    // Answers requests on a thread of its own with answer(selection, target) ("": refused).
    void Serve(std::function<std::string(Atom, Atom)> answer) {
        server = std::thread([this, answer] {
            XEvent e;
            while (!stop) {
                if (!XCheckTypedWindowEvent(d, w, SelectionRequest, &e)) {
                    usleep(5000);
                    continue;
                }
                XSelectionRequestEvent& r = e.xselectionrequest;
                std::string text = answer(r.selection, r.target);
                XSelectionEvent reply = {SelectionNotify, 0,        0,    d,     r.requestor,
                                         r.selection,     r.target, None, r.time};
                if (!text.empty()) {
                    XChangeProperty(d, r.requestor, r.property, r.target, 8, PropModeReplace,
                                    (const unsigned char*)text.data(), (int)text.size());
                    reply.property = r.property;
                }
                XSendEvent(d, r.requestor, False, 0, (XEvent*)&reply);
                XFlush(d);
            }
        });
    }

    Display* d = nullptr;
    Window w = 0;
    std::atomic<bool> stop{false};
    std::thread server;
};

TEST_F(Selections, OwnedTextIsGivenAsTargetsUtf8LatinOneAndTextOnly) {
    ASSERT_TRUE(WSelectionOwn(kSelectionPrimary, "caf\xe9!", 4));
    EXPECT_EQ(Read("PRIMARY", "TARGETS"), "ATOM:TARGETS UTF8_STRING STRING TEXT ");
    EXPECT_EQ(Read("PRIMARY", "UTF8_STRING"), "UTF8_STRING:caf\xc3\xa9");
    EXPECT_EQ(Read("PRIMARY", "STRING"), "STRING:caf\xe9");
    EXPECT_EQ(Read("PRIMARY", "TEXT"), "STRING:caf\xe9");
    EXPECT_EQ(Read("PRIMARY", "image/png"), "refused");
}

TEST_F(Selections, AnotherOwnersTextArrivesAsLatinOne) {
    ASSERT_TRUE(WSelectionOwn(kSelectionBoth, "mine", -1));
    // From memory: nothing runs our loop during a fetch, so a request to ourselves would
    // go unanswered.
    EXPECT_EQ(Fetch(kSelectionBoth), "mine");
    Own("CLIPBOARD");
    Own("PRIMARY");
    EXPECT_FALSE(WSelectionOwned(kSelectionBoth));
    Atom utf8 = atom("UTF8_STRING");
    Serve([utf8](Atom selection, Atom target) -> std::string {
        // Beyond Latin-1 and cut off: '?'; the primary owner refuses UTF-8.
        if (selection != XA_PRIMARY) return target == utf8 ? "caf\xc3\xa9 \xe2\x82\xac\xc3" : "";
        return target == XA_STRING ? "na\xefve" : "";
    });
    EXPECT_EQ(Fetch(kSelectionBoth), "caf\xe9 ??");
    EXPECT_EQ(Fetch(kSelectionPrimary), "na\xefve");
}

TEST_F(Selections, SilentOwnerGivesNothingAndRequestsForUsWaitTheirTurn) {
    ASSERT_TRUE(WSelectionOwn(kSelectionPrimary, "kept", -1));
    Own("CLIPBOARD");
    Ask("PRIMARY", "STRING"); // reaches our queue while we wait for the clipboard
    EXPECT_EQ(Fetch(kSelectionClipboard), "<none>");
    EXPECT_EQ(Answer(), "STRING:kept");
}

std::vector<std::pair<int, long>> seen; // event type, selection number of kind-5 records
int Record(xinLibSt* event, ColWind*) {
    if (event->kind == kXinSelection) seen.push_back({((XEvent*)event->b)->type, event->d});
    return 0;
}

TEST_F(Selections, TheOwnerWindowGetsEachEventAsARecord) {
    seen.clear();
    ColWind* win = cwxCreatexy(100, 100, 0, "Owner", nullptr, nullptr, Record, -1, -1, "ORBITPIC");
    ASSERT_NE(win, nullptr);
    ASSERT_TRUE(WSelectionOwn(kSelectionClipboard, "list text", -1, win->window));
    EXPECT_EQ(Read("CLIPBOARD", "STRING"), "STRING:list text");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_pair((int)SelectionRequest, 2L));

    Own("CLIPBOARD");
    ASSERT_TRUE(Pump([] { return seen.size() == 2; }));
    EXPECT_EQ(seen[1], std::make_pair((int)SelectionClear, 2L));
    EXPECT_FALSE(WSelectionOwned(kSelectionClipboard));
}

} // namespace
