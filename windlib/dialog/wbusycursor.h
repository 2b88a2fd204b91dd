// The busy cursor: while a long piece of work runs in slices (the directory chooser
// reading a large directory), every top-level window shows the watch cursor. Calls nest;
// the last WBusyCursorOff gives the windows their normal cursor back. The drawing layer
// has no cursor calls, so the few X calls this needs are kept here.
#pragma once

void WBusyCursorOn();
void WBusyCursorOff();
// Drops every level at once (an error report gives the user the pointer back).
void WBusyCursorReset();
bool WBusyCursorShown();
