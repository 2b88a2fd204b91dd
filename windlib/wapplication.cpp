// The application object and the error-recovery stack (see wapplication.h).
#include "windlib/wapplication.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "shared/gen_format.h"
#include "shared/gen_hooks.h"
#include "windlib/window/wcolwind.h"
#include "windlib/wreport.h"
#include "windlib/x11/xdrawlib.h"

namespace {

GApplication* current = nullptr;
std::vector<WErrorPoint*> errorPoints;

bool SetMessage(ColWind* window, void* text, void*) {
    cwSetMsg(window, static_cast<const char*>(text), 0);
    return true;
}

} // namespace

void setAppInst(GApplication* app) {
    current = app;
}

GApplication* getAppInst() {
    return current;
}

void GUIApplication::Panic(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = gen_avsprintf(format, args);
    va_end(args);
    fprintf(stderr, "%s\n", text ? text : "");
    fflush(stderr);
    WSoundBeep();
    WReportAlert(text);
    cwCallProcOnAll(SetMessage, text, nullptr);
    gen_free(text);
    WJumpToErrorPoint();
}

void GUIApplication::cwInsertList(ColWind* window, int, int) {
    cwRemoveList(window);
    window->next = head_;
    head_ = window;
    all_.push_back(window);
}

void GUIApplication::cwRemoveList(ColWind* window) {
    for (GItem** p = &head_; *p; p = &(*p)->next) {
        if (*p == window) {
            *p = window->next;
            window->next = nullptr;
            break;
        }
    }
    all_.remove(window);
}

ColWind* GUIApplication::cwGetList() {
    return static_cast<ColWind*>(head_);
}

bool GUIApplication::cwDestroyAll() {
    while (head_)
        if (!cwDestroy(cwGetList())) return false;
    return true;
}

void GUIApplication::error(const char* format, ...) const {
    va_list args;
    va_start(args, format);
    char* text = gen_avsprintf(format, args);
    va_end(args);
    if (GetErrorWindow())
        cwSetMsg(GetErrorWindow(), text, 1);
    else
        WReportAlert(text);
    gen_free(text);
}

void WPushErrorPoint(WErrorPoint* point) {
    errorPoints.push_back(point);
}

void EndErrorCheck() {
    int depth = (int)errorPoints.size() - 1;
    __Assert(depth >= 0, "error_depth>=0", __FILE__, __LINE__, 0);
    if (depth >= 0) errorPoints.pop_back();
}

int WErrorDepth() {
    return (int)errorPoints.size();
}

void WJumpToErrorPoint() {
    if (errorPoints.empty()) {
        gen_exit(1);
        gen_default_exit(1);
    }
    siglongjmp(errorPoints.back()->env, 1);
}
