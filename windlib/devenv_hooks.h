// Hooks into the development environment that the toolkit and the installer call at
// fixed points of start-up and shutdown: statistics, version control, syntax colouring,
// online help, the window-manager wrapper, the service router and the rest. A stand-alone
// installer has none of these services, so every hook does nothing; the calls stay in
// their places so the order of start-up and shutdown reads as it runs.
#pragma once

// Statistics: record a key and a value.
void Statistics_Record(const char* key, const char* value);

// Version control.
struct Orbit_VC_Module {
    static void DisableVersionControl();
};
void vc_Init();
void vc_Cleanup();

// Editor, syntax colouring, file-extension table and online help.
void init_timers();
void syn_Init(bool withDisplay);
void fileExtensions_Initialize();
void help_Init();
void help_Cleanup();
void syn_Cleanup();
void FilesAbort();

// Window-manager wrapper and service router.
void WindowManagerWrapper_SetUseWindowManager(bool use);
bool WindowManagerWrapper_Exists();
void ServiceRouter_Proxy_SetDisabled(bool disabled);
bool ServiceRouter_Proxy_Exists();
bool Remote_NeedToPoll();
void CheckLocalTimeout();
