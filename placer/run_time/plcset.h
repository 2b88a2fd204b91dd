// The layout passes: sizing every item of a window from its size rules, then positioning
// them from its position rules, talking to the window only through PlacerHost. A window
// builds its tables once (PlacerBuildTables, plctable.h), calls PlacerLayoutAll whenever
// its size, font or frame changes, and frees the tables with itself; the host object need
// only live for the duration of each call. Start reading at PlacerSizeAll.
#pragma once

#include "placer/run_time/plchost.h"
#include "placer/run_time/plctable.h"

// Sizes the window and every item from the size rules: items without a rule get their
// natural size, the window's minimum-size rules may enlarge it and set its minimum-size
// hint, and items that round their size are sized again (three passes at most). A
// circular set of rules fails an assertion.
void PlacerSizeAll(RuntimePlacerInfo* info, PlacerHost& host);

// Places the items from the position rules, from their present sizes, and moves those
// whose position changed. Items no rule places keep their position, shifted when the
// frame or the line height changed since the last layout. A circular set of rules fails
// an assertion.
void PlacerPositionAll(RuntimePlacerInfo* info, PlacerHost& host);

// PlacerSizeAll, then PlacerPositionAll.
void PlacerLayoutAll(RuntimePlacerInfo* info, PlacerHost& host);

// Pixels from the item's top to the baseline of its text: the button-font ascent plus an
// offset that depends on the kind and the frame; the item's height for kinds without text.
int PlacerBaseline(const PlacerHost& host, int item, int height);
