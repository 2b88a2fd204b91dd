// What a window manager would send when the user closes a window: a WM_DELETE_WINDOW
// client message. The test server runs no window manager, so tests send it themselves.
#pragma once

#include <string>

// Sends the request to `window` on `display` over a connection of its own; false when the
// display does not answer.
bool SendWmDelete(const std::string& display, unsigned long window);
