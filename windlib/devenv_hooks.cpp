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

int shr_ConfigureLine(const char*) { return 0; }
char** ConfigService_AttachToServer() { return nullptr; }
void ConfigService_BroadcastConfig(int, const char*) {}
void ConfigService_BeginBlock() {}
void ConfigService_EndBlock() {}
void Config_Register(const char*) {}
void Config_PreLoadFile(const char*) {}
void shr_SetupDefaultButtons() {}

void RezAppInit() {}
void RezAppClose() {}
void PersistentLists_Init() {}
void PersistentLists_Close() {}
void Menus_Init() {}
void Caret_Init() {}
void EditButton_Register(const char*, const char*) {}
void cleanup_default_font() {}
void clearMice() {}
void clearKeys() {}
bool HistoryBrowser_IsOpen() { return false; }

int MRUService_CreateWindow(const char*, unsigned long, bool, bool) { return 0; }
void MRUService_DestroyWindow(const char*, unsigned long) {}
bool MRUService_GetGeometry(const char*, int*, int*, int*, int*, bool) { return false; }
