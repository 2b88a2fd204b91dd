// What a scroll list does with input: mouse records (click counting, the bindings, the
// selection drag, right clicks, tree marks, title clicks and column resizing), key records
// (the bindings and incremental search) and the commands the bindings name. Start with
// MslMouseEvent and MslKeyEvent; MslRunCall is the one place commands are carried out.
#pragma once

#include <vector>

#include "windlib/msl/msl_bindings.h"

class MScrollList;

// 1 when the list took the mouse record.
int MslMouseEvent(MScrollList* list, xinLibSt* event);
// 1 when the list took the key; 0 leaves it to the window.
int MslKeyEvent(MScrollList* list, xinLibSt* event);

// Carries out one command; 0 when it had nothing to act on. `event` may be null.
int MslRunCall(MScrollList* list, const MslCall& call, xinLibSt* event);
// The calls in order while the list lives; the result of the last one.
int MslRunCalls(MScrollList* list, const std::vector<MslCall>& calls, xinLibSt* event);

// Ends an incremental search and clears its message.
void MslEndSearch(MScrollList* list);
// Drops a binding still waiting for the click interval to pass.
void MslCancelDeferred(MScrollList* list);
