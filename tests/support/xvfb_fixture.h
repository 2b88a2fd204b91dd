// A private X server for window tests: Xvfb on a display number it picks itself, with a
// 24-bit TrueColor screen 0 and an 8-bit PseudoColor screen 1 (for the colour-map rules),
// started and waited for until it answers, stopped when the object goes. Also a program
// run in the background against it, and polling with a deadline (loaded machines make
// fixed sleeps flaky).
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

class XvfbServer {
public:
    // screen0 is the first screen's WIDTHxHEIGHTxDEPTH.
    explicit XvfbServer(const std::string& screen0 = "1024x768x24");
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool ok() const { return pid_ > 0 && !display_.empty(); }
    const std::string& display() const { return display_; } // ":N", screen 0
    std::string pseudoColorDisplay() const { return display_ + ".1"; }
    // Asks the server to end and waits for it.
    void stop();
    // Ends the server at once (to test what clients do when it dies).
    void kill();

private:
    pid_t pid_ = -1;
    std::string display_;
};

// The server of this test process, started on first use and stopped at exit.
XvfbServer& SharedXvfb();

// Polls `condition` until it holds or `timeoutMs` passes; true when it held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

// A program running in the background with standard output and error going to a file.
class BackgroundProgram {
public:
    BackgroundProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env);
    ~BackgroundProgram(); // kills it when still running
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Everything it has written so far (both streams).
    std::string output() const;
    bool running();
    // Waits for the end; the exit status (128 + signal), or -1 when it is still running.
    int wait(int timeoutMs = 10000);

private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::string outPath_;
};

// The X window ids of windows whose title matches `title` (xdotool search --name).
std::vector<unsigned long> FindWindowsByTitle(const std::string& display, const std::string& title);
