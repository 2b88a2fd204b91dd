// Switch sharing (see xswitch_service.h): the pending list, the held settings and the one
// client that talks to the whiteboard. The installer never connects, so here the pending
// list only grows; tools that do connect replay it once and publish directly afterwards.
#include "xswitch/xswitch_service.h"

#include <vector>

#include "shared/gen_hooks.h"
#include "shared/gen_strings.h"
#include "xswitch/whiteboard.h"
#include "xswitch/xswitch.h"

namespace {

const char kXSwitchGroup[] = "XSwitch";

// Settings made while not connected, oldest first.
std::vector<XSwitchInfo*> thePending;

} // namespace

XSwitchService_Client* theXSwitchClient = nullptr;

// ---- held settings ------------------------------------------------------------------------

XSwitchInfo::XSwitchInfo() : name_(nullptr), value_(false) {}

XSwitchInfo::XSwitchInfo(const XSwitchInfo* other) : name_(nullptr), value_(false) {
    copyFrom(other);
}

XSwitchInfo::XSwitchInfo(const char* name, bool value) : name_(gen_copy(name)), value_(value) {}

XSwitchInfo::~XSwitchInfo() {
    gen_free(name_);
}

void XSwitchInfo::copyFrom(const XSwitchInfo* other) {
    if (!other || other == this) return;
    gen_free(name_);
    name_ = gen_copy(other->name_);
    value_ = other->value_;
}

XSwitchInfoArray::XSwitchInfoArray(int count)
    : count_(count > 0 ? count : 0), items_(count_ ? new XSwitchInfo[count_] : nullptr) {}

XSwitchInfoArray::~XSwitchInfoArray() {
    delete[] items_;
}

// ---- the client ---------------------------------------------------------------------------

XSwitchService_Client* XSwitchService_Client::getConnection(RetryHandler*) {
    WhiteBoard* board = WhiteBoard::getWhiteBoard();
    if (!board) return nullptr;
    board->registerFuncForBoolChanges(kXSwitchGroup, switchChanged);
    if (!board->registerGroup(kXSwitchGroup, false, false, nullptr,
                              board->launchedByServiceRouter()))
        return nullptr;
    return new XSwitchService_Client(board);
}

void XSwitchService_Client::shutdownService(XSwitchService_Client** client) {
    if (!client) return;
    delete *client;
    *client = nullptr;
}

void XSwitchService_Client::switchChanged(const char*, const char* name, bool value) {
    int index = GetXSwitchIndex(name);
    if (index >= 1 && index < kNumDebugFlags) debugFlag[index] = value ? 1 : 0;
}

void XSwitchService_Client::changeSwitch(const char* name, bool value) {
    if (board_ && name) board_->setBool(kXSwitchGroup, name, value, true);
}

void XSwitchService_Client::changeSwitch(int index, bool value) {
    const char* name = debugFlag_NameFromIndex(index);
    if (name) changeSwitch(name, value);
}

// ---- connecting -----------------------------------------------------------------------------

void XSwitch_PublishOrQueue(const char* text, bool value) {
    if (theXSwitchClient)
        theXSwitchClient->changeSwitch(text, value);
    else
        thePending.push_back(new XSwitchInfo(text, value));
}

int XSwitch_NumPending() {
    return static_cast<int>(thePending.size());
}

bool initializeXSwitchService(RetryHandler* retry) {
    if (theXSwitchClient) return true;
    theXSwitchClient = XSwitchService_Client::getConnection(retry);
    if (!theXSwitchClient) return false;

    // Settings made before the connection go out in the order they were made. The list is
    // taken first, in case publishing calls back into setXSwitch.
    std::vector<XSwitchInfo*> pending;
    pending.swap(thePending);
    for (XSwitchInfo* info : pending) {
        int index = GetXSwitchIndex(info->getXSwitchName());
        if (index > 0) debugFlag[index] = info->getXSwitchValue() ? 1 : 0;
        theXSwitchClient->changeSwitch(info->getXSwitchName(), info->getXSwitchValue());
        delete info;
    }
    return true;
}

void shutdownXSwitchService() {
    if (theXSwitchClient) XSwitchService_Client::shutdownService(&theXSwitchClient);
}
