// The shared key/value service of cooperating tools, as far as switch sharing needs it:
// bool values in named groups, and a callback when another tool changes one. The real
// whiteboard lives with the service-router proxy, which installs it here when it starts;
// a program without a proxy (the installer) never has one.
#pragma once

typedef void (*WhiteBoardBoolFn)(const char* group, const char* key, bool value);

class WhiteBoard {
public:
    virtual ~WhiteBoard() = default;

    // `fn` hears every change another tool makes to a bool in `group`.
    virtual void registerFuncForBoolChanges(const char* group, WhiteBoardBoolFn fn) = 0;
    // Joins `group`; false when the service refuses.
    virtual bool registerGroup(const char* group, bool persistent, bool exclusive, void* owner,
                               bool launched) = 0;
    virtual void setBool(const char* group, const char* key, bool value, bool notify) = 0;
    // Whether the service router started this program.
    virtual bool launchedByServiceRouter() { return false; }

    // The process-wide instance, or null while no service-router proxy exists.
    static WhiteBoard* getWhiteBoard();
    // Installed by the proxy when it comes up, cleared (null) when it goes; not owned.
    static void setWhiteBoard(WhiteBoard* board);
};
