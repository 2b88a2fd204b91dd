// The development-environment hooks of a stand-alone installer: each does nothing (see
// the header for why they exist).
#include "windlib/devenv_hooks.h"

void Statistics_Record(const char*, const char*) {}

void Orbit_VC_Module::DisableVersionControl() {}
void vc_Init() {}
void vc_Cleanup() {}

void init_timers() {}
void syn_Init(bool) {}
void fileExtensions_Initialize() {}
void help_Init() {}
void help_Cleanup() {}
void syn_Cleanup() {}
void FilesAbort() {}

void WindowManagerWrapper_SetUseWindowManager(bool) {}
bool WindowManagerWrapper_Exists() { return false; }
void ServiceRouter_Proxy_SetDisabled(bool) {}
bool ServiceRouter_Proxy_Exists() { return false; }
bool Remote_NeedToPoll() { return false; }
void CheckLocalTimeout() {}
