// Sharing debug switches with cooperating tools through the whiteboard group "XSwitch".
// Until a connection exists every setting is queued in the pending list; connecting
// replays the queue in the order the settings were made, and from then on each setting is
// published at once. Start at initializeXSwitchService in xswitch_service.cpp.
#pragma once

class RetryHandler;
class WhiteBoard;

// One switch setting held for later; owns a copy of the name.
class XSwitchInfo {
public:
    XSwitchInfo();
    explicit XSwitchInfo(const XSwitchInfo* other);
    XSwitchInfo(const char* name, bool value);
    ~XSwitchInfo();
    XSwitchInfo(const XSwitchInfo&) = delete;
    XSwitchInfo& operator=(const XSwitchInfo&) = delete;

    void copyFrom(const XSwitchInfo* other);
    const char* getXSwitchName() const { return name_; }
    bool getXSwitchValue() const { return value_; }
    void setXSwitchValue(bool value) { value_ = value; }

private:
    char* name_;
    bool value_;
};

// A counted array of settings; destroys its elements with it.
class XSwitchInfoArray {
public:
    explicit XSwitchInfoArray(int count);
    ~XSwitchInfoArray();
    XSwitchInfoArray(const XSwitchInfoArray&) = delete;
    XSwitchInfoArray& operator=(const XSwitchInfoArray&) = delete;

    int getNumItems() const { return count_; }
    XSwitchInfo* getItems() { return items_; }

private:
    int count_;
    XSwitchInfo* items_;
};

// The connection to the sharing service; at most one exists (theXSwitchClient).
class XSwitchService_Client {
public:
    // A new client, or null when there is no whiteboard or it refuses the group.
    static XSwitchService_Client* getConnection(RetryHandler* retry);
    // Destroys *client and clears the pointer.
    static void shutdownService(XSwitchService_Client** client);
    // Another tool changed a switch: set the byte here, publish nothing back.
    static void switchChanged(const char* group, const char* name, bool value);

    void changeSwitch(const char* name, bool value);
    void changeSwitch(int index, bool value);

private:
    explicit XSwitchService_Client(WhiteBoard* board) : board_(board) {}
    WhiteBoard* board_;
};

extern XSwitchService_Client* theXSwitchClient; // null while not connected

// Called by setXSwitch: publishes at once when connected, else appends to the pending list.
void XSwitch_PublishOrQueue(const char* text, bool value);
int XSwitch_NumPending();
