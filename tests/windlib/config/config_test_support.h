// Shared pieces of the configuration tests: a recorder of the foundation's messages, a
// guard that restores debug switches, and a fake display for the colour and window hooks.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "shared/gen_hooks.h"
#include "windlib/config/config_display.h"

// Collects every message while it lives, as the text the default hook would print after
// its "program: severity: " prefix (each message ending in one newline).
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::string text() const;
    int errors() const { return errors_; }
    void clear();

private:
    static int Record(int code, const char* format, va_list args);
    GenMessageHook saved_;
    std::vector<std::string> messages_;
    int errors_ = 0;
    static MessageRecorder* active_;
};

// Sets switches for one test and puts the old values back afterwards.
class SwitchGuard {
public:
    ~SwitchGuard();
    void set(int index, bool on);

private:
    std::vector<std::pair<int, unsigned char>> saved_;
};

// A display that parses "#rrggbb" colours into pixels 1, 2, 3, ... and records what the
// configuration asks of it; installed while it lives.
class FakeDisplay {
public:
    FakeDisplay();
    ~FakeDisplay();
    static FakeDisplay* current;

    bool colorsUsable = true;
    unsigned long nextPixel = 1;
    std::vector<unsigned long> freed;
    int recolors = 0;
    int backgroundReallocs = 0;
    std::vector<std::string> alerts;
    bool hasWindow = false;
    ConfigRect window = {0, 0, 0, 0};
    bool hasParent = false;
    ConfigRect parent = {0, 0, 0, 0};

private:
    ConfigDisplayHooks saved_;
};

// The home directory every test of this binary runs with (HOME is set to it before the
// first test, so the user configuration directory is HOME/.vtx inside it).
const std::string& TestHome();
