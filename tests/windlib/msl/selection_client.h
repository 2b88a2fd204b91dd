// Another X client on the test display, for checking what a list put on the X selections:
// it reads CLIPBOARD or PRIMARY the way any program would (ConvertSelection, then the
// property the owner wrote), and it can take a selection over itself. The list's owner
// lives in the test process, so reading runs the toolkit's loop while it waits.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>

class SelectionClient {
public:
    explicit SelectionClient(const std::string& display);
    ~SelectionClient();
    SelectionClient(const SelectionClient&) = delete;
    SelectionClient& operator=(const SelectionClient&) = delete;

    bool ok() const { return dpy_ != nullptr; }
    Window window() const { return window_; }

    // The selection's text as UTF8_STRING; false when the owner refused or did not answer
    // in time. `pump` runs one pass of the toolkit's loop.
    bool read(const char* selection, std::string* text, const std::function<void()>& pump,
              int timeoutMs = 10000);
    // Makes this client the selection's owner (it answers no requests).
    void own(const char* selection);
    // The selection's current owner as the server sees it.
    Window owner(const char* selection);

private:
    Atom atom(const char* name);

    Display* dpy_ = nullptr;
    Window window_ = 0;
};
