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

// The development environment's configuration: the older command interpreter (menus,
// keys, mice, buttons, fonts), the configuration service shared between tools, the
// whiteboard's configuration parser and the default tool buttons.
// Returns 1 when the interpreter took the line, 0 when it does not know it.
int shr_ConfigureLine(const char* line);
// The configuration server's lines for this tool; a new null-terminated array (or null).
char** ConfigService_AttachToServer();
void ConfigService_BroadcastConfig(int location, const char* line);
void ConfigService_BeginBlock();
void ConfigService_EndBlock();
void Config_Register(const char* group);
void Config_PreLoadFile(const char* path);
void shr_SetupDefaultButtons();

// The toolkit's start-up and shutdown: the resource-image layer, persistent lists, menus,
// the text caret and the editor buttons named in the X resources.
void RezAppInit();
void RezAppClose();
void PersistentLists_Init();
void PersistentLists_Close();
void Menus_Init();
void Caret_Init();
void EditButton_Register(const char* name, const char* definition);
// The default font and the mouse and key bindings the configuration set up.
void cleanup_default_font();
void clearMice();
void clearKeys();
// The history browser, which keeps the loop going while it is open.
bool HistoryBrowser_IsOpen();

// The development environment's store of window positions, which takes the place of the
// window geometry register's file while the switch MRUService is on. A stand-alone program
// has none: no window is placed and nothing is known.
int MRUService_CreateWindow(const char* name, unsigned long window, bool ignoreSize,
                            bool ignorePosition);
void MRUService_DestroyWindow(const char* name, unsigned long window);
bool MRUService_GetGeometry(const char* name, int* x, int* y, int* width, int* height,
                            bool storedOnly);
