// What happens when the X server reports an error or the connection dies: the first
// protocol error is reported and the program goes on, a second one ends it; a lost
// connection ends it at once without touching the display again. Installed by WDrawInit.
#pragma once

#include <X11/Xlib.h>

void WInstallXErrorHandlers();

// The protocol request name for a major code ("X_CreateWindow"), "" outside 1 to 127.
const char* WXRequestName(int majorCode);

// The report for one protocol error, as the handler prints it; a new text (gen_free).
char* WFormatXError(Display* dpy, const XErrorEvent* event);

// True once the connection to the server has been lost: nothing may talk to it then.
bool WXConnectionLost();

// The number of protocol errors seen so far (the handler's own count).
int WXErrorCount();
// Forgets the errors seen (for a new start-up in the same process).
void WXErrorReset();
