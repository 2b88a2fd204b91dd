// Helpers for the text view tests without a display: a view with fixed font metrics, a
// listener that records what a store tells it, and a one-line description of a store's
// elements to compare whole sequences at once.
#pragma once

#include <string>
#include <vector>

#include "windlib/textview/textelement.h"
#include "windlib/textview/textstore.h"
#include "windlib/textview/wtextview.h"

// Font 0: 6 x 13 pixels (ascent 10); font 1: 10 x 20 (ascent 16).
class FixedMetricsView : public WTextView {
public:
    FixedMetricsView(int width = 200, int height = 100) : WTextView(nullptr, 0, 0, width, height) {}
    int textWidth(const char*, int length, int font) override { return length * Wide(font); }
    int fontHeight(int font) override { return font == 1 ? 20 : 13; }
    int fontAscent(int font) override { return font == 1 ? 16 : 10; }
    int fontCharWidth(int font) override { return Wide(font); }

private:
    static int Wide(int font) { return font == 1 ? 10 : 6; }
};

class RecordingListener : public TextChangeListener {
public:
    void handleTextChange(TextStore*) override { events.push_back("change"); }
    void handleAddedText(TextStore*, TextReference ref) override {
        events.push_back("added");
        refs.push_back(ref);
    }
    void handleChangedText(TextStore*, TextReference ref) override {
        events.push_back("changed");
        refs.push_back(ref);
    }
    void handleRemovedText(TextStore*, TextReference ref, TextReference previous) override {
        events.push_back(previous ? "removed-after" : "removed");
        refs.push_back(ref);
        previousRefs.push_back(previous);
    }
    void handleDisconnectTextChange(TextStore*) override { events.push_back("disconnect"); }

    int count(const std::string& event) const {
        int n = 0;
        for (const std::string& e : events) n += e == event;
        return n;
    }

    std::vector<std::string> events;
    std::vector<TextReference> refs;
    std::vector<TextReference> previousRefs;
};

// Pixels spelled as names where a test gave them one, else as numbers.
std::string PixelName(unsigned long pixel);

// Every position of the store in order, separated by blanks: "box(1,bg)" for a ColorBox
// of width 1 in colour bg, "text(fg/bg:abc)", "link(...)", "tab(bg)", "rule(fg)" and "|"
// for a line end.
std::string Describe(TextStore* store);

// Gives the widget pixels distinct values for a test without a display (where they are all
// 0) and puts the old ones back afterwards: fg 1, bg 2, control 3, red 4, keyword 5.
class DistinctPixels {
public:
    DistinctPixels();
    ~DistinctPixels();
    DistinctPixels(const DistinctPixels&) = delete;
    DistinctPixels& operator=(const DistinctPixels&) = delete;

private:
    unsigned long saved_[5];
};
