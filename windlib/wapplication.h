// The application object: the list of top-level windows the loop runs for, and the
// program's last-resort reporters (error, Panic). Error-recovery points let a dispatch or
// a modal loop survive a Panic inside a handler: Panic jumps back to the innermost one.
// Start with GUIApplication.
#pragma once

#include <csetjmp>
#include <list>

#include "shared/gen_messages.h"

class ColWind;
class GItem;

class GApplication {
public:
    virtual ~GApplication() = default;
    // Reports the text everywhere the user may look, then jumps to the innermost
    // error-recovery point (or exits with status 1 when there is none).
    virtual void Panic(const char* format, ...) = 0;
    virtual void cwInsertList(ColWind* window, int a, int b) = 0;
    virtual void cwRemoveList(ColWind* window) = 0;
    // The most recently inserted window (its `next` links the rest), or null.
    virtual ColWind* cwGetList() = 0;
    // Destroys every window; false as soon as one refuses.
    virtual bool cwDestroyAll() = 0;
    virtual ColWind* getWindowList() = 0;
    virtual void error(const char* format, ...) const = 0;
    // The windows in insertion order.
    virtual std::list<ColWind*>* getAllWindows() = 0;
    virtual void ReregisterWindows() {}
};

class GUIApplication : public GApplication {
public:
    void Panic(const char* format, ...) override GEN_PRINTF(2, 3);
    void cwInsertList(ColWind* window, int a, int b) override;
    void cwRemoveList(ColWind* window) override;
    ColWind* cwGetList() override;
    bool cwDestroyAll() override;
    ColWind* getWindowList() override { return cwGetList(); }
    void error(const char* format, ...) const override GEN_PRINTF(2, 3);
    std::list<ColWind*>* getAllWindows() override { return &all_; }

private:
    GItem* head_ = nullptr; // a ColWind; windows link through GItem::next
    std::list<ColWind*> all_;
};

class NonGUIApplication : public GApplication {
public:
    void Panic(const char*, ...) override {}
    void cwInsertList(ColWind*, int, int) override {}
    void cwRemoveList(ColWind*) override {}
    ColWind* cwGetList() override { return nullptr; }
    bool cwDestroyAll() override { return true; }
    ColWind* getWindowList() override { return nullptr; }
    void error(const char*, ...) const override {}
    std::list<ColWind*>* getAllWindows() override { return nullptr; }
};

void setAppInst(GApplication* app);
GApplication* getAppInst();

// ---- Error-recovery points ----------------------------------------------------------
// Use as:  WErrorPoint point;
//          if (BeginErrorCheck(point) == 0) { ...work... } else { ...a Panic came back... }
//          EndErrorCheck();
// A Panic skips the destructors of the frames between it and the point, so code between
// them keeps no owning locals.
struct WErrorPoint {
    sigjmp_buf env;
};
void WPushErrorPoint(WErrorPoint* point);
#define BeginErrorCheck(point) (WPushErrorPoint(&(point)), sigsetjmp((point).env, 0))
void EndErrorCheck();
int WErrorDepth();
// Jumps to the innermost point; exits with status 1 when there is none.
[[noreturn]] void WJumpToErrorPoint();
