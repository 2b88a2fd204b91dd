// The shared pieces of the configuration tests (see config_test_support.h).
#include "config_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "shared/gen_format.h"
#include "support/temp_dir.h"
#include "xswitch/xswitch.h"

MessageRecorder* MessageRecorder::active_;

MessageRecorder::MessageRecorder() : saved_(gen_domessage) {
    active_ = this;
    gen_domessage = Record;
}

MessageRecorder::~MessageRecorder() {
    gen_domessage = saved_;
    active_ = nullptr;
}

int MessageRecorder::Record(int code, const char* format, va_list args) {
    char* formatted = gen_avsprintf(format, args);
    std::string text = formatted ? formatted : "";
    gen_free(formatted);
    if (text.empty() || text.back() != '\n') text += '\n';
    active_->messages_.push_back(text);
    if (code % 100 <= GEN_MSG_ERROR) ++active_->errors_;
    return code % 100;
}

std::string MessageRecorder::text() const {
    std::string all;
    for (const std::string& message : messages_) all += message;
    return all;
}

void MessageRecorder::clear() {
    messages_.clear();
    errors_ = 0;
}

SwitchGuard::~SwitchGuard() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) debugFlag[it->first] = it->second;
}

void SwitchGuard::set(int index, bool on) {
    saved_.emplace_back(index, debugFlag[index]);
    debugFlag[index] = on ? 1 : 0;
}

FakeDisplay* FakeDisplay::current;

FakeDisplay::FakeDisplay() : saved_(cfg_displayHooks) {
    current = this;
    cfg_displayHooks.displayUp = [] { return true; };
    cfg_displayHooks.colorsUsable = [] { return current->colorsUsable; };
    cfg_displayHooks.parseColor = [](const char* text, unsigned long* pixel) {
        if (text[0] != '#' || strlen(text) != 7) return false;
        *pixel = current->nextPixel++;
        return true;
    };
    cfg_displayHooks.freePixel = [](unsigned long pixel) { current->freed.push_back(pixel); };
    cfg_displayHooks.recolorImages = [] { ++current->recolors; };
    cfg_displayHooks.reallocBackground = [] { ++current->backgroundReallocs; };
    cfg_displayHooks.alert = [](const char* text) { current->alerts.push_back(text); };
    cfg_displayHooks.windowGeometry = [](ColWind*, ConfigRect* self, ConfigRect* parent,
                                         bool* hasParent) {
        if (!current->hasWindow) return false;
        *self = current->window;
        *parent = current->parent;
        *hasParent = current->hasParent;
        return true;
    };
}

FakeDisplay::~FakeDisplay() {
    cfg_displayHooks = saved_;
    current = nullptr;
}

namespace {

class HomeEnvironment : public ::testing::Environment {
public:
    ~HomeEnvironment() override {
        // A forked test child that leaves through exit() must not remove the parent's home.
        if (getpid() != owner_) home_.release();
    }
    void SetUp() override {
        owner_ = getpid();
        home_.reset(new ScopedTempDir);
        setenv("HOME", home_->path().c_str(), 1);
    }
    void TearDown() override { home_.reset(); }
    std::unique_ptr<ScopedTempDir> home_;
    pid_t owner_ = 0;
};

HomeEnvironment* const homeEnvironment =
    static_cast<HomeEnvironment*>(::testing::AddGlobalTestEnvironment(new HomeEnvironment));

} // namespace

const std::string& TestHome() {
    return homeEnvironment->home_->path();
}
